// The evaluation table's lines and rows: numbering, columns, limits and their labels, and
// the exports (text, worksheets, the point table of the .sav writer, rich and WordStar text)
// with the rows that hold the missing value left out.
#include "tools/evaluation_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "app/long_double.h"
#include "app/settings_file.h"
#include "support/scratch_files.h"

namespace {

std::string Field(const std::string& s) { return s + std::string(14 - s.size(), ' '); }

// A plane z = x + y whose band half-widths are 0.5 (confidence) and 2 (prediction).
TEvalSurface Plane() {
  TEvalSurface s;
  s.z = [](long double x, long double y) { return x + y; };
  s.confidenceLimit = [](long double, long double, long double) { return 0.5L; };
  s.predictionLimit = [](long double, long double, long double) { return 2.0L; };
  return s;
}

class EvalTableTest : public ::testing::Test {
 protected:
  void SetUp() override { CurrentSettings() = DefaultSettings(1280, 1024); }
  TMFile lines{"", 16384};
  TEvalTable table{lines};
};

TEST_F(EvalTableTest, LinesAreNumberedFromOneAndClearingStartsAgain) {
  const TEvalSurface s = Plane();
  const TEvalLimitChoice none;
  for (int i = 0; i < 2; ++i) EXPECT_EQ(table.Add(MakeEvalLine(s, none, kEvalZ, 1, 2.25L, 3.25L)), i);
  EXPECT_EQ(std::string(lines.GetLine(0)),
            "    1.  ~#" + Field("1") + "~#  ~!" + Field("2.25") + "~!  ~$" + Field("3.25") + "~$  Z=F(X,Y)");
  EXPECT_EQ(std::string(lines.GetLine(1)).substr(0, 8), "    2.  ");
  const std::uint8_t* attr = lines.GetLineAttr(0);
  EXPECT_EQ((std::vector<int>(attr, attr + 6)), (std::vector<int>{8, 20, 20, 20, 8, 0}));
  table.Clear();
  EXPECT_EQ(table.RowCount(), 0);
  table.Add(MakeEvalLine(s, none, kEvalDzDx, 5, 6, 1));
  EXPECT_EQ(std::string(lines.GetLine(0)).substr(0, 8), "    1.  ");
  EXPECT_EQ(table.Row(0).x, 5);
}

TEST_F(EvalTableTest, LimitColumnsCarryTheLevelLabelAndOnlyForValuesAndRoots) {
  const TEvalSurface s = Plane();
  const TEvalLimitChoice conf = MakeLimitChoice(EvalLimits::kConfidence, "95.00");
  const TEvalLimitChoice pred = MakeLimitChoice(EvalLimits::kPrediction, "99.90");
  table.Add(MakeEvalLine(s, conf, kEvalZ, 1, 2, 3));
  EXPECT_EQ(std::string(lines.GetLine(0)), "    1.  ~#" + Field("1") + "~#  ~!" + Field("2") + "~!  ~$" + Field("3") +
                                               "~$  ~#" + Field("2.5") + "~#  ~#" + Field("3.5") +
                                               "~#  Z=F(X,Y) 95.00%ConfLim");
  const std::uint8_t* attr = lines.GetLineAttr(0);
  EXPECT_EQ((std::vector<int>(attr, attr + 8)), (std::vector<int>{8, 20, 20, 20, 20, 20, 8 + 1 + 13, 0}));
  // Prediction limits in the other colour; a root line too; a failed root shows "Error" for
  // its band.
  table.Add(MakeEvalLine(s, pred, kEvalRootX, 0.5L, 2, 2.5L));
  EXPECT_NE(std::string(lines.GetLine(1)).find("~!" + Field("0.5") + "~!  ~!" + Field("4.5") + "~!  X=Root(Z,Y) 99.90%PredLim"),
            std::string::npos);
  table.Add(MakeEvalLine(s, pred, kEvalRootX, ExprErrorValue, 2, 2.5L));
  EXPECT_NE(std::string(lines.GetLine(2)).find("~!" + Field("Error") + "~!  ~!" + Field("Error") + "~!  X=Root"),
            std::string::npos);
  // Derivatives never carry limits, nor does a surface that has none.
  const TEvalLine d = MakeEvalLine(s, conf, kEvalD2zDxDy, 1, 2, 0);
  EXPECT_FALSE(d.hasLimits);
  TEvalSurface bare = s;
  bare.confidenceLimit = nullptr;
  EXPECT_FALSE(bare.LimitsAvailable());
  EXPECT_FALSE(MakeEvalLine(bare, conf, kEvalZ, 1, 2, 3).hasLimits);
}

// The NUMBER cells of a worksheet image: (row, column) -> value.
std::map<std::pair<int, int>, long double> Cells(const std::vector<std::uint8_t>& image) {
  std::map<std::pair<int, int>, long double> cells;
  bytes::ByteReader r(image);
  while (r.Remaining() >= 4) {
    const int op = r.U16(), length = r.U16();
    const std::size_t next = r.Offset() + static_cast<std::size_t>(length);
    if (op == 0x0E) {  // WK1: format, column, row, double
      r.U8();
      const int column = r.U16(), row = r.U16();
      cells[{row, column}] = r.F64();
    } else if (op == 0x17) {  // WK3: row, sheet, column, 80-bit
      const int row = r.U16();
      r.U8();
      const int column = r.U8();
      cells[{row, column}] = r.Extended();
    }
    if (!r.Seek(next)) break;
  }
  return cells;
}

TEST_F(EvalTableTest, RowsWithAMissingValueAreLeftOutOfTextAndWorksheets) {
  const TEvalSurface s = Plane();
  const TEvalLimitChoice none;
  table.Add(MakeEvalLine(s, none, kEvalZ, 1.0L / 3, 2, 3));
  table.Add(MakeEvalLine(s, none, kEvalZ, 4, 5, ExprErrorValue));
  table.Add(MakeEvalLine(s, none, kEvalZ, -7, 8e-300L, 1e300L));
  EXPECT_NE(std::string(lines.GetLine(1)).find("~$" + Field("Error") + "~$"), std::string::npos);
  const std::string text = table.TextBlock();
  EXPECT_EQ(text,
            "0.33333333333333333        2                          3                        \r\n"
            "-7                         8e-300                     1e+300                   \r\n");
  EXPECT_EQ(text.find("\r\r"), std::string::npos);
  EXPECT_EQ(text.find('\0'), std::string::npos);
  // Worksheet rows follow the lines: row 1 stays empty.
  for (int form : {1, 3}) {
    const auto cells = Cells(table.WorksheetImage(form));
    ASSERT_EQ(cells.size(), 6u) << form;
    EXPECT_EQ(cells.count({1, 2}), 0u);
    EXPECT_EQ(cells.at({2, 0}), -7);
    EXPECT_EQ(cells.at({0, 0}), form == 1 ? static_cast<long double>(static_cast<double>(1.0L / 3)) : 1.0L / 3);
  }
  // The point table keeps every row as it is, for the .sav writer to judge.
  const std::vector<TXYZPoint> points = table.PointTable();
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(PointCount(points), 3);
  EXPECT_TRUE(IsMissingValue(points[2].Z));
  EXPECT_EQ(points[3].Status, kPointActive);
  // An empty table has no worksheet.
  table.Clear();
  EXPECT_TRUE(table.WorksheetImage(1).empty());
}

// X and Y taken from a file of doubles show in the saved text as written, not with the
// binary remainder of 17 digits ("0.00086080046999999996"); Z keeps its 17 digits.
TEST_F(EvalTableTest, TextShowsInputsFromDoublesAsWritten) {
  const TEvalSurface s = Plane();
  const long double x = static_cast<double>(0.00086080047), y = static_cast<double>(5403001.26);
  table.Add(MakeEvalLine(s, {}, kEvalZ, x, y, 1.0L / 3));
  EXPECT_EQ(table.TextBlock(),
            "0.00086080047              5403001.26                 0.33333333333333333      \r\n");
}

TEST_F(EvalTableTest, SavingWritesEveryFormatByItsExtension) {
  ScratchDir dir;
  const TEvalSurface s = Plane();
  for (int i = 1; i <= 3; ++i) table.Add(MakeEvalLine(s, {}, kEvalZ, i, 2 * i, 3 * i));
  std::vector<std::tuple<std::string, int>> savCalls;
  const TSavPointWriter writer = [&](std::span<const TXYZPoint> t, const std::string& path) {
    savCalls.emplace_back(path, PointCount(t));
    TSavWriteResult r;
    r.tableRows = PointCount(t);
    if (r.tableRows < 3) r.status = SavWriteStatus::kTooFewRows;
    return r;
  };
  const auto save = [&](const std::string& name) { return SaveEvalTable(table, dir.File(name), writer); };
  for (const char* name : {"t.dat", "t.txt", "t.xyz", "noext"}) {
    ASSERT_EQ(save(name), EvalSaveStatus::kWritten);
    const std::vector<std::uint8_t> bytes = LoadFileToGlobal(dir.File(name));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), table.TextBlock()) << name;
  }
  ASSERT_EQ(save("t.wk1"), EvalSaveStatus::kWritten);
  EXPECT_EQ(LoadFileToGlobal(dir.File("t.wk1")), table.WorksheetImage(1));
  ASSERT_EQ(save("t.rtf"), EvalSaveStatus::kWritten);
  const std::vector<std::uint8_t> rtf = LoadFileToGlobal(dir.File("t.rtf"));
  const std::string rtfText(rtf.begin(), rtf.end());
  EXPECT_EQ(rtfText.rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(rtfText.find("Courier New"), std::string::npos);
  EXPECT_NE(rtfText.find("1                          2"), std::string::npos);
  ASSERT_EQ(save("t.ws"), EvalSaveStatus::kWritten);
  EXPECT_EQ(FileSize(dir.File("t.ws")), static_cast<std::int64_t>(table.TextBlock().size()));
  ASSERT_EQ(save("t.sav"), EvalSaveStatus::kWritten);
  ASSERT_EQ(savCalls.size(), 1u);
  EXPECT_EQ(std::get<1>(savCalls[0]), 3);
  table.Clear();
  table.Add(MakeEvalLine(s, {}, kEvalZ, 1, 2, 3));
  EXPECT_EQ(save("short.sav"), EvalSaveStatus::kSavTooFewRows);
  EXPECT_EQ(SaveEvalTable(table, dir.File("x.sav"), nullptr), EvalSaveStatus::kSavUnavailable);
  // Under a file instead of a folder: nothing can be written there.
  EXPECT_EQ(SaveEvalTable(table, dir.File("t.dat") + "/t.dat", nullptr), EvalSaveStatus::kCannotWrite);
}

// A .sav writer that refuses a value hands its answer back, for the dialog to name the value.
TEST_F(EvalTableTest, ASavRefusalReachesTheDialogWithItsValue) {
  ScratchDir dir;
  const TEvalSurface s = Plane();
  for (int i = 1; i <= 3; ++i) table.Add(MakeEvalLine(s, {}, kEvalZ, i, 2 * i, 3 * i));
  const TSavPointWriter refusing = [](std::span<const TXYZPoint> t, const std::string&) {
    TSavWriteResult r;
    r.tableRows = PointCount(t);
    r.status = SavWriteStatus::kValueNotHeld, r.refusedRow = 2, r.refusedAxis = "Z", r.refusedValue = 1e-400L;
    return r;
  };
  TSavWriteResult answer;
  EXPECT_EQ(SaveEvalTable(table, dir.File("t.sav"), refusing, &answer), EvalSaveStatus::kSavValueNotHeld);
  EXPECT_EQ(SavRefusalText(answer), "Row 2, Z: 1E-400 Cannot Be Held by a .sav File\nNothing Was Written");
  EXPECT_FALSE(std::filesystem::exists(dir.File("t.sav")));
}

TEST_F(EvalTableTest, AFullTextWindowTakesNoMoreLines) {
  TMFile small("", 2);
  TEvalTable t(small);
  const TEvalSurface s = Plane();
  EXPECT_EQ(t.Add(MakeEvalLine(s, {}, kEvalZ, 1, 1, 2)), 0);
  EXPECT_EQ(t.Add(MakeEvalLine(s, {}, kEvalZ, 1, 1, 2)), 1);
  EXPECT_TRUE(t.Full());
  EXPECT_EQ(t.Add(MakeEvalLine(s, {}, kEvalZ, 1, 1, 2)), -1);
  EXPECT_EQ(t.RowCount(), 2);
}

}  // namespace
