#include "smooth/engines/scattered_test_suite.h"

#include <algorithm>
#include <cmath>

#include "app/c_format.h"
#include "app/long_double.h"
#include "app/xyz_point.h"
#include "smooth/libs/extension_library.h"

namespace {

constexpr int kFunctions = 10;
constexpr int kPatterns = 5;
constexpr int kGridSize = 33;
constexpr long double kGridStep = 0.03125L;
constexpr int kPointLimit = 100;

// Holds the extension library for the length of a run.
class TTestNP {
 public:
  TTestNP() : held_(LoadNPExtension(true) != 0) {}
  ~TTestNP() {
    if (held_) (void)LoadNPExtension(false);  // giving back always succeeds
  }
  TTestNP(const TTestNP&) = delete;
  TTestNP& operator=(const TTestNP&) = delete;

 private:
  bool held_;
};

// The slots of one method in the variant table: its first slot, its code, its options and
// the option 2 values of its slots in order (a value of -1 is an empty slot).
struct TSlotRange {
  int first, code, option1;
  std::vector<int> option2;
  const char* name;
  bool nameTakesOption;  // each slot's name ends in its option 2
};

const std::vector<TSlotRange>& SlotRanges() {
  static const std::vector<TSlotRange> ranges = {
      {0, 0, 1, {3, 4, 5, 6, 7, 8, 9}, "Akima I", true},
      {10, 1, 1, {9}, "Akima II", false},
      {20, 2, 1, {0}, "Preusser C1", false},
      {21, 2, 2, {0}, "Preusser C2", false},
      {30, 3, 0, {0}, "Renka I", false},
      {31, 3, 0, {1}, "Renka I tns", false},
      {32, 3, 1, {0}, "Renka I cst", false},
      {33, 3, 1, {1}, "Renka I csttns", false},
      {40, 4, 1, {7, 9, 11, 13, 15, 17, 19}, "Renka II C1", true},
      {50, 4, 2, {11, 13, 15, 17, 19, 21, 23, 25}, "Renka II C2", true},
      {58, 5, 2, {11, 13, 15, 17, 18, 19, 21, 23, 25}, "Renka III", true},
      {71, 6, 0, {0}, "Watson C0", false},
      {72, 6, 1, {1, 2, 3, 4, 5}, "Watson C1", true},
  };
  return ranges;
}

// Whether the variant is its method's default ("Defaults" runs only these).
bool IsDefaultVariant(int code, int option1, int option2) {
  switch (code) {
    case 0:
      return option2 == 5;
    case 3:
      return option1 == 0 && option2 == 0;
    case 4:
      return (option1 == 1 && option2 == 13) || (option1 == 2 && option2 == 17);
    case 5:
      return option2 == 18;
    case 6:
      return (option1 == 0 && option2 == 0) || (option1 == 1 && option2 == 5);
    default:
      return true;  // Akima II and both Preusser variants
  }
}

// The values an extension option takes: the range from..to by step under "Vary" when the
// library gives one, else the single value.
std::vector<int> OptionValues(bool vary, int single, int from, int to, int step) {
  if (!vary || (from == 0 && to == 0 && step == 0)) return {single};
  // A step that would never reach the end runs the first value once.
  if (step <= 0) return {from};
  std::vector<int> values;
  for (long long v = from; v <= to && static_cast<int>(values.size()) < kNPTestMaxRange; v += step)
    values.push_back(static_cast<int>(v));
  return values;
}

}  // namespace

void NPTestVariant(int slot, int& code, int& option1, int& option2, std::string& name) {
  code = -1;
  option1 = option2 = 0;
  name.clear();
  for (const TSlotRange& r : SlotRanges()) {
    const int index = slot - r.first;
    if (index < 0 || index >= static_cast<int>(r.option2.size())) continue;
    code = r.code;
    option1 = r.option1;
    option2 = r.option2[static_cast<std::size_t>(index)];
    name = r.nameTakesOption ? CFormat("%s %d", r.name, option2) : std::string(r.name);
    return;
  }
}

std::vector<TNPTestColumn> NPTestColumns(const TNPTestSelection& selection, int count,
                                         const TNPTestItems& items) {
  std::vector<TNPTestColumn> columns;
  for (int slot = 0; slot < kNPTestSlots; ++slot) {
    TNPTestColumn c;
    NPTestVariant(slot, c.code, c.option1, c.option2, c.name);
    if (c.code < 0 || c.code >= static_cast<int>(selection.methods.size()) ||
        !selection.methods[static_cast<std::size_t>(c.code)])
      continue;
    if (selection.vary || IsDefaultVariant(c.code, c.option1, c.option2)) columns.push_back(c);
  }
  count = std::clamp(count, 0, kNPMaxExtensionMethods);
  for (int i = 1; i <= count; ++i) {
    if (!selection.extensions[static_cast<std::size_t>(i - 1)]) continue;
    auto item = [&items, i](int row) { return items[static_cast<std::size_t>(row)][static_cast<std::size_t>(i - 1)]; };
    const std::vector<int> first = OptionValues(selection.vary, item(0), item(1), item(2), item(3));
    const std::vector<int> second = OptionValues(selection.vary, item(4), item(5), item(6), item(7));
    for (const int o1 : first)
      for (const int o2 : second)
        columns.push_back({7 + i, o1, o2, CFormat("Alg%c %d %d", 'A' + i - 1, o1, o2)});
  }
  return columns;
}

std::string NPTestHeader(const std::vector<TNPTestColumn>& columns, bool addErrors) {
  std::string line = "Surface,   Data,";
  for (const TNPTestColumn& c : columns) {
    line += CFormat("%-14s,", c.name.c_str());
    if (addErrors) line += CFormat("%-14s,%-14s,", "MeanErr", "MaxErr");
  }
  return line + "\r\n";
}

std::string NPTestFigures(const std::vector<long double>& estimate,
                          const std::vector<long double>& exact, long double sst, bool addErrors) {
  const std::string missing = CFormat("%14s,", "NA");
  const std::size_t nodes = kGridSize * kGridSize;
  if (estimate.size() < nodes || exact.size() < nodes)
    return addErrors ? missing + missing + missing : missing;
  long double squares = 0, sum = 0, largest = 0;
  for (std::size_t k = 0; k < nodes; ++k) {
    // A node where the estimate or the exact value is undefined (the missing value, or no
    // finite number) leaves the error over the grid undefined: the missing value taken as
    // an estimate made an error of 12345, and "nan" or "inf" in the table read as figures.
    if (!IsUsableValue(estimate[k]) || !IsUsableValue(exact[k]))
      return addErrors ? missing + missing + missing : missing;
    const long double e = std::fabs(estimate[k] - exact[k]);
    squares += e * e;
    sum += e;
    largest = std::max(largest, e);
  }
  std::string out = sst != 0 && std::isfinite(sst) ? CFormat("%14.5Lg,", squares / sst) : missing;
  if (addErrors) out += CFormat("%14.5Lg,%14.5Lg,", sum / nodes, largest);
  return out;
}

std::string RunNPTestSuite(const TNPTestSelection& selection, const TNPTestProgress& progress) {
  TTestNP guard;
  TNPTestItems items;
  const int count = NPExtTestInfo(kPointLimit, items);
  const std::vector<TNPTestColumn> columns = NPTestColumns(selection, count, items);
  std::string report = NPTestHeader(columns, selection.addErrors);
  std::vector<long double> t(kGridSize);
  for (int k = 0; k < kGridSize; ++k) t[static_cast<std::size_t>(k)] = k * kGridStep;
  const int d = std::clamp(selection.derivative, 0, 2);
  for (int s = 1; s <= kFunctions; ++s) {
    for (int p = 1; p <= kPatterns; ++p) {
      if (progress.problem) progress.problem(CFormat("Surface %d  Data Pattern %d", s, p));
      PointTable table = NPExtTestData(p, s, 0);
      if (table.empty()) continue;
      long double sst = 0;
      const std::vector<long double> exact = NPExtTestGrid(s, d, sst);
      report += CFormat("%7d,%7d,", s, p);
      for (const TNPTestColumn& c : columns) {
        if (progress.variant) progress.variant(c.name);
        TNParm3D engine(table, c.code, c.option1, c.option2, false);
        const std::vector<long double> estimate = d == 1   ? engine.GridDx(kGridSize, kGridSize, t, t)
                                                  : d == 2 ? engine.GridDy(kGridSize, kGridSize, t, t)
                                                           : engine.EvalGrid(kGridSize, kGridSize, t, t);
        report += NPTestFigures(estimate, exact, sst, selection.addErrors);
      }
      report += "\r\n";
    }
  }
  return report;
}
