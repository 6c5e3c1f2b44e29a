#include "exchange/sav_writers.h"

#include <readstat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "app/file_utils.h"
#include "app/long_double.h"
#include "platform/cp1252.h"

namespace {

constexpr int kMinRows = 3;
constexpr std::size_t kIdStringChars = 64;  // the header's file label field, in bytes too

struct WriterFree {
  void operator()(readstat_writer_t* w) const { readstat_writer_free(w); }
};
using Writer = std::unique_ptr<readstat_writer_t, WriterFree>;

ssize_t AppendBytes(const void* data, std::size_t length, void* context) {
  auto& out = *static_cast<std::vector<std::uint8_t>*>(context);
  try {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), p, p + length);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return static_cast<ssize_t>(length);
}

struct Column {
  const char* name;
  std::string label;  // coded text; empty: none
  readstat_measure_t measure;
  std::string format;  // print and write format
};

bool Written(const TXYZPoint& p) { return IsUsableValue(p.X) && IsUsableValue(p.Y) && IsUsableValue(p.Z); }

// A value the file gives back as written (to a double's digits): a double holds it, and it is
// none of the format's three marks: -DBL_MAX, the system-missing value, and the next double
// up and DBL_MAX, which mark the open ends of missing-value ranges and which ReadStat, our
// reader among others, reads as system-missing too. Nor may its double be the program's
// missing value, which no reader of ours takes for a point.
bool HeldBySav(long double v) {
  if (!HeldAsDouble(v)) return false;
  const double d = static_cast<double>(v);
  return std::fabs(d) < DBL_MAX && d != -std::nextafter(DBL_MAX, 0.0) && !IsMissingValue(d);
}

struct Axis {
  const char* name;
  long double TXYZPoint::*value;
};
constexpr std::array<Axis, 4> kAxes = {{{"X", &TXYZPoint::X}, {"Y", &TXYZPoint::Y}, {"Z", &TXYZPoint::Z},
                                        {"W", &TXYZPoint::W}}};

// Counts the rows to be written into result.casesWritten, and looks at each of their first
// `axisCount` values (X, Y, Z, W): the first the file cannot hold makes the result
// kValueNotHeld. True when every value is held.
template <typename Kept>
bool CheckRows(std::span<const TXYZPoint> points, Kept kept, std::size_t axisCount, TSavWriteResult& result) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!kept(points[i])) continue;
    ++result.casesWritten;
    for (std::size_t a = 0; a < axisCount; ++a) {
      const long double v = points[i].*kAxes[a].value;
      if (HeldBySav(v)) continue;
      result.status = SavWriteStatus::kValueNotHeld;
      result.refusedRow = static_cast<int>(i) + 1;
      result.refusedAxis = kAxes[a].name;
      result.refusedValue = v;
      return false;
    }
  }
  return true;
}

// The file of the given columns and rows (each row one value per column), in memory; empty
// when the library refuses any step.
template <typename Rows>
std::vector<std::uint8_t> MakeFile(const std::vector<Column>& columns, const std::string& idString,
                                   int weightColumn, int rowCount, Rows forEachRow) {
  std::vector<std::uint8_t> bytes;
  Writer writer(readstat_writer_init());
  if (!writer) return {};
  readstat_writer_t* w = writer.get();
  bool ok = readstat_set_data_writer(w, AppendBytes) == READSTAT_OK &&
            readstat_writer_set_compression(w, READSTAT_COMPRESS_ROWS) == READSTAT_OK;
  // The header's label field holds 64 bytes: the title is cut there without splitting a
  // character of its UTF-8 form.
  if (ok && !idString.empty())
    ok = readstat_writer_set_file_label(
             w, platform::Cp1252ToUtf8(idString.substr(0, kIdStringChars), kIdStringChars).c_str()) == READSTAT_OK;
  std::vector<readstat_variable_t*> variables;
  for (const Column& c : columns) {
    readstat_variable_t* v = ok ? readstat_add_variable(w, c.name, READSTAT_TYPE_DOUBLE, 0) : nullptr;
    ok = v != nullptr;
    if (!ok) break;
    if (!c.label.empty()) readstat_variable_set_label(v, platform::Cp1252ToUtf8(c.label).c_str());
    readstat_variable_set_measure(v, c.measure);
    readstat_variable_set_format(v, c.format.c_str());
    variables.push_back(v);
  }
  if (ok && weightColumn >= 0)
    ok = readstat_writer_set_fweight_variable(w, variables[static_cast<std::size_t>(weightColumn)]) == READSTAT_OK;
  ok = ok && readstat_begin_writing_sav(w, &bytes, rowCount) == READSTAT_OK;
  const auto writeRow = [&](std::span<const double> values) {
    ok = ok && readstat_begin_row(w) == READSTAT_OK;
    for (std::size_t k = 0; ok && k < values.size(); ++k)
      ok = readstat_insert_double_value(w, variables[k], values[k]) == READSTAT_OK;
    ok = ok && readstat_end_row(w) == READSTAT_OK;
  };
  if (ok) forEachRow(writeRow);
  ok = ok && readstat_end_writing(w) == READSTAT_OK;
  if (!ok) return {};
  return bytes;
}

TSavWriteResult Save(const std::string& path, const std::vector<std::uint8_t>& bytes, TSavWriteResult result) {
  if (bytes.empty() || !SaveGlobalToFile(bytes, path)) result.status = SavWriteStatus::kCannotWrite;
  return result;
}

// The print format of column k of the rows.
template <std::size_t N>
std::string ColumnFormat(const std::vector<std::array<double, N>>& rows, std::size_t k) {
  std::vector<double> values;
  values.reserve(rows.size());
  for (const auto& row : rows) values.push_back(row[k]);
  return SavPrintFormat(values);
}

// The label of a coordinate variable: its axis name, or the variable's name without one.
std::string AxisLabel(const std::string& name, const char* variable) { return name.empty() ? variable : name; }

}  // namespace

std::string SavPrintFormat(std::span<const double> values) {
  // A double shows at up to 15 significant digits the decimal it was written from: more may
  // show its binary remainder (431491.98999999999 for 431491.99 at 11 decimals).
  constexpr int kMaxWidth = 40, kMaxDecimals = 16, kDoubleDigits = 15;
  struct Digits {
    int significant, exponent;
  };
  std::vector<Digits> digits;  // of each finite non-zero value
  bool any = false, negative = false;
  for (const double d : values) {
    if (!std::isfinite(d)) continue;
    any = true;
    negative = negative || d < 0;
    if (d == 0) continue;
    // The shortest digits that give the double back, and the decimal exponent of the first.
    char text[64];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text - 1, d, std::chars_format::scientific);
    if (r.ec != std::errc()) continue;
    *r.ptr = '\0';
    const char* e = std::strchr(text, 'e');
    int count = 0;
    for (const char* c = text; c != e; ++c)
      if (*c >= '0' && *c <= '9') ++count;
    digits.push_back({count, e != nullptr ? std::atoi(e + 1) : 0});
  }
  if (!any) return "F8.2";
  int decimals = 0, integerDigits = 1, significant = 1;
  for (const Digits& v : digits) {
    decimals = std::max(decimals, v.significant - 1 - v.exponent);
    integerDigits = std::max(integerDigits, v.exponent + 1);
    significant = std::max(significant, v.significant);
  }
  const int width = (negative ? 1 : 0) + integerDigits + (decimals > 0 ? decimals + 1 : 0);
  // F shows every value to the column's decimals: no more digits than the value needs, or
  // than a double shows as written.
  bool fixed = decimals <= kMaxDecimals && width <= kMaxWidth;
  for (const Digits& v : digits)
    fixed = fixed && v.exponent + 1 + decimals <= std::max(kDoubleDigits, v.significant);
  if (fixed) return "F" + std::to_string(width) + "." + std::to_string(decimals);
  // E shows each value with the same significant digits. Sign, a digit, the point, the
  // decimals and an exponent of up to three digits.
  const int eDecimals = std::min(significant, kDoubleDigits) - 1;
  return "E" + std::to_string(eDecimals + 8) + "." + std::to_string(eDecimals);
}

TSavWriteResult WriteOkapSav(const std::string& path, std::span<const TXYZPoint> table,
                             const TDataTitles& titles) {
  TSavWriteResult result;
  result.tableRows = PointCount(table);
  if (result.tableRows < kMinRows) {
    result.status = SavWriteStatus::kTooFewRows;
    return result;
  }
  const std::span<const TXYZPoint> points = PointsOf(table);
  if (!CheckRows(points, Written, 4, result)) return result;
  std::vector<std::array<double, 5>> rows;
  for (const TXYZPoint& p : points) {
    if (!Written(p)) continue;
    rows.push_back({static_cast<double>(p.X), static_cast<double>(p.Y), static_cast<double>(p.Z),
                    IsActive(p) ? 1.0 : 0.0, static_cast<double>(p.W)});
  }
  const std::vector<Column> columns = {
      {"XVAR", AxisLabel(titles.XName, "XVAR"), READSTAT_MEASURE_SCALE, ColumnFormat(rows, 0)},
      {"YVAR", AxisLabel(titles.YName, "YVAR"), READSTAT_MEASURE_SCALE, ColumnFormat(rows, 1)},
      {"ZVAR", AxisLabel(titles.ZName, "ZVAR"), READSTAT_MEASURE_SCALE, ColumnFormat(rows, 2)},
      {"ACTIVE", "State", READSTAT_MEASURE_NOMINAL, ColumnFormat(rows, 3)},
      {"WEIGHT", "Weights", READSTAT_MEASURE_SCALE, ColumnFormat(rows, 4)},
  };
  const bool weighted = table[0].W == 1;
  const auto bytes = MakeFile(columns, titles.Title, weighted ? 4 : -1, result.casesWritten, [&](auto writeRow) {
    for (const auto& row : rows) writeRow(row);
  });
  return Save(path, bytes, result);
}

TSavWriteResult WriteOkapSavXYZ(const std::string& path, std::span<const TXYZPoint> table) {
  TSavWriteResult result;
  result.tableRows = PointCount(table);
  if (result.tableRows < kMinRows) {
    result.status = SavWriteStatus::kTooFewRows;
    return result;
  }
  const std::span<const TXYZPoint> points = PointsOf(table);
  const auto kept = [](const TXYZPoint& p) { return Written(p) && IsActive(p); };
  if (!CheckRows(points, kept, 3, result)) return result;
  std::vector<std::array<double, 3>> rows;
  for (const TXYZPoint& p : points)
    if (kept(p)) rows.push_back({static_cast<double>(p.X), static_cast<double>(p.Y), static_cast<double>(p.Z)});
  const std::vector<Column> columns = {{"XVAR", "", READSTAT_MEASURE_SCALE, ColumnFormat(rows, 0)},
                                       {"YVAR", "", READSTAT_MEASURE_SCALE, ColumnFormat(rows, 1)},
                                       {"ZVAR", "", READSTAT_MEASURE_SCALE, ColumnFormat(rows, 2)}};
  const auto bytes = MakeFile(columns, "", -1, result.casesWritten, [&](auto writeRow) {
    for (const auto& row : rows) writeRow(row);
  });
  return Save(path, bytes, result);
}
