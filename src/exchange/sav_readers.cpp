#include "exchange/sav_readers.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/c_format.h"
#include "app/long_double.h"
#include "exchange/reader_contract.h"
#include "exchange/sav_file.h"

namespace {

constexpr std::size_t kListedLabelChars = 40;
constexpr std::array<const char*, 5> kOwnVariables = {"XVAR", "YVAR", "ZVAR", "ACTIVE", "WEIGHT"};
enum OwnVariable { kXVar, kYVar, kZVar, kActive, kWeight };

int FailureCode(TSavStatus status) { return status == TSavStatus::kCannotOpen ? -1 : -2; }

TReadError ReadErrorOf(TSavStatus status) {
  return status == TSavStatus::kCannotOpen ? TReadError::kCannotOpen : TReadError::kMalformed;
}

// A value as the chosen-variable readers take it: missing when it is the system-missing
// value or one of its variable's missing values; the double nearest +-1e300 is +-1e300
// (DataValueOfDouble).
long double Converted(const TSavValue& v) {
  return v.systemMissing || v.userMissing ? ExprErrorValue : DataValueOfDouble(v.value);
}
// The same with only the system-missing value missing (the program's own files).
long double Raw(const TSavValue& v) {
  return v.systemMissing ? ExprErrorValue : DataValueOfDouble(v.value);
}
// A number the file holds that is the program's missing value -12345.6789 (not a mark of
// the file's own): the row it is in makes no point, and is told so.
bool HoldsMissingValue(std::span<const TSavValue> values) {
  return std::any_of(values.begin(), values.end(), [](const TSavValue& v) {
    return !v.systemMissing && !v.userMissing && !v.notFinite && IsMissingValue(v.value);
  });
}

std::string TrimTrailing(std::string text) {
  const std::size_t end = text.find_last_not_of(" \t\n\r");
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

std::string AxisName(const TSavVariable& v) { return v.label.empty() ? v.name : v.label; }
int AxisNameUnheld(const TSavVariable& v) { return v.label.empty() ? v.nameUnheld : v.labelUnheld; }

// The 0-based index of a 1-based variable number that names a numeric variable, or -1.
int NumericVariable(const TSavDictionary& d, int number) {
  if (number < 1 || number > static_cast<int>(d.variables.size())) return -1;
  return d.variables[static_cast<std::size_t>(number - 1)].numeric ? number - 1 : -1;
}

}  // namespace

bool IsOwnSavDictionary(const TSavDictionary& d) {
  if (d.variables.size() != kOwnVariables.size()) return false;
  for (std::size_t i = 0; i < kOwnVariables.size(); ++i)
    if (!d.variables[i].numeric || d.variables[i].name != kOwnVariables[i]) return false;
  return true;
}

int ListOkapVariables(const std::string& path, std::vector<std::string>& list, std::size_t capacity) {
  list.clear();
  TSavDictionary d;
  if (const TSavStatus s = ReadSavDictionary(path, d); s != TSavStatus::kOk)
    return s == TSavStatus::kMalformed ? kListMalformed : 0;
  for (std::size_t i = 0; i < d.variables.size() && list.size() < capacity; ++i) {
    const TSavVariable& v = d.variables[i];
    if (!v.numeric) continue;
    std::string entry = CFormat("%d %s", static_cast<int>(i + 1), v.name.c_str());
    if (!v.label.empty()) entry += " [" + v.label.substr(0, kListedLabelChars) + "]";
    list.push_back(std::move(entry));
  }
  return static_cast<int>(list.size());
}

namespace {

// The chosen variables paired case by case, with the cases past the arrays' room counted.
int ReadPairedVariables(const std::string& path, std::span<const int> variables, TPairedColumns& paired) {
  paired.assign(variables.size(), NewColumnArray());
  TSavDictionary d;
  if (const TSavStatus s = ReadSavDictionary(path, d); s != TSavStatus::kOk) return FailureCode(s);
  std::vector<int> indices;
  for (const int number : variables) {
    const int index = NumericVariable(d, number);
    if (index < 0) return -2;
    indices.push_back(index);
  }
  TColumnPairs pairs(variables.size());
  std::vector<long double> row(variables.size());
  const TSavStatus s = ReadSavCases(path, indices, [&](std::span<const TSavValue> values) {
    for (std::size_t k = 0; k < values.size(); ++k) row[k] = Converted(values[k]);
    // Rows with a missing value pair nothing: the cases read are bounded as a whole-file read's.
    return pairs.AddRow(row);
  });
  if (s != TSavStatus::kOk) return FailureCode(s);
  const int kept = pairs.Count();
  paired = pairs.Take();
  return kept;
}

}  // namespace

int ReadOkapVariables(const std::string& path, const std::vector<int>& variables,
                      std::vector<TColumnArray>& arrays) {
  TPairedColumns paired;
  const int n = ReadPairedVariables(path, variables, paired);
  arrays = std::move(paired);
  return n;
}

int ReadOkapVariablePair(const std::string& path, int x, int y, TColumnArray& xs, TColumnArray& ys) {
  std::vector<TColumnArray> arrays;
  const int n = ReadOkapVariables(path, {x, y}, arrays);
  xs = std::move(arrays[0]), ys = std::move(arrays[1]);
  return n;
}

int ReadOkapVariables3(const std::string& path, int x, int y, int z, TColumnArray& xs,
                       TColumnArray& ys, TColumnArray& zs) {
  std::vector<TColumnArray> arrays;
  const int n = ReadOkapVariables(path, {x, y, z}, arrays);
  xs = std::move(arrays[0]), ys = std::move(arrays[1]), zs = std::move(arrays[2]);
  return n;
}

TPairedColumns ReadOkapColumnPairs(const std::string& path, std::span<const int> variables) {
  TPairedColumns paired;
  if (variables.empty() || ReadPairedVariables(path, variables, paired) < 0) return {};
  return paired;
}

TColumnArray ReadOkapVariable(const std::string& path, int variable) {
  TSavDictionary d;
  if (ReadSavDictionary(path, d) != TSavStatus::kOk) return {};
  const int index = NumericVariable(d, variable);
  if (index < 0) return {};
  TColumnArray column = NewColumnArray();
  const int chosen[] = {index};
  int cases = 0;
  const TSavStatus s = ReadSavCases(path, chosen, [&](std::span<const TSavValue> values) {
    AppendColumnValue(column, Converted(values[0]));
    // Missing values fill no column: the cases read are bounded as a whole-file read's.
    return column[0] < kMaxColumnValues && ++cases < kPointsCountBound;
  });
  if (s != TSavStatus::kOk) return {};
  return column;
}

namespace {

// A file that broke off inside its cases, or holds fewer than its header counts: the cases
// read are kept and the user is told (they were kept without a word).
void NoteCasesEnd(const TSavCasesEnd& end, int cases, TReadResult& result) {
  if (end.cut) result.damagedAfterRow = cases;
  if (end.casesInHeader > cases) {
    result.recordsInHeader = end.casesInHeader;
    result.recordsInFile = cases;
  }
}

}  // namespace

TReadResult ReadOkapSav(const TReadArgs& args) {
  TSavDictionary d;
  if (const TSavStatus s = ReadSavDictionary(args.path, d); s != TSavStatus::kOk) return FailedRead(ReadErrorOf(s));
  const bool weighted = args.colW > 0;
  std::vector<int> indices;
  for (const int number : {args.colX, args.colY, args.colZ}) indices.push_back(NumericVariable(d, number));
  if (weighted) indices.push_back(NumericVariable(d, args.colW));
  for (const int index : indices)
    if (index < 0) return FailedRead(TReadError::kMalformed);

  TReadResult result;
  result.titles.SetTitle(TrimTrailing(d.fileLabel));
  result.titles.SetXName(AxisName(d.variables[static_cast<std::size_t>(indices[0])]));
  result.titles.SetYName(AxisName(d.variables[static_cast<std::size_t>(indices[1])]));
  result.titles.SetZName(AxisName(d.variables[static_cast<std::size_t>(indices[2])]));
  result.unheldCharacters = d.fileLabelUnheld;
  for (int k = 0; k < 3; ++k) result.unheldCharacters += AxisNameUnheld(d.variables[static_cast<std::size_t>(indices[k])]);
  TPointCollector points(args, result);
  int cases = 0;
  // Cases of missing values make no point and cost a byte each in a compressed file: the
  // bound counts cases.
  TSavCasesEnd end;
  const TSavStatus s = ReadSavCases(
      args.path, indices,
      [&](std::span<const TSavValue> v) {
        ++cases;
        if (!points.Case()) return false;
        const std::array<long double, 4> row = {Converted(v[0]), Converted(v[1]), Converted(v[2]),
                                                weighted ? Converted(v[3]) : 1.0L};
        if (std::any_of(v.begin(), v.end(), [](const TSavValue& value) { return value.notFinite; }))
          points.SkipNonFiniteRow();
        else if (HoldsMissingValue(v))
          points.SkipMissingValueRow();
        else if (IsIncompleteRow(std::span(row.data(), weighted ? 4 : 3)))
          points.SkipRow();  // a missing value beside a number: no point, and told
        else
          (void)points.AddSignedWeight(row[0], row[1], row[2], row[3]);
        return !points.Done();
      },
      &end);
  if (s != TSavStatus::kOk) return FailedRead(ReadErrorOf(s));
  if (cases < 1) return FailedRead(TReadError::kMalformed);
  NoteCasesEnd(end, cases, result);
  result.weighted = weighted && !result.points.empty();
  return result;
}

TReadResult ReadOkapSavOwn(const TReadArgs& args) {
  TSavDictionary d;
  if (const TSavStatus s = ReadSavDictionary(args.path, d); s != TSavStatus::kOk) return FailedRead(ReadErrorOf(s));
  if (!IsOwnSavDictionary(d)) return FailedRead(TReadError::kMalformed);
  TReadResult result;
  result.titles.SetTitle(TrimTrailing(d.fileLabel));
  result.titles.SetXName(d.variables[kXVar].label);
  result.titles.SetYName(d.variables[kYVar].label);
  result.titles.SetZName(d.variables[kZVar].label);
  result.unheldCharacters = d.fileLabelUnheld + d.variables[kXVar].labelUnheld + d.variables[kYVar].labelUnheld +
                            d.variables[kZVar].labelUnheld;
  TPointCollector points(args, result);
  const int all[] = {kXVar, kYVar, kZVar, kActive, kWeight};
  int cases = 0;
  TSavCasesEnd end;
  const TSavStatus s = ReadSavCases(
      args.path, all,
      [&](std::span<const TSavValue> v) {
        ++cases;
        if (!points.Case()) return false;
        const long double x = Raw(v[kXVar]), y = Raw(v[kYVar]), z = Raw(v[kZVar]), w = Raw(v[kWeight]);
        // The program writes only points: a case without one (a value missing, or no finite
        // number) was passed over without a word.
        const std::array<long double, 4> row = {x, y, z, w};
        if (std::any_of(v.begin(), v.end(), [](const TSavValue& value) { return value.notFinite; })) {
          points.SkipNonFiniteRow();
          return true;
        }
        if (HoldsMissingValue(v.first(kActive)) || HoldsMissingValue(v.subspan(kWeight, 1))) {
          points.SkipMissingValueRow();
          return true;
        }
        if (!std::all_of(row.begin(), row.end(), IsUsableValue)) {
          if (std::any_of(row.begin(), row.end(), IsUsableValue)) points.SkipRow();
          return true;
        }
        // The state decides alone: a point written inactive comes back inactive whatever its
        // weight (a weight of 0 has no sign to carry the mark).
        const bool inactive = !v[kActive].systemMissing && v[kActive].value == 0;
        (void)points.Add(x, y, z, std::fabs(w), inactive && args.filterN == 1 ? kPointInactive : kPointActive);
        return !points.Done();
      },
      &end);
  if (s != TSavStatus::kOk) return FailedRead(ReadErrorOf(s));
  NoteCasesEnd(end, cases, result);
  result.weighted = d.weightVariable >= 0 && !result.points.empty();
  return result;
}
