#include "exchange/sav_writers.h"

#include <readstat.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
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

// The label of a coordinate variable: its axis name, or the variable's name without one.
std::string AxisLabel(const std::string& name, const char* variable) { return name.empty() ? variable : name; }

}  // namespace

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
  const std::vector<Column> columns = {
      {"XVAR", AxisLabel(titles.XName, "XVAR"), READSTAT_MEASURE_SCALE},
      {"YVAR", AxisLabel(titles.YName, "YVAR"), READSTAT_MEASURE_SCALE},
      {"ZVAR", AxisLabel(titles.ZName, "ZVAR"), READSTAT_MEASURE_SCALE},
      {"ACTIVE", "State", READSTAT_MEASURE_NOMINAL},
      {"WEIGHT", "Weights", READSTAT_MEASURE_SCALE},
  };
  const bool weighted = table[0].W == 1;
  const auto bytes = MakeFile(columns, titles.Title, weighted ? 4 : -1, result.casesWritten, [&](auto writeRow) {
    for (const TXYZPoint& p : points) {
      if (!Written(p)) continue;
      const std::array<double, 5> row = {static_cast<double>(p.X), static_cast<double>(p.Y), static_cast<double>(p.Z),
                                         IsActive(p) ? 1.0 : 0.0, static_cast<double>(p.W)};
      writeRow(row);
    }
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
  const std::vector<Column> columns = {{"XVAR", "", READSTAT_MEASURE_SCALE},
                                       {"YVAR", "", READSTAT_MEASURE_SCALE},
                                       {"ZVAR", "", READSTAT_MEASURE_SCALE}};
  const auto bytes = MakeFile(columns, "", -1, result.casesWritten, [&](auto writeRow) {
    for (const TXYZPoint& p : points) {
      if (!kept(p)) continue;
      const std::array<double, 3> row = {static_cast<double>(p.X), static_cast<double>(p.Y), static_cast<double>(p.Z)};
      writeRow(row);
    }
  });
  return Save(path, bytes, result);
}
