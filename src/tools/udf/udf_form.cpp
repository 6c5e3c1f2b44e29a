#include "tools/udf/udf_form.h"

#include <algorithm>
#include <cstring>

namespace {

template <std::size_t N>
void CopyField(std::array<char, N>& field, std::string_view text) {
  field.fill(0);
  std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

bool IsBlankChar(unsigned char c) { return c < 32 || c == 127 || c >= 128; }

}  // namespace

TUdfForm ClearedUdfForm() {
  TUdfForm form;
  form.count = "1";
  form.minText.fill(kUdfClearedMin);
  form.startText.fill(kUdfClearedStart);
  form.maxText.fill(kUdfClearedMax);
  return form;
}

TUdfForm UdfFormFromRecord(const TUdfRecord& r) {
  TUdfForm form = ClearedUdfForm();
  form.name = std::string(UdfFieldText(r.Name));
  form.count = std::to_string(r.ParamCount);
  form.text = std::string(UdfFieldText(r.Text));
  const int params = UdfClampedParamCount(r);
  for (int i = 0; i < params; ++i) {
    const auto u = static_cast<std::size_t>(i);
    form.minText[u] = std::string(UdfFieldText(r.MinText[u]));
    form.startText[u] = std::string(UdfFieldText(r.StartText[u]));
    form.maxText[u] = std::string(UdfFieldText(r.MaxText[u]));
  }
  return form;
}

int UdfCountFromText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 99999) break;  // far outside 1..10 already; never overflows
  }
  return static_cast<int>(negative ? -value : value);
}

bool ApplyUdfCount(TUdfForm& form, int& count) {
  const int n = UdfCountFromText(form.count);
  if (n < 1 || n > kUdfMaxParams) {
    form.count = std::to_string(count);
    return false;
  }
  for (int i = n; i < count && i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    form.minText[u] = kUdfResetMin;
    form.startText[u] = kUdfResetStart;
    form.maxText[u] = kUdfResetMax;
  }
  count = n;
  form.count = std::to_string(n);
  return true;
}

bool UdfTextIsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return IsBlankChar(static_cast<unsigned char>(c)); });
}

std::string UdfStoredText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      if (out.empty() || out.back() != '\r') out += '\r';
      out += '\n';
    } else {
      out += c;
    }
  }
  while (!out.empty() && (out.back() == '\r' || out.back() == '\n')) out.pop_back();
  out += "\r\n";
  return out;
}

std::unique_ptr<TUdfRecord> UdfRecordFromForm(const TUdfForm& form) {
  auto r = std::make_unique<TUdfRecord>();
  CopyField(r->Name, form.name);
  const int count = UdfCountFromText(form.count);
  r->ParamCount = static_cast<std::int16_t>(std::clamp(count, -32768, 32767));
  std::string text = UdfStoredText(form.text);
  if (text.size() > static_cast<std::size_t>(kUdfTextMaxChars)) {
    // Cut after the last whole line that fits, so the record still ends with its line end.
    const std::size_t cut = text.rfind('\n', static_cast<std::size_t>(kUdfTextMaxChars) - 1);
    text.resize(cut == std::string::npos ? 0 : cut + 1);
  }
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  CopyField(r->Text, text);
  r->LineCount = static_cast<std::int16_t>(std::count(text.begin(), text.end(), '\n'));
  const int params = UdfClampedParamCount(*r);
  for (int i = 0; i < params; ++i) {
    const auto u = static_cast<std::size_t>(i);
    CopyField(r->MinText[u], form.minText[u]);
    CopyField(r->StartText[u], form.startText[u]);
    CopyField(r->MaxText[u], form.maxText[u]);
  }
  return r;
}
