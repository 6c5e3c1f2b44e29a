#include "tools/udf/udf_files.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <string_view>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/number_format.h"
#include "app/text_utils.h"
#include "expr/function_text_lines.h"
#include "tools/udf/udf_limits.h"
#include "tools/udf/udf_record_codec.h"

namespace {

// No well-formed .udf comes near this: its text form holds at most a name, two counts,
// 1023 characters of function and ten lines of three 79-character expressions.
constexpr std::size_t kMaxUdfFileBytes = 1 << 20;
constexpr std::size_t kMaxLibraryBytes = kUdfLibraryHeaderBytes + kUdfCount * kUdfRecordBytes;
constexpr std::size_t kMaxExprLength = kUdfExprTextSize - 1;
constexpr std::size_t kMaxNameLength = kUdfNameSize - 1;
constexpr std::size_t kMaxTextLength = kUdfTextSize - 1;
constexpr char kCtrlZ = 26;

template <std::size_t N>
void SetText(std::array<char, N>& field, std::string_view text) {
  field.fill(0);
  std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

// Reads at most `limit` bytes of a file. kUdfFileNotOpened when it cannot be opened or is
// empty; kUdfFileMalformed when it is longer than `limit` and `whole` is set; else 1.
int LoadFile(const std::filesystem::path& path, std::size_t limit, bool whole,
             std::vector<std::uint8_t>& data) {
  const std::int64_t size = FileSize(path);
  if (size <= 0) return kUdfFileNotOpened;
  if (whole && static_cast<std::uint64_t>(size) > limit) return kUdfFileMalformed;
  data = ReadFileHead(path, limit);
  return data.empty() ? kUdfFileNotOpened : 1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// A decimal integer, blanks allowed around it and nothing else.
bool ParseCount(std::string_view line, int& value) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  if (line.starts_with('+')) line.remove_prefix(1);
  const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
  return ec == std::errc() && end == line.data() + line.size() && !line.empty();
}

// Splits a parameter line into its blank-separated words.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Same function as far as a .udf can tell: what the text form stores.
bool SameStoredFunction(const TUdfRecord& a, const TUdfRecord& b) {
  if (UdfFieldText(a.Name) != UdfFieldText(b.Name) || a.ParamCount != b.ParamCount || UdfFieldText(a.Text) != UdfFieldText(b.Text))
    return false;
  for (int i = 0; i < a.ParamCount && i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    if (UdfFieldText(a.MinText[u]) != UdfFieldText(b.MinText[u]) || UdfFieldText(a.StartText[u]) != UdfFieldText(b.StartText[u]) ||
        UdfFieldText(a.MaxText[u]) != UdfFieldText(b.MaxText[u]))
      return false;
  }
  return true;
}

std::vector<std::uint8_t> AsBytes(std::string_view s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

}  // namespace

std::string UdfTextCutsText(const TUdfTextCuts& cuts) {
  std::string text;
  if (cuts.nameChars > 0) text = CFormat("The File's Function Name Was Cut to %zu Characters", kMaxNameLength);
  if (cuts.textChars > 0) {
    if (!text.empty()) text += "\n";
    text += CFormat("The File's Function Text Was Cut to %s Characters: %s of Its %s Were Left Out\n"
                    "It Stops in Line %d of %d",
                    FormatWithCommas(static_cast<long long>(kMaxTextLength)).c_str(),
                    FormatWithCommas(static_cast<long long>(cuts.textChars - kMaxTextLength)).c_str(),
                    FormatWithCommas(static_cast<long long>(cuts.textChars)).c_str(), cuts.textLine, cuts.textLines);
  }
  return text;
}

std::unique_ptr<TUdfRecord> ParseUdfTextForm(std::span<const std::uint8_t> file, TUdfTextCuts* cuts) {
  TUdfTextCuts cut;
  std::string_view data(reinterpret_cast<const char*>(file.data()), file.size());
  // A text-mode stream ends at a Ctrl-Z; a NUL before it means this is no text file.
  data = data.substr(0, data.find(kCtrlZ));
  if (data.find('\0') != std::string_view::npos) return nullptr;

  TUdfTextLines lines(data);
  std::string_view line;
  auto r = std::make_unique<TUdfRecord>();
  if (!lines.Next(line)) return nullptr;
  SetText(r->Name, line.substr(0, kMaxNameLength));
  if (line.size() > kMaxNameLength) cut.nameChars = line.size();

  int count = 0;
  int lineCount = 0;
  // Counts outside 1..10 would index past the ten parameters of the record.
  if (!lines.Next(line) || !ParseCount(line, count) || count < 1 || count > kUdfMaxParams) return nullptr;
  if (!lines.Next(line) || !ParseCount(line, lineCount) || lineCount < 0) return nullptr;
  r->ParamCount = static_cast<std::int16_t>(count);

  // The function's lines, each ended by CR LF, in upper case; what lies beyond the
  // record's 1023 characters is cut.
  std::string text;
  std::size_t joined = 0;  // the length of the whole text, cut or not
  for (int i = 0; i < lineCount; ++i) {
    if (!lines.Next(line)) return nullptr;
    joined += line.size() + 2;
    if (joined > kMaxTextLength && cut.textLine == 0) cut.textLine = i + 1;
    if (text.size() < kMaxTextLength) {
      text.append(line.substr(0, kMaxTextLength - text.size()));
      text.append("\r\n");
    }
  }
  if (text.size() > kMaxTextLength) text.resize(kMaxTextLength);
  // Told when a character of the lines is lost: the last line's end alone may lie past the
  // record's room, which cuts nothing of the function.
  if (joined > kMaxTextLength + 2) {
    cut.textChars = joined;
    cut.textLines = lineCount;
  } else {
    cut.textLine = 0;
  }
  std::transform(text.begin(), text.end(), text.begin(), Upper);
  SetText(r->Text, text);
  r->LineCount = static_cast<std::int16_t>(CountTextLines(text));

  // Minimum, start and maximum expression of each parameter: three words, none of them
  // longer than the record's 79 characters (a longer one would be cut into another
  // expression, so the file is refused instead).
  for (int i = 0; i < count; ++i) {
    if (!lines.Next(line)) return nullptr;
    const std::vector<std::string_view> words = Words(line);
    if (words.size() != 3) return nullptr;
    for (std::string_view w : words) {
      if (w.size() > kMaxExprLength) return nullptr;
    }
    const auto u = static_cast<std::size_t>(i);
    SetText(r->MinText[u], words[0]);
    SetText(r->StartText[u], words[1]);
    SetText(r->MaxText[u], words[2]);
  }
  if (cuts) *cuts = cut;
  return r;
}

std::optional<std::string> UdfTextForm(const TUdfRecord& r) {
  if (r.ParamCount < 1 || r.ParamCount > kUdfMaxParams) return std::nullopt;
  const std::string_view text = UdfFieldText(r.Text);
  std::string out(UdfFieldText(r.Name));
  out += "\r\n";
  out += CFormat("%d\r\n%d\r\n", r.ParamCount, CountTextLines(text));
  TUdfTextLines lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    out += line;
    out += "\r\n";
  }
  for (int i = 0; i < r.ParamCount; ++i) {
    const auto u = static_cast<std::size_t>(i);
    out += UdfFieldText(r.MinText[u]);
    out += ' ';
    out += UdfFieldText(r.StartText[u]);
    out += ' ';
    out += UdfFieldText(r.MaxText[u]);
    out += "\r\n";
  }
  // The text form carries what survives its reading: blanks split expressions, an empty
  // expression leaves a word missing, the text is read in upper case, line ends are
  // rewritten. A function that would not come back as it is goes raw instead. (A text
  // form that reads back whole stays below the 3945 bytes of a raw record: 1023
  // characters of text and ten lines of three 79-character words.)
  const std::unique_ptr<TUdfRecord> back = ParseUdfTextForm(AsBytes(out));
  if (!back || !SameStoredFunction(r, *back)) return std::nullopt;
  return out;
}

int ReadUdfFile(TUdfTable& table, int k, const std::filesystem::path& path, TUdfTextCuts* cuts) {
  if (cuts) *cuts = {};
  if (k < 0 || k >= kUdfCount) return kUdfFileNotOpened;
  std::vector<std::uint8_t> data;
  const int loaded = LoadFile(path, kMaxUdfFileBytes, true, data);
  if (loaded != 1) return loaded;
  // A file of the raw record's size that is no sound record may still be a text form.
  std::unique_ptr<TUdfRecord> r;
  if (data.size() == kUdfRecordBytes) {
    r = std::make_unique<TUdfRecord>();
    if (!DecodeUdfRecord(data, *r)) r.reset();
  }
  TUdfTextCuts cut;
  if (!r) r = ParseUdfTextForm(data, &cut);
  if (!r) return kUdfFileMalformed;
  if (cuts) *cuts = cut;
  ParseUdfParams(*r, k);
  table[static_cast<std::size_t>(k)] = std::move(r);
  return 1;
}

int WriteUdfFile(const TUdfTable& table, int k, const std::filesystem::path& path) {
  const TUdfRecord* const record = k >= 0 && k < kUdfCount ? table[static_cast<std::size_t>(k)].get() : nullptr;
  if (!record) return kUdfNothingToWrite;
  const TUdfRecord& r = *record;
  if (!UdfRecordIsSound(r)) return kUdfNothingToWrite;
  std::vector<std::uint8_t> image;
  if (r.DataMask == 0) {
    if (const std::optional<std::string> text = UdfTextForm(r)) image = AsBytes(*text);
  }
  if (image.empty()) image = EncodeUdfRecord(r);
  return SaveGlobalToFile(image, path) ? 1 : kUdfFileNotWritten;
}

std::vector<std::uint8_t> UdfLibraryImage(const TUdfTable& table, int* written) {
  std::uint32_t mask = 0;
  for (int k = 0; k < kUdfCount; ++k) {
    const auto& r = table[static_cast<std::size_t>(k)];
    if (r && UdfRecordIsSound(*r)) mask |= 1u << k;
  }
  if (written) *written = std::popcount(mask);
  if (mask == 0) return {};
  bytes::ByteWriter out;
  out.Raw(kUdfLibraryMagic, sizeof kUdfLibraryMagic);
  out.U32(mask);
  for (int k = 0; k < kUdfCount; ++k) {
    if (mask & (1u << k)) EncodeUdfRecord(*table[static_cast<std::size_t>(k)], out);
  }
  return out.Take();
}

int WriteUdfLibrary(const TUdfTable& table, const std::filesystem::path& path) {
  int written = 0;
  const std::vector<std::uint8_t> image = UdfLibraryImage(table, &written);
  if (written == 0) return 0;
  return SaveGlobalToFile(image, path) ? written : kUdfFileNotWritten;
}

int ReadUdfLibrary(TUdfTable& table, const std::filesystem::path& path, int* dropped) {
  if (dropped) *dropped = 0;
  std::vector<std::uint8_t> data;
  // Bytes after the last record a full mask can name are never read.
  const int loaded = LoadFile(path, kMaxLibraryBytes, false, data);
  if (loaded != 1) return loaded;
  if (data.size() < sizeof kUdfLibraryMagic ||
      std::memcmp(data.data(), kUdfLibraryMagic, sizeof kUdfLibraryMagic) != 0)
    return kUdfFileNotOpened;
  bytes::ByteReader in(data);
  in.Seek(kUdfLibraryMaskOffset);
  const std::uint32_t mask = in.U32() & kUdfLibraryFunctionBits;
  if (!in.Ok() || mask == 0) return kUdfFileMalformed;

  // Every record is checked before any function is replaced.
  std::array<std::unique_ptr<TUdfRecord>, kUdfCount> staged;
  int read = 0;
  for (int k = 0; k < kUdfCount; ++k) {
    if (!(mask & (1u << k))) continue;
    const std::size_t offset = kUdfLibraryHeaderBytes + static_cast<std::size_t>(read) * kUdfRecordBytes;
    if (data.size() - offset < kUdfRecordBytes) break;  // cut short: the partial record is dropped
    auto r = std::make_unique<TUdfRecord>();
    if (!DecodeUdfRecord(std::span(data).subspan(offset, kUdfRecordBytes), *r)) return kUdfFileMalformed;
    staged[static_cast<std::size_t>(k)] = std::move(r);
    ++read;
  }
  if (read == 0) return kUdfFileMalformed;
  if (dropped) *dropped = std::popcount(mask) - read;
  for (int k = 0; k < kUdfCount; ++k) table[static_cast<std::size_t>(k)] = std::move(staged[static_cast<std::size_t>(k)]);
  return read;
}
