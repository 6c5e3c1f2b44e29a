// Malformed and hostile input through every routine of the data table and the coded text:
// random bytes, damaged headers and non-finite values. The point of these tests is what
// AddressSanitizer and UndefinedBehaviorSanitizer see while they run; the checks are the
// invariants that must survive any input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "app/coded_text.h"
#include "app/data_sort.h"
#include "app/data_statistics.h"
#include "app/long_double.h"
#include "app/point_table.h"
#include "app/xyz_data_set.h"

namespace {

// A fixed linear congruential sequence, so that every run sees the same input.
class Lcg {
 public:
  explicit Lcg(std::uint32_t seed) : s_(seed) {}
  std::uint32_t Next() {
    s_ = s_ * 1664525u + 1013904223u;
    return s_ >> 8;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

 private:
  std::uint32_t s_;
};

class WidthPerByte : public CodedTextMetrics {
 public:
  bool HasFont(int font) const override { return font != 3; }
  CodedTextExtent Extent(int font, std::string_view text) const override {
    int w = 0;
    for (unsigned char c : text) w += 1 + (c + font) % 7;
    return {w, 9 + font};
  }
};

TEST(HostileInput, RandomBytesThroughEveryCodedTextOperation) {
  Lcg rng(7);
  const WidthPerByte metrics;
  const std::string alphabet = std::string("~~~^`@*&!#$+=-ab(") + '\0' + "\xC0\xFF";
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = rng.Below(40);
    for (int i = 0; i < length; ++i)
      text += rng.Below(4) == 0 ? static_cast<char>(rng.Below(256))
                                : alphabet[static_cast<std::size_t>(rng.Below(static_cast<int>(alphabet.size())))];
    const int limit = rng.Below(50) - 2;
    const std::string_view visible = std::string_view(text).substr(0, text.find('\0'));

    for (const CodedTextPiece& p : ParseCodedText(text, limit))
      ASSERT_LE(p.text.size(), visible.size());
    int shown = -1;
    const int width = MeasureCodedText(metrics, text, limit, &shown);
    ASSERT_GE(width, 0);
    ASSERT_LE(shown, static_cast<int>(visible.size()));
    for (int alignment : {0, 1, 2}) {
      const CodedTextLayout l =
          LayoutCodedText(metrics, text, 100, 100, limit, alignment, rng.Below(2) == 1, true, 0);
      ASSERT_GE(l.result, 0);
      ASSERT_EQ(l.result % 2, 0);
    }
    const std::size_t out_limit = static_cast<std::size_t>(rng.Below(60));
    ASSERT_LE(StripTextCodes(text, out_limit).size(), out_limit);
    ASSERT_LE(CodedTextToCtrlChars(text, out_limit).size(), out_limit);
    std::string grey = text;
    GreyOutTextCodes(grey);
    ASSERT_EQ(grey.size(), text.size());
  }
}

long double Hostile(Lcg& rng) {
  static const long double kValues[] = {
      0, -0.0L, 1, -1, 1e300L, -1e300L, 2e300L, 1e4000L, -1e-4940L,
      std::numeric_limits<long double>::infinity(), -std::numeric_limits<long double>::infinity(),
      std::numeric_limits<long double>::quiet_NaN(), std::numeric_limits<long double>::max(),
      std::numeric_limits<long double>::denorm_min(), -12345.6789L, 3.5L, 3.5L};
  return kValues[rng.Below(static_cast<int>(std::size(kValues)))];
}

PointTable HostileTable(Lcg& rng, int n) {
  PointTable t = NewPointTable(n);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    for (long double* v : {&p.X, &p.Y, &p.Z, &p.W, &p.RXY, &p.RXYZ}) *v = Hostile(rng);
    p.Status = static_cast<char>(rng.Below(256));
    p.CellX = static_cast<std::uint8_t>(rng.Below(256));
    p.CellY = static_cast<std::uint8_t>(rng.Below(256));
  }
  // A header that claims more than the block holds, or nonsense.
  const long double headers[] = {static_cast<long double>(n), 1e30L, -3,
                                 std::numeric_limits<long double>::quiet_NaN()};
  t[0].X = headers[rng.Below(4)];
  return t;
}

TEST(HostileInput, NonFiniteAndDamagedTablesThroughEveryTableOperation) {
  Lcg rng(11);
  for (int round = 0; round < 300; ++round) {
    const int n = rng.Below(40);
    PointTable t = HostileTable(rng, n);

    for (int key = 0; key < kSortKeyCount; key += 1 + rng.Below(3)) SortDataTable(t, key);
    AssignPointCells(t, Hostile(rng), Hostile(rng), rng.Below(300) - 10, Hostile(rng),
                     Hostile(rng), rng.Below(300) - 10, rng.Below(2), rng.Below(2), rng.Below(2),
                     rng.Below(2), rng.Below(2));
    for (int i = 1; i <= PointCount(t); ++i) {
      ASSERT_GE(t[static_cast<std::size_t>(i)].CellX, 1);
      ASSERT_GE(t[static_cast<std::size_t>(i)].CellY, 1);
    }

    TDataStats s;
    const int active = ComputeTableStatistics(t, s);
    if (active > 0) {
      ASSERT_TRUE(std::isfinite(s.X.Mean));
      // Weights summing to 1 or less leave the deviation missing; otherwise it is a spread.
      ASSERT_TRUE(IsMissingValue(s.Z.StdDev) || (std::isfinite(s.Z.StdDev) && s.Z.StdDev >= 0));
    }
    TablePureErrorSums(t);
    CountTableDistinctX(t);
    long double a, b, c, d, e, f;
    ColumnRangeStatistics(t, a, b, c, d, e, f);

    PointTable copy = CopyPoints(t);
    MergeDuplicates(copy, rng.Below(2), rng.Below(2));
    IsCollinearXY(copy, true, nullptr);
    PointsToGridMatrix(copy, 0);
    std::vector<double> gx, gy, gz;
    GridPointsToMatrix(copy, rng.Below(8), rng.Below(8), gx, gy, gz);
    GridPointsToMatrixLD(copy, rng.Below(8), rng.Below(8));
    CompactPoints(copy);

    TXYZ set(t, nullptr);
    set.GetStats(0);
    set.MakeMergedCopy();
    set.ComputeStats(1);
    set.DetectGrid();
    set.BuildScreenIndex(Hostile(rng), Hostile(rng), Hostile(rng), Hostile(rng));
    const int k = rng.Below(n + 2);
    const PointTable near = set.FindNearest(Hostile(rng), Hostile(rng), k);
    if (!near.empty()) {
      ASSERT_GE(PointCount(near), k);
    }
  }
}

}  // namespace
