#include "tools/udf/udf_record_codec.h"

#include <cmath>
#include <cstring>

namespace {

using Values = std::array<long double, kUdfMaxParams>;
using ExprTexts = std::array<std::array<char, kUdfExprTextSize>, kUdfMaxParams>;

void PutValues(const Values& v, bytes::ByteWriter& out) {
  for (long double x : v) out.Extended(x);
}

void PutTexts(const ExprTexts& t, bytes::ByteWriter& out) {
  for (const auto& field : t) out.FixedString(UdfFieldText(field), kUdfExprTextSize);
}

// A NUL-terminated text field: copied whole when its terminator lies inside the field.
template <std::size_t N>
bool GetText(bytes::ByteReader& in, std::array<char, N>& field) {
  if (!in.Raw(field.data(), N)) return false;
  return std::memchr(field.data(), 0, N) != nullptr;
}

// An 80-bit extended real in the form the processor itself produces for a finite number:
// a zero or denormal with the explicit integer bit clear, or a normal number with it set.
// Infinities, NaNs and the unnormal and pseudo-denormal encodings (which the processor
// refuses to compute with, or computes as NaN) are refused.
bool GetFinite(bytes::ByteReader& in, long double& v) {
  std::uint8_t raw[bytes::kExtendedSize];
  if (!in.Raw(raw, sizeof raw)) return false;
  const unsigned exponent = (static_cast<unsigned>(raw[9] & 0x7F) << 8) | raw[8];
  const bool integerBit = (raw[7] & 0x80) != 0;
  if (exponent == 0x7FFF || (exponent == 0) == integerBit) return false;
  v = bytes::DecodeExtended(raw);
  return true;
}

bool GetValues(bytes::ByteReader& in, Values& v) {
  for (long double& x : v) {
    if (!GetFinite(in, x)) return false;
  }
  return true;
}

bool GetTexts(bytes::ByteReader& in, ExprTexts& t) {
  for (auto& field : t) {
    if (!GetText(in, field)) return false;
  }
  return true;
}

}  // namespace

void EncodeUdfRecord(const TUdfRecord& r, bytes::ByteWriter& out) {
  out.FixedString(UdfFieldText(r.Name), kUdfNameSize);
  out.I16(r.ParamCount);
  out.I16(r.LineCount);
  out.FixedString(UdfFieldText(r.Text), kUdfTextSize);
  PutValues(r.Lower, out);
  PutValues(r.Start, out);
  PutValues(r.Upper, out);
  PutTexts(r.MinText, out);
  PutTexts(r.StartText, out);
  PutTexts(r.MaxText, out);
  out.U32(r.DataMask);
  PutValues(r.DerivMax, out);
  PutValues(r.DerivMin, out);
  out.U16(r.Compiled);
}

std::vector<std::uint8_t> EncodeUdfRecord(const TUdfRecord& r) {
  bytes::ByteWriter out;
  EncodeUdfRecord(r, out);
  return out.Take();
}

bool DecodeUdfRecord(std::span<const std::uint8_t> bytes, TUdfRecord& out) {
  if (bytes.size() != kUdfRecordBytes) return false;
  bytes::ByteReader in(bytes);
  if (!GetText(in, out.Name)) return false;
  out.ParamCount = in.I16();
  out.LineCount = in.I16();
  if (out.ParamCount < 1 || out.ParamCount > kUdfMaxParams) return false;
  if (out.LineCount < 0 || out.LineCount > kUdfMaxLineCount) return false;
  if (!GetText(in, out.Text)) return false;
  if (!GetValues(in, out.Lower) || !GetValues(in, out.Start) || !GetValues(in, out.Upper)) return false;
  if (!GetTexts(in, out.MinText) || !GetTexts(in, out.StartText) || !GetTexts(in, out.MaxText))
    return false;
  out.DataMask = in.U32();
  if ((out.DataMask & ~kUdfMaskAllBits) != 0) return false;
  if (!GetValues(in, out.DerivMax) || !GetValues(in, out.DerivMin)) return false;
  in.U16();
  out.Compiled = 0;
  return in.Ok() && in.Remaining() == 0;
}

bool UdfRecordIsSound(const TUdfRecord& r) {
  const std::vector<std::uint8_t> image = EncodeUdfRecord(r);
  auto copy = std::make_unique<TUdfRecord>();
  return DecodeUdfRecord(image, *copy);
}
