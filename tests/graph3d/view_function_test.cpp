// The view function: the check of an entry (each message in the order the user meets it, and
// where it points), the .vfz record byte for byte, hostile files, the title lines taken from
// the text, the value drawn in each mode, and that a view function never touches the lines of
// a user-defined function.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "expr/expr_test_support.h"
#include "expr/program_slots.h"
#include "graph3d/view_function.h"
#include "graph3d/view_function_check.h"
#include "support/scratch_files.h"

namespace {

TViewFnRecord Entry(std::string text, std::array<std::string, 4> ranges = {"1", "10", "1", "10"}) {
  TViewFnRecord r;
  r.text = std::move(text);
  r.ranges = std::move(ranges);
  return r;
}

class ViewFunctionTest : public ExprTest {};

struct CheckCase {
  const char* what;
  TViewFnRecord entry;
  int messageId;  // 0: valid (or, with a message, the marked line)
  const char* message;
  const char* caption;
  ViewFnField field;
  int line, column, length;
};

TEST_F(ViewFunctionTest, EachFailureGivesItsMessageAndPointsAtItsPlace) {
  const char* kCaption = "View Function(X,Y) Validation Error";
  const CheckCase cases[] = {
      {"product", Entry("Z=X*Y"), 0, "", kCaption, ViewFnField::Text, -1, 0, 0},
      {"lines with F", Entry("F1=X*Y\r\nB=2\r\nF2=B*X\r\nZ=F1+F2*Y\r\n\r\n"), 0, "", kCaption, ViewFnField::Text, -1, 0, 0},
      {"lone LF and CR, a blank line", Entry("F1=X\n\nF2=Y\rZ=F1*F2"), 0, "", kCaption, ViewFnField::Text, -1, 0, 0},
      {"Y missing", Entry("Z=X"), 3207, "Parameter Y is Missing from Function", kCaption, ViewFnField::Text, -1, 0, 0},
      {"X missing", Entry("Z=Y"), 3207, "Parameter X is Missing from Function", kCaption, ViewFnField::Text, -1, 0, 0},
      {"two F1", Entry("F1=X\r\nF1=Y\r\nZ=F1*Y"), 3204, "Function Can Contain Only One F1 Expression", kCaption,
       ViewFnField::Text, 1, 0, 0},
      {"two Z", Entry("Z=X*Y\r\nZ=X"), 3203, "Function Can Contain Only One Z= Expression", kCaption, ViewFnField::Text, 1, 0, 0},
      {"no equal sign", Entry("F1=X\r\nX*Y"), 3202, "Equal Sign is Missing", kCaption, ViewFnField::Text, 1, 0, 3},
      {"no Z line", Entry("F1=X*Y"), 3205, "Z= Expression is Missing", kCaption, ViewFnField::Text, -1, 0, 0},
      {"empty", Entry(""), 3205, "Z= Expression is Missing", kCaption, ViewFnField::Text, -1, 0, 0},
      {"parameter", Entry("Z=A0*X*Y"), 3206, "View Function Cannot Contain Adjustable Parameters", kCaption, ViewFnField::Text,
       -1, 0, 0},
      {"Z on the right", Entry("Z=X*Y+Z"), 3208, "Z Can Only Be Used in Z= Assigment", kCaption, ViewFnField::Text, -1, 0, 0},
      {"math error", Entry("Z=X*Y\r\nF1=LN(X-20)"), 0, "LN(X-20)| ", "Log: Negative Argument", ViewFnField::Text, 1, 11, 0},
      {"too many terms", Entry("F1=$\r\nZ=X*Y+SUM(1,1,2E6,1)"), 0, "X*Y+SUM(1,1,2E6,1)| ",
       "Sum or Product: More Than 1,000,000 Terms", ViewFnField::Text, 1, 20, 0},
      {"no root", Entry("F1=Z*Z+1\r\nZ=X*Y+IMPLICIT(1,0,1,1E-10)"), 0, "X*Y+IMPLICIT(1,0,1,1E-10)| ",
       "Implicit: No Root Found", ViewFnField::Text, 1, 27, 0},
      {"unbalanced", Entry("Z=X*Y)"), 0, "X*Y)| ", kCaption, ViewFnField::Text, 0, 6, 0},
      {"bad symbol", Entry("Z=X*Y@2"), 0, "X*Y|@2", "Invalid Symbol Reference", ViewFnField::Text, 0, 5, 0},
      {"min X = max X", Entry("Z=X*Y", {"5", "5", "1", "10"}), 3223, "Maximum X Must Be Greater Than Minumum X", kCaption,
       ViewFnField::MaxX, -1, 0, 0},
      {"min Y > max Y", Entry("Z=X*Y", {"1", "10", "3", "2"}), 3226, "Maximum Y Must Be Greater Than Minumum Y", kCaption,
       ViewFnField::MaxY, -1, 0, 0},
      {"bad min X", Entry("Z=X*Y", {"1/0", "10", "1", "10"}), 3221, "Invalid Minimum X Expression", kCaption,
       ViewFnField::MinX, -1, 0, 0},
      {"bad max X", Entry("Z=X*Y", {"1", "", "1", "10"}), 3222, "Invalid Maximum X Expression", kCaption, ViewFnField::MaxX,
       -1, 0, 0},
      {"bad min Y", Entry("Z=X*Y", {"1", "10", "2)", "10"}), 3224, "Invalid Minimum Y Expression", kCaption,
       ViewFnField::MinY, -1, 0, 0},
      {"bad max Y", Entry("Z=X*Y", {"1", "10", "1", "LN(-1)"}), 3225, "Invalid Maximum Y Expression", kCaption,
       ViewFnField::MaxY, -1, 0, 0},
      // A line that reaches itself, and a call of a line the text does not define, name the line
      // ("Error in Compiling View Function" named none) and mark the line at fault.
      {"lines calling each other", Entry("F1=F2\rF2=F1\rZ=F1*X*Y"), 3218, "F2 Expression Calls Itself", kCaption,
       ViewFnField::Text, 1, 3, 0},
      {"a line calling one never defined", Entry("Z=F3*X*Y"), 3217, "F3= Expression is Missing", kCaption,
       ViewFnField::Text, 0, 0, 0},
      // A line that reaches itself through an integral, a root or a sum, whatever the order
      // of the lines, and an integral or sum whose line runs another: named too (each was
      // accepted, and every value failed with "Calculus Functions Cannot Be Nested" or none
      // was found).
      {"a line integrating itself", Entry("Z=X+Y+F1\r\nF1=AI(1,0,1)"), 3218, "F1 Expression Calls Itself", kCaption,
       ViewFnField::Text, 1, 3, 0},
      {"a line integrating itself before Z", Entry("F1=AI(1,0,1)\r\nZ=X+Y+F1"), 3218, "F1 Expression Calls Itself",
       kCaption, ViewFnField::Text, 0, 3, 0},
      {"a root of itself", Entry("F1=IMPLICIT(1,0,1,1E-10)\r\nZ=X*Y+F1"), 3218, "F1 Expression Calls Itself", kCaption,
       ViewFnField::Text, 0, 3, 0},
      {"an integral and a sum of each other", Entry("F1=AI(2,0,1)\r\nF2=SUM(1,1,3,1)\r\nZ=X*Y+F1"), 3218,
       "F2 Expression Calls Itself", kCaption, ViewFnField::Text, 1, 3, 0},
      {"an integral of a sum, Z first", Entry("Z=X+Y+F1\r\nF1=AI(2,0,1)\r\nF2=SUM(3,1,3,1)\r\nF3=$"), 3219,
       "F1 Expression Nests Calculus Functions", kCaption, ViewFnField::Text, 1, 0, 0},
      {"an integral of a sum, Z last", Entry("F1=AI(2,0,1)\r\nF2=SUM(3,1,3,1)\r\nF3=$\r\nZ=X+Y+F1"), 3219,
       "F1 Expression Nests Calculus Functions", kCaption, ViewFnField::Text, 0, 0, 0},
      {"an integral of a sum, lines in order", Entry("F3=$\r\nF2=SUM(3,1,3,1)\r\nF1=AI(2,0,1)\r\nZ=X+Y+F1"), 3219,
       "F1 Expression Nests Calculus Functions", kCaption, ViewFnField::Text, 2, 0, 0},
      {"a Z line integrating a sum", Entry("F1=SUM(2,1,3,1)\r\nF2=$\r\nZ=X*Y+AI(1,0,1)"), 3219,
       "Z Expression Nests Calculus Functions", kCaption, ViewFnField::Text, 2, 0, 0},
      {"a line calling one never defined from a line", Entry("F1=X*Y\rF2=F1+F7\r\rZ=F2+1"), 3217,
       "F7= Expression is Missing", kCaption, ViewFnField::Text, 1, 0, 0},
  };
  for (const CheckCase& c : cases) {
    const TViewFnCheck check = ValidateViewFunction(c.entry);
    EXPECT_EQ(check.ok, c.messageId == 0 && *c.message == '\0') << c.what;
    EXPECT_EQ(check.messageId, c.messageId) << c.what;
    EXPECT_EQ(check.message, c.message) << c.what;
    EXPECT_EQ(check.caption, c.caption) << c.what;
    EXPECT_EQ(check.field, c.field) << c.what;
    EXPECT_EQ(check.line, c.line) << c.what;
    EXPECT_EQ(check.column, c.column) << c.what;
    EXPECT_EQ(check.length, c.length) << c.what;
  }
}

TEST_F(ViewFunctionTest, ValidEntryIsNormalisedCompiledAndRanged) {
  const TViewFnCheck check = ValidateViewFunction(Entry("F1=X*Y\rZ=F1+1\n\n\r\n", {"-3", "2*2", "PI", "2*PI"}));
  ASSERT_TRUE(check.ok) << check.message;
  EXPECT_EQ(check.text, "F1=X*Y\r\nZ=F1+1\r\n");
  EXPECT_EQ(check.ranges.xMin, -3);
  EXPECT_EQ(check.ranges.xMax, 4);
  EXPECT_EQ(check.ranges.yMax, 2 * check.ranges.yMin);
  // The view function's lines are in its own slots; X, $ and Y stand at the middle.
  EXPECT_FALSE(ExprSlotAt(160)->Empty());
  EXPECT_FALSE(ExprSlotAt(161)->Empty());
  EXPECT_EQ(ExprEvalViewFn(2, 3), 7);
  EXPECT_EQ(Vars().Dollar(), 0.5L);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Vars().A(i), 1) << i;
}

TEST_F(ViewFunctionTest, UserFunctionThreeKeepsItsLinesAndValues) {
  // User function 3 owns slots 20..29; its F1 and F2 lines must survive a view function
  // with lines of the same names.
  TUdfRecord* r = nullptr;
  ASSERT_EQ(AllocUdf(2), 1);
  r = UdfRecordAt(2);
  const char* text = "F1=A0*X\r\nF2=Y*Y+A1\r\nZ=F1+F2\r\n";
  std::strncpy(r->Text.data(), text, r->Text.size() - 1);
  r->ParamCount = 2;
  r->Start[0] = 3;
  r->Start[1] = 0.5;
  ASSERT_EQ(UdfLoad(2), 1);
  auto udf3 = [](long double x, long double y) {
    ExprContext& c = Ctx();
    const TCurrentUdfScope scope(c, 2);
    c.ExprVars.A(0) = 3;
    c.ExprVars.A(1) = 0.5;
    c.ExprVars.X() = x;
    c.ExprVars.Y() = y;
    return ExprRunSlot(20);
  };
  std::vector<long double> before;
  for (int i = 0; i < 5; ++i) before.push_back(udf3(i, 2 * i - 1));
  std::vector<std::vector<TExprInstr>> codeBefore;
  for (int s = 20; s < 30; ++s) codeBefore.push_back(ExprSlotAt(s)->code);

  ASSERT_TRUE(ValidateViewFunction(Entry("F1=X-Y\r\nF2=X+Y\r\nZ=F1*F2\r\n")).ok);
  for (int i = 1; i <= 10; ++i)
    for (int j = 1; j <= 10; ++j) EXPECT_EQ(EvalViewMode(ViewMode::Value, i, j), (i - j) * (i + j));

  for (int i = 0; i < 5; ++i) EXPECT_EQ(udf3(i, 2 * i - 1), before[static_cast<std::size_t>(i)]) << i;
  for (int s = 20; s < 30; ++s) {
    const std::vector<TExprInstr>& code = ExprSlotAt(s)->code;
    const std::vector<TExprInstr>& was = codeBefore[static_cast<std::size_t>(s - 20)];
    ASSERT_EQ(code.size(), was.size()) << s;
    for (std::size_t i = 0; i < code.size(); ++i) {
      EXPECT_EQ(code[i].opcode, was[i].opcode) << s << " " << i;
      EXPECT_EQ(code[i].source, was[i].source) << s << " " << i;
      EXPECT_EQ(code[i].destination, was[i].destination) << s << " " << i;
      EXPECT_EQ(code[i].space, was[i].space) << s << " " << i;
    }
  }
  EXPECT_EQ(before[2], 3 * 2 + 3 * 3 + 0.5L);
}

TEST_F(ViewFunctionTest, EachModeDrawsItsDerivative) {
  ASSERT_TRUE(ValidateViewFunction(Entry("Z=X*X*Y")).ok);
  // Closed forms of z = x^2 y at (3, 2): 2xy, x^2, 2x, 2y, 0; central differences to 1e-9
  // for the first derivatives, 1e-5 for the second.
  const std::tuple<ViewMode, long double (*)(long double, long double), double, double> modes[] = {
      {ViewMode::Value, ExprEvalViewFn, 18, 0},  {ViewMode::DzDx, ExprDerivX, 12, 1e-9},
      {ViewMode::DzDy, ExprDerivY, 9, 1e-9},     {ViewMode::D2zDxDy, ExprDerivXY, 6, 1e-5},
      {ViewMode::D2zDx2, ExprDeriv2X, 4, 1e-5},  {ViewMode::D2zDy2, ExprDeriv2Y, 0, 1e-5}};
  for (const auto& [mode, entry, value, tolerance] : modes) {
    EXPECT_EQ(EvalViewMode(mode, 3, 2), entry(3, 2)) << static_cast<int>(mode);
    EXPECT_NEAR(static_cast<double>(EvalViewMode(mode, 3, 2)), value, tolerance) << static_cast<int>(mode);
  }
  EXPECT_EQ(EvalViewMode(static_cast<ViewMode>(6), 3, 2), 0);
}

TEST(ViewFunctionRecord, FieldsStandAtTheirOffsetsAndTheTailIsKept) {
  TViewFnRecord r = Entry("Z=X*Y\r\n", {"-1", "1", "0", "2*PI"});
  r.tail = {0xAB, 0xCD};
  const std::vector<std::uint8_t> bytes = EncodeViewFnRecord(r);
  ASSERT_EQ(bytes.size(), 1186u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), 8), std::string("Z=X*Y\r\n\0", 8));
  const std::pair<std::size_t, const char*> fields[] = {{1024, "-1"}, {1064, "1"}, {1104, "0"}, {1144, "2*PI"}};
  for (const auto& [offset, text] : fields)
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + offset)), text) << offset;
  EXPECT_EQ(bytes[1184], 0xAB);
  EXPECT_EQ(bytes[1185], 0xCD);
  TViewFnRecord back;
  ASSERT_TRUE(DecodeViewFnRecord(bytes, back));
  EXPECT_EQ(back, r);
  EXPECT_EQ(ClearedViewFnRecord(), Entry("", {"1", "10", "1", "10"}));
}

TEST(ViewFunctionRecord, FieldsWithoutTheirNulEndAtTheirLastByte) {
  // Every byte set: no field holds a NUL, so each would run into the next.
  const std::vector<std::uint8_t> bytes(1186, 'A');
  TViewFnRecord r;
  ASSERT_TRUE(DecodeViewFnRecord(bytes, r));
  EXPECT_EQ(r.text, std::string(1023, 'A'));
  for (const std::string& range : r.ranges) EXPECT_EQ(range, std::string(39, 'A'));
  // Written again, each field ends with its NUL.
  const std::vector<std::uint8_t> again = EncodeViewFnRecord(r);
  for (std::size_t end : {1023u, 1063u, 1103u, 1143u, 1183u}) EXPECT_EQ(again[end], 0) << end;
  EXPECT_FALSE(DecodeViewFnRecord(std::vector<std::uint8_t>(1185), r));
  EXPECT_FALSE(DecodeViewFnRecord(std::vector<std::uint8_t>(1187), r));
}

TEST(ViewFunctionRecord, FileOfAnotherSizeIsRefusedAndChangesNothing) {
  ScratchDir dir("ondravik_vfz");
  const TViewFnRecord saved = Entry("F1=X\r\nZ=F1*Y\r\n", {"0", "1", "0", "1"});
  ASSERT_TRUE(WriteViewFnFile(dir.Path() / "f.vfz", saved));
  EXPECT_EQ(std::filesystem::file_size(dir.Path() / "f.vfz"), 1186u);
  TViewFnRecord read = ClearedViewFnRecord();
  ASSERT_EQ(ReadViewFnFile(dir.Path() / "f.vfz", read), OptionFileStatus::Ok);
  EXPECT_EQ(read, saved);

  std::vector<std::uint8_t> bytes = EncodeViewFnRecord(saved);
  bytes.pop_back();
  std::ofstream(dir.Path() / "short.vfz", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 1185);
  TViewFnRecord kept = ClearedViewFnRecord();
  EXPECT_EQ(ReadViewFnFile(dir.Path() / "short.vfz", kept), OptionFileStatus::Refused);
  EXPECT_EQ(kept, ClearedViewFnRecord());
  EXPECT_EQ(ReadViewFnFile(dir.Path() / "missing.vfz", kept), OptionFileStatus::CannotOpen);
}

TEST(ViewFunctionTitles, LinesComeFromTheTextWhateverEndsThem) {
  struct Case {
    const char* text;
    std::array<const char*, 5> lines;
  } const cases[] = {
      {"F1=X\nF2=Y\nZ=F1*F2\n", {"F1=X", "F2=Y", "Z=F1*F2", "", ""}},
      {"F1=X\r\nF2=Y\r\nZ=F1*F2\r\n", {"F1=X", "F2=Y", "Z=F1*F2", "", ""}},
      {"F1=X\rF2=Y\rZ=F1*F2", {"F1=X", "F2=Y", "Z=F1*F2", "", ""}},
      {"A\n\nB", {"A", "", "B", "", ""}},
      {"1\n2\n3\n4\n5\n6\n7", {"1", "2", "3", "4", "5"}},
      {"", {"", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    T3DTitleSet set;
    set.Lines[4] = "old";
    SetGraphTitlesFromText(set, c.text, ViewMode::Value);
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(set.Lines[k], c.lines[k]) << c.text << " line " << k;
    EXPECT_EQ(set.AxisTitles[0], "X");
    EXPECT_EQ(set.AxisTitles[1], "Y");
    EXPECT_EQ(set.AxisTitles[2], "Z");
    EXPECT_EQ(set.FixedSizes, 1);
  }
  T3DTitleSet set;
  SetGraphTitlesFromText(set, std::string(1000, 'w') + "\r\nZ=X", ViewMode::DzDx);
  EXPECT_EQ(set.Lines[0], std::string(160, 'w'));
  EXPECT_EQ(set.Lines[1], "Z=X");
  EXPECT_EQ(set.AxisTitles[2], "~@\xB6~@Z/~@\xB6~@X");
  const char* zTitles[] = {"Z",
                           "~@\xB6~@Z/~@\xB6~@X",
                           "~@\xB6~@Z/~@\xB6~@Y",
                           "~@\xB6~@\xB2Z/~@\xB6~@X~@\xB6~@Y",
                           "~@\xB6~@\xB2Z/~@\xB6~@X\xB2",
                           "~@\xB6~@\xB2Z/~@\xB6~@Y\xB2"};
  for (int m = 0; m < kViewModeCount; ++m) EXPECT_EQ(ViewModeZTitle(static_cast<ViewMode>(m)), zTitles[m]) << m;
}

}  // namespace
