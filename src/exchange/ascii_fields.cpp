#include "exchange/ascii_fields.h"

#include <algorithm>
#include <string>

#include "app/long_double.h"
#include "app/number_scanner.h"
#include "exchange/reader_contract.h"

namespace {

bool EndsLine(char c) { return c == '\0' || c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool StartsNumber(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsNumericLine(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  auto at = [&](std::size_t k) { return k < line.size() ? line[k] : '\0'; };
  const char c = at(i);
  if (IsDigit(c)) return true;
  if (c == '.') return IsDigit(at(i + 1));
  if (c == '-') return IsDigit(at(i + 1)) || (at(i + 1) == '.' && IsDigit(at(i + 2)));
  return false;
}

std::string_view TLineFields::Text(std::string_view line, int field) const {
  if (field < 0 || field >= count) return {};
  const int s = starts[static_cast<std::size_t>(field)];
  if (s < 0) return {};
  const int e = ends[static_cast<std::size_t>(field)];
  return line.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s));
}

int ScanLineFields(std::string_view line, TLineFields& fields, bool commaMode, int fieldLimit,
                   bool countMarks) {
  fields.count = 0;
  fields.commas = 0;
  fieldLimit = std::min(fieldLimit, kFieldLimit);
  const std::size_t n = line.size();
  auto at = [&](std::size_t i) { return i < n ? line[i] : '\0'; };
  auto add = [&](int start, int end) {
    fields.starts[static_cast<std::size_t>(fields.count)] = start;
    fields.ends[static_cast<std::size_t>(fields.count)] = end;
    ++fields.count;
  };
  std::size_t i = 0;
  while (!EndsLine(at(i)) && fields.count < fieldLimit - 1) {
    const char c = at(i);
    if (IsBlank(c)) {
      ++i;
    } else if (c == ',') {
      ++fields.commas;
      if (fields.count == 0) add(kEmptyField, kEmptyField);
      ++i;
      while (IsBlank(at(i))) ++i;
      if (at(i) == ',' && fields.count < fieldLimit - 1) add(kEmptyField, kEmptyField);
    } else if (c == '"' || c == '\'') {
      const std::size_t start = ++i;
      while (!EndsLine(at(i)) && at(i) != c) ++i;
      if (i == start)
        add(kEmptyField, kEmptyField);
      else
        add(static_cast<int>(start), static_cast<int>(i));
      if (at(i) == c) ++i;
    } else if (StartsNumber(c)) {
      const std::size_t start = i;
      while (!EndsLine(at(i)) && !IsBlank(at(i)) && at(i) != ',') ++i;
      add(static_cast<int>(start), static_cast<int>(i));
    } else {
      const std::size_t start = i;
      if (commaMode)
        while (!EndsLine(at(i)) && at(i) != ',') ++i;
      else
        while (!EndsLine(at(i)) && !IsBlank(at(i)) && at(i) != ',') ++i;
      if (countMarks || (c != '*' && c != 'W')) add(static_cast<int>(start), static_cast<int>(i));
    }
  }
  fields.starts[static_cast<std::size_t>(fields.count)] = kFieldListEnd;
  fields.ends[static_cast<std::size_t>(fields.count)] = kFieldListEnd;
  return fields.count;
}

bool DecideCommaMode(TTextReader& file) {
  std::string line;
  TLineFields fields;
  int lines = 0, commaLines = 0;
  for (int k = 0; k < 10 && ReadTextLine(file, line, kDataLineChars); ++k) {
    ++lines;
    const int count = ScanLineFields(line, fields, false, kFieldLimit);
    if (count > 2 && fields.commas > count / 2) ++commaLines;
  }
  file.Rewind();
  return commaLines > lines / 2;
}

long double ParseLineField(std::string_view line, int f, bool commaMode) {
  TLineFields fields;
  ScanLineFields(line, fields, commaMode, kFieldLimit, true);
  return FieldValue(line, fields, f);
}

long double FieldValue(std::string_view line, const TLineFields& fields, int f, TDataRangeNote* note) {
  if (f < 1 || f > fields.count) return ExprErrorValue;
  for (int g = 1; g <= f; ++g)
    if (fields.Text(line, g - 1) == ".") return ExprErrorValue;  // a lone period ends the line
  const std::string_view text = fields.Text(line, f - 1);
  // An exponent of more than three digits puts a number far beyond or below the data's
  // range (the program's own text writes 1e-4000 so): it goes by the range rule, told, rather
  // than pass for text.
  return IsWholeDecimalNumber(text) ? DataValueOf(text, note) : ExprErrorValue;
}

int ParseLineFields(std::string_view line, int f1, int f2, int f3, long double& v1,
                    long double& v2, long double& v3, bool commaMode) {
  TLineFields fields;
  ScanLineFields(line, fields, commaMode, kFieldLimit, true);
  v1 = FieldValue(line, fields, f1);
  v2 = FieldValue(line, fields, f2);
  v3 = FieldValue(line, fields, f3);
  return !IsMissingValue(v1) && !IsMissingValue(v2) && !IsMissingValue(v3) ? 3 : 0;
}
