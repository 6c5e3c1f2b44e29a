#include "graph3d/text_print_buffer.h"

#include <algorithm>
#include <cstring>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/field_text.h"
#include "graph3d/print_layout.h"

namespace {

constexpr std::size_t kChecksAt = TTextPrintBuffer::kHeaderBytes;
constexpr std::size_t kMarginsAt = kChecksAt + 4 * TTextPrintBuffer::kCheckCount;
static_assert(kMarginsAt + 4 * TTextPrintBuffer::kMarginBytes == TTextPrintBuffer::kSize);

// The text of a NUL-terminated field; false when the field holds no NUL.
bool FieldText(std::span<const std::uint8_t> field, std::string& out) {
  const auto end = std::find(field.begin(), field.end(), 0);
  if (end == field.end()) return false;
  out.assign(field.begin(), end);
  return true;
}

// A margin text as the dialog reads it: one number, a length a page can have.
bool MarginValue(const std::string& text, float& cm) {
  const std::optional<long double> v = ReadRealText(text);
  if (!v || *v < 0 || *v > kMaxMarginCm) return false;
  cm = static_cast<float>(*v);
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeTextPrintBuffer(const TTextPrintBuffer& buffer) {
  bytes::ByteWriter w;
  w.FixedString(buffer.header, TTextPrintBuffer::kHeaderBytes);
  for (std::int32_t c : buffer.checks) w.I32(c);
  for (const std::string& m : buffer.margins) w.FixedString(m, TTextPrintBuffer::kMarginBytes);
  return w.Take();
}

bool DecodeTextPrintBuffer(std::span<const std::uint8_t> bytes, TTextPrintBuffer& out) {
  if (bytes.size() != TTextPrintBuffer::kSize) return false;
  TTextPrintBuffer b;
  if (!FieldText(bytes.first(TTextPrintBuffer::kHeaderBytes), b.header)) return false;
  for (std::size_t i = 0; i < b.checks.size(); ++i) {
    b.checks[i] = static_cast<std::int32_t>(bytes::LoadU32(bytes.data() + kChecksAt + 4 * i));
    if (b.checks[i] != 0 && b.checks[i] != 1) return false;
  }
  // Two radios of one choice both set is no state the dialog can show or write.
  for (int first = TTextPrintBuffer::kPortrait; first < TTextPrintBuffer::kCheckCount; first += 2)
    if (b.checks[first] != 0 && b.checks[first + 1] != 0) return false;
  for (std::size_t i = 0; i < b.margins.size(); ++i) {
    float cm;
    if (!FieldText(bytes.subspan(kMarginsAt + TTextPrintBuffer::kMarginBytes * i, TTextPrintBuffer::kMarginBytes),
                   b.margins[i]) ||
        !MarginValue(b.margins[i], cm))
      return false;
  }
  out = std::move(b);
  return true;
}

TTextPrintBuffer FillTextPrintBuffer(const TTextPrintOptions& options, const std::string& header,
                                     const TTextPrintOffers& offers) {
  using B = TTextPrintBuffer;
  B b;
  b.header = header.substr(0, B::kHeaderBytes - 1);
  b.checks[B::kDate] = options.date;
  b.checks[B::kPageNumbers] = options.pageNumber;
  b.checks[B::kPortrait] = !options.landscape;
  b.checks[B::kLandscape] = options.landscape;
  if (offers.justification) {
    b.checks[B::kFlushLeft] = !options.centre;
    b.checks[B::kCentre] = options.centre;
  }
  if (offers.extent) {
    b.checks[B::kPresentDisplay] = !options.allLines;
    b.checks[B::kAllInformation] = options.allLines;
  }
  if (offers.colour) {
    b.checks[B::kMonochrome] = !options.colour;
    b.checks[B::kColour] = options.colour;
  }
  const float margins[4] = {options.marginLeft, options.marginTop, options.marginRight, options.marginBottom};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::string usual = CFormat("%-.5g", static_cast<double>(margins[i])).substr(0, B::kMarginBytes - 1);
    b.margins[i] = MarginText(margins[i], usual, B::kMarginBytes - 1);
  }
  return b;
}

void ApplyTextPrintBuffer(const TTextPrintBuffer& b, const TTextPrintOffers& offers,
                          TTextPrintOptions& options, std::string& header) {
  using B = TTextPrintBuffer;
  options.date = b.checks[B::kDate] != 0;
  options.pageNumber = b.checks[B::kPageNumbers] != 0;
  options.landscape = b.checks[B::kPortrait] == 0;
  if (offers.justification) options.centre = b.checks[B::kFlushLeft] == 0;
  if (offers.extent) options.allLines = b.checks[B::kPresentDisplay] == 0;
  if (offers.colour) options.colour = b.checks[B::kMonochrome] == 0;
  float* margins[4] = {&options.marginLeft, &options.marginTop, &options.marginRight, &options.marginBottom};
  for (std::size_t i = 0; i < 4; ++i) {
    float cm;
    if (MarginValue(b.margins[i], cm)) *margins[i] = cm;
  }
  header = b.header.substr(0, B::kCallerHeaderLength);
}

TTextPrintBuffer AdoptReadTextPrintBuffer(const TTextPrintBuffer& shown, const TTextPrintBuffer& read,
                                          const TTextPrintOffers& offers) {
  using B = TTextPrintBuffer;
  TTextPrintBuffer b = read;
  const bool offered[4] = {true, offers.justification, offers.extent, offers.colour};
  for (int pair = 0; pair < 4; ++pair) {
    const int first = B::kPortrait + 2 * pair;
    // A choice this window does not offer shows the file's radios, disabled: OK leaves the
    // option alone, and Save writes the file's choice back rather than clearing it.
    if (offered[pair] && b.checks[first] == 0 && b.checks[first + 1] == 0) {
      // A file saved where the choice was not offered holds neither radio: the choice shown
      // stays, where OK would otherwise take the second radio with neither shown.
      b.checks[first] = shown.checks[first];
      b.checks[first + 1] = shown.checks[first + 1];
    }
  }
  return b;
}

std::optional<std::size_t> UnreadableMargin(const TTextPrintBuffer& buffer) {
  for (std::size_t i = 0; i < buffer.margins.size(); ++i) {
    float cm;
    if (!MarginValue(buffer.margins[i], cm)) return i;
  }
  return std::nullopt;
}

OptionFileStatus ReadTextPrintFile(const std::filesystem::path& path, TTextPrintBuffer& out) {
  OptionFileStatus status;
  const auto data = ReadOptionFileBytes(path, {TTextPrintBuffer::kSize}, status);
  if (!data) return status;
  return DecodeTextPrintBuffer(*data, out) ? OptionFileStatus::Ok : OptionFileStatus::Refused;
}

bool WriteTextPrintFile(const std::filesystem::path& path, const TTextPrintBuffer& buffer) {
  return SaveGlobalToFile(EncodeTextPrintBuffer(buffer), path);
}
