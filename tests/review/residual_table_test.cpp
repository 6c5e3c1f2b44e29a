// The residual graph's table: the residual of a point in each mode, the points left out, the
// packed points of the surface mode, and the files: a text of exactly 79 bytes a point, and
// worksheets that gnumeric reads back to the same X, Y and residuals.
#include "review/residual_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/c_format.h"
#include "app/long_double.h"
#include "app/worksheet_records.h"
#include "expr/eval_context.h"
#include "support/scratch_files.h"

namespace {

TXYZPoint Point(long double x, long double y, long double z, char status = kPointActive) {
  TXYZPoint p;
  p.X = x;
  p.Y = y;
  p.Z = z;
  p.W = 1;
  p.Status = status;
  return p;
}

PointTable Table(std::initializer_list<TXYZPoint> points) {
  PointTable t = NewPointTable(static_cast<int>(points.size()));
  std::copy(points.begin(), points.end(), t.begin() + 1);
  return t;
}

// f = 1 + x + y, failing where x is 7 (a math error) and missing where x is 8.
long double Plane(long double x, long double y) {
  if (x == 7) ExprThreadContext().ExprMathError = 1;
  if (x == 8) return ExprErrorValue;
  return 1 + x + y;
}

TEST(ResidualTable, ResidualOfEachMode) {
  const long double s = 0.5L;
  const struct {
    int kind;
    long double z, fitted;
    const long double* stdError;
    long double expected;
  } cases[] = {
      {kResidualPlain, 3, 2.5L, &s, 0.5L},      {kResidualSurface, 3, 2.5L, nullptr, 0.5L},
      {kResidualPercent, 4, 3, &s, 25},         {kResidualPercent, 0, 3, &s, 0},  // Z = 0: 0
      {kResidualPercent, -2, -1, &s, 50},       {kResidualStandard, 3, 2, &s, 2},
      {kResidualStandard, 3, 2, nullptr, 0},  // no fit record
  };
  for (const auto& c : cases) EXPECT_EQ(ResidualOf(c.kind, c.z, c.fitted, c.stdError), c.expected) << c.kind;
  const long double zero = 0;
  EXPECT_EQ(ResidualOf(kResidualStandard, 3, 2, &zero), 0);  // s = 0: 0
}

TEST(ResidualTable, InactiveFailingAndMissingPointsAreLeftOut) {
  const PointTable t = Table({Point(1, 2, 4.5L), Point(2, 2, 9, kPointInactive), Point(7, 0, 8), Point(8, 0, 9),
                              Point(3, 1, 4)});
  const std::vector<TResidualRow> rows = ResidualRows(t, Plane, kResidualPlain, nullptr);
  EXPECT_EQ(rows, (std::vector<TResidualRow>{{1, 2, 0.5L}, {3, 1, -1}}));
  // The error flag of a failed point does not leak to the next one.
  EXPECT_EQ(ExprThreadContext().ExprMathError, 0);
  const PointTable packed = ResidualPointTable(t, Plane);
  ASSERT_EQ(PointCount(packed), 2);
  ASSERT_EQ(packed.size(), 3u);
  EXPECT_EQ(packed[1].X, 1);
  EXPECT_EQ(packed[1].Z, 0.5L);
  EXPECT_EQ(packed[2].X, 3);
  EXPECT_EQ(packed[2].Z, -1);
}

TEST(ResidualTable, TextIsSeventyNineBytesAPointAndNothingElse) {
  const std::vector<TResidualRow> rows = {
      {1, 2, 0.5L}, {-1.2345678901234567e-300L, 9.87654321e300L, -0.0L}, {1e-4900L, -1e4900L, 123456789.123456789L}};
  const std::string text = ResidualText(rows);
  ASSERT_EQ(text.size(), 79 * rows.size());
  EXPECT_EQ(text.find('\0'), std::string::npos);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const std::string line = text.substr(79 * k, 79);
    EXPECT_EQ(line, CFormat("%25.17Lg %25.17Lg %25.17Lg\r\n", rows[k].x, rows[k].y, rows[k].r));
    EXPECT_EQ(line.substr(77), "\r\n");
  }
  EXPECT_EQ(text.substr(0, 79), "                        1                         2                       0.5\r\n");
  EXPECT_EQ(ResidualText({}), "");
  // A point read from a file of doubles shows as written ("0.00086080047", not
  // "0.00086080046999999996"); its residual keeps all its digits.
  const TResidualRow fromDoubles{static_cast<double>(0.00086080047), static_cast<double>(-0.67346939), 1.0L / 3};
  EXPECT_EQ(ResidualText({&fromDoubles, 1}),
            "            0.00086080047               -0.67346939       0.33333333333333333\r\n");
}

TEST(ResidualTable, WorksheetsEndWithTheirLastRecord) {
  const std::vector<TResidualRow> rows = {{1, 2, 0.5L}, {3, 4, -0.25L}};
  const std::vector<std::uint8_t> wk1 = ResidualWorksheet(rows, 1);
  // Header, six numbers and the end record: nothing after it.
  EXPECT_EQ(wk1.size(), kWK1HeaderSize + 6 * kWK1NumberSize + kWK1EofSize);
  const std::vector<std::uint8_t> wk3 = ResidualWorksheet(rows, 3);
  EXPECT_EQ(wk3.size(), kWK3HeaderSize + 6 * kWK3NumberSize + kWK3TrailerSize);
}

// What gnumeric reads from a worksheet we wrote, one row of numbers a line.
std::vector<std::vector<double>> ReadBack(const std::string& sheet, const std::string& csv) {
  const std::string command = "LC_ALL=C.UTF-8 ssconvert -I Gnumeric_lotus:lotus '" + sheet + "' '" + csv + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::vector<std::vector<double>> out;
  std::istringstream in(ReadText(csv));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<double> row;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) row.push_back(std::strtod(cell.c_str(), nullptr));
    out.push_back(row);
  }
  return out;
}

TEST(ResidualTable, GnumericReadsTheSameResidualsFromBothWorksheets) {
  if (std::system("command -v ssconvert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ssconvert";
  ScratchDir dir;
  const PointTable t = Table({Point(0.1L, -2, 3.25L), Point(1e-7L, 250, -17.5L), Point(-3.5L, 0.001L, 1e5L),
                              Point(2, 2, 6.125L)});
  for (int kind : {kResidualPlain, kResidualPercent}) {
    const std::vector<TResidualRow> rows = ResidualRows(t, Plane, kind, nullptr);
    ASSERT_EQ(rows.size(), 4u);
    for (const char* name : {"r.wk1", "r.wk3"}) {
      const std::string path = dir.File(name);
      ASSERT_TRUE(WriteResidualFile(path, rows));
      const std::vector<std::vector<double>> back = ReadBack(path, dir.File("r.csv"));
      ASSERT_EQ(back.size(), rows.size()) << name;
      for (std::size_t k = 0; k < rows.size(); ++k) {
        ASSERT_EQ(back[k].size(), 3u) << name << " row " << k;
        const long double expected[3] = {rows[k].x, rows[k].y, rows[k].r};
        for (int c = 0; c < 3; ++c) {
          const double e = static_cast<double>(expected[c]);
          EXPECT_NEAR(back[k][static_cast<std::size_t>(c)], e, 1e-14 * std::fabs(e)) << name << " " << k << "," << c;
        }
      }
    }
  }
}

TEST(ResidualTable, TextFileHoldsExactlyTheRows) {
  ScratchDir dir;
  const PointTable t = Table({Point(1, 2, 4.5L), Point(2, 2, 9, kPointInactive), Point(3, 1, 4)});
  const std::vector<TResidualRow> rows = ResidualRows(t, Plane, kResidualPlain, nullptr);
  for (const char* name : {"r.prn", "r.dat", "r.txt"}) {
    ASSERT_TRUE(WriteResidualFile(dir.File(name), rows));
    const std::string text = ReadText(dir.File(name));
    EXPECT_EQ(text.size(), 79u * 2) << name;
    EXPECT_EQ(text, ResidualText(rows));
  }
  // A folder that is a file: nothing can be written there.
  EXPECT_FALSE(WriteResidualFile(dir.File("r.prn") + "/r.prn", rows));
}

}  // namespace
