#include "exchange/sav_file.h"

#include <readstat.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "platform/cp1252.h"

namespace {

struct ParserFree {
  void operator()(readstat_parser_t* p) const { readstat_parser_free(p); }
};
using Parser = std::unique_ptr<readstat_parser_t, ParserFree>;

// The library reads no further than this many cases; set always, because a header that
// states no case count (-1) would otherwise leave plain (uncompressed) cases unread.
constexpr long kReadCasesLimit = 1L << 30;

// Texts arrive as UTF-8 (converted by the library from the file's declared encoding) or, in
// a file that declares none, as the file's own single-byte text: Utf8ToCp1252 keeps bytes
// that are not UTF-8 as they stand.
// `unheld` counts the characters Windows-1252 lacks.
std::string Coded(const char* text, int* unheld = nullptr) {
  return text ? platform::Utf8ToCp1252(text, unheld) : std::string();
}

// Runs one pass. A file whose declared encoding the library does not know is read again as
// Windows-1252, the code of the files this program and its peers wrote.
template <typename Configure>
readstat_error_t Parse(const std::string& path, void* context, Configure configure) {
  for (const bool assume1252 : {false, true}) {
    Parser parser(readstat_parser_init());
    if (!parser) return READSTAT_ERROR_MALLOC;
    configure(parser.get());
    if (assume1252) readstat_set_file_character_encoding(parser.get(), "WINDOWS-1252");
    const readstat_error_t error = readstat_parse_sav(parser.get(), path.c_str(), context);
    if (error != READSTAT_ERROR_UNSUPPORTED_CHARSET) return error;
  }
  return READSTAT_ERROR_UNSUPPORTED_CHARSET;
}

// ---- the dictionary pass -------------------------------------------------------------------

struct DictionaryPass {
  TSavDictionary& out;
};

int OnDictionaryMetadata(readstat_metadata_t* metadata, void* context) {
  TSavDictionary& out = static_cast<DictionaryPass*>(context)->out;
  try {
    out.fileLabel = Coded(readstat_get_file_label(metadata), &out.fileLabelUnheld);
    out.caseCount = readstat_get_row_count(metadata);
  } catch (const std::bad_alloc&) {
    return READSTAT_HANDLER_ABORT;
  }
  return READSTAT_HANDLER_OK;
}

int OnDictionaryVariable(int, readstat_variable_t* variable, const char*, void* context) {
  TSavDictionary& out = static_cast<DictionaryPass*>(context)->out;
  try {
    TSavVariable v;
    v.name = Coded(readstat_variable_get_name(variable), &v.nameUnheld);
    v.label = Coded(readstat_variable_get_label(variable), &v.labelUnheld);
    v.numeric = readstat_variable_get_type_class(variable) == READSTAT_TYPE_CLASS_NUMERIC;
    out.variables.push_back(std::move(v));
  } catch (const std::bad_alloc&) {
    return READSTAT_HANDLER_ABORT;
  }
  return READSTAT_HANDLER_OK;
}

int OnDictionaryWeight(readstat_variable_t* variable, void* context) {
  static_cast<DictionaryPass*>(context)->out.weightVariable = readstat_variable_get_index(variable);
  return READSTAT_HANDLER_OK;
}

// ---- the data pass -------------------------------------------------------------------------

struct CasePass {
  std::span<const int> variables;
  const std::function<bool(std::span<const TSavValue>)>& onCase;
  std::vector<std::vector<std::size_t>> slotsOf;  // per variable, the slots it fills
  std::vector<TSavValue> row;
  int currentCase = -1;
  std::int64_t casesInHeader = -1;
  bool dictionaryRead = false;
  bool outOfRange = false;
  bool stopped = false;

  void StartRow() {
    for (TSavValue& v : row) v = TSavValue{0, true, false};
  }
  // Hands the current case over; false once the caller wants no more.
  bool Emit() {
    if (currentCase < 0) return true;
    if (!onCase(row)) stopped = true;
    return !stopped;
  }
};

int OnCaseMetadata(readstat_metadata_t* metadata, void* context) {
  auto& pass = *static_cast<CasePass*>(context);
  pass.dictionaryRead = true;
  pass.casesInHeader = readstat_get_row_count(metadata);
  const int count = readstat_get_var_count(metadata);
  for (const int v : pass.variables) {
    if (v < 0 || v >= count) {
      pass.outOfRange = true;
      return READSTAT_HANDLER_ABORT;
    }
  }
  try {
    pass.slotsOf.assign(static_cast<std::size_t>(count), {});
    for (std::size_t slot = 0; slot < pass.variables.size(); ++slot)
      pass.slotsOf[static_cast<std::size_t>(pass.variables[slot])].push_back(slot);
    pass.row.resize(pass.variables.size());
  } catch (const std::bad_alloc&) {
    return READSTAT_HANDLER_ABORT;
  }
  return READSTAT_HANDLER_OK;
}

// Variables nobody asked for are skipped by the library: their values are never decoded.
int OnCaseVariable(int index, readstat_variable_t*, const char*, void* context) {
  const auto& pass = *static_cast<CasePass*>(context);
  const auto i = static_cast<std::size_t>(index);
  return i < pass.slotsOf.size() && !pass.slotsOf[i].empty() ? READSTAT_HANDLER_OK
                                                             : READSTAT_HANDLER_SKIP_VARIABLE;
}

int OnCaseValue(int caseIndex, readstat_variable_t* variable, readstat_value_t value, void* context) {
  auto& pass = *static_cast<CasePass*>(context);
  try {
    if (caseIndex != pass.currentCase) {
      if (!pass.Emit()) return READSTAT_HANDLER_ABORT;
      pass.currentCase = caseIndex;
      pass.StartRow();
    }
    const auto index = static_cast<std::size_t>(readstat_variable_get_index(variable));
    if (index >= pass.slotsOf.size()) return READSTAT_HANDLER_OK;
    TSavValue v;
    if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_NUMERIC) {
      v.value = readstat_double_value(value);
      // A value that is no finite number (a damaged file) is treated as the file's own
      // missing value: it never becomes a coordinate.
      v.notFinite = !readstat_value_is_system_missing(value) && !std::isfinite(v.value);
      v.systemMissing = readstat_value_is_system_missing(value) || v.notFinite;
      v.userMissing = readstat_value_is_defined_missing(value, variable) != 0;
    }
    for (const std::size_t slot : pass.slotsOf[index]) pass.row[slot] = v;
  } catch (...) {  // nothing may unwind through the library
    return READSTAT_HANDLER_ABORT;
  }
  return READSTAT_HANDLER_OK;
}

}  // namespace

bool HasSavMagic(std::span<const std::uint8_t> head) {
  if (head.size() < kSavMagicSize) return false;
  return std::memcmp(head.data(), "$FL2@(#) ", kSavMagicSize) == 0 ||
         std::memcmp(head.data(), "$FL3@(#) ", kSavMagicSize) == 0;
}

TSavStatus ReadSavDictionary(const std::string& path, TSavDictionary& out) {
  out = TSavDictionary{};
  DictionaryPass pass{out};
  const readstat_error_t error = Parse(path, &pass, [](readstat_parser_t* p) {
    readstat_set_metadata_handler(p, OnDictionaryMetadata);
    readstat_set_variable_handler(p, OnDictionaryVariable);
    readstat_set_fweight_handler(p, OnDictionaryWeight);
  });
  if (error == READSTAT_OK) return TSavStatus::kOk;
  out = TSavDictionary{};
  return error == READSTAT_ERROR_OPEN ? TSavStatus::kCannotOpen : TSavStatus::kMalformed;
}

TSavStatus ReadSavCases(const std::string& path, std::span<const int> variables,
                        const std::function<bool(std::span<const TSavValue>)>& onCase, TSavCasesEnd* end) {
  CasePass pass{variables, onCase, {}, {}};
  const readstat_error_t error = Parse(path, &pass, [](readstat_parser_t* p) {
    readstat_set_metadata_handler(p, OnCaseMetadata);
    readstat_set_variable_handler(p, OnCaseVariable);
    readstat_set_value_handler(p, OnCaseValue);
    readstat_set_row_limit(p, kReadCasesLimit);
  });
  if (error == READSTAT_ERROR_OPEN) return TSavStatus::kCannotOpen;
  if (!pass.dictionaryRead || pass.outOfRange) return TSavStatus::kMalformed;
  // The last case is complete only when the library ended where the file did (or where the
  // header's count said, in a file that holds fewer cases); after any other failure it may
  // lack values, and only the cases before it count.
  const bool ended = error == READSTAT_OK || error == READSTAT_ERROR_ROW_COUNT_MISMATCH;
  if (ended && !pass.stopped) (void)pass.Emit();  // the caller's answer no longer matters
  if (end) {
    *end = TSavCasesEnd{};
    end->cut = !ended && !pass.stopped;
    if (error == READSTAT_ERROR_ROW_COUNT_MISMATCH) end->casesInHeader = pass.casesInHeader;
  }
  return TSavStatus::kOk;
}
