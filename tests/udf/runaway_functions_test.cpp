// Functions whose lines reach themselves, or multiply their work past any sensible bound,
// fail with an error instead of holding the thread, whichever way they are loaded; and
// loading a function again forgets the lines its new text no longer defines.
#include "expr/program_slots.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_session.h"
#include "udf_test_support.h"

namespace {

constexpr int kRecursion = -32;  // "Insufficient Memory": the code of a line calling itself
constexpr int kNestedCalculus = -103;

class RunawayFunctionsTest : public UdfTest {
 protected:
  static int LoadAsFunction(std::string_view text) {
    Parsed(0, "F", text, {{"-1e+25", "1", "1e+25"}});
    return UdfLoad(0);
  }
  // The text stored in the session file and installed from it: the number that loaded.
  int LoadFromSession(std::string_view text) {
    Parsed(4, "F", text, {{"-1e+25", "1", "1e+25"}});
    EXPECT_EQ(WriteUdfSessionFile(udfs_.UdfTable, Dir()), 1);
    FreeAllUdfs();
    const TUdfInstallResult result = InstallLastSessionUdfs(Dir());
    EXPECT_EQ(result.read, 1);
    return result.loaded;
  }
};

struct RunawayCase {
  const char* text;
  int code;
};

// Each of these ran for hours or for ever; now each fails at once.
const RunawayCase kRunaways[] = {
    {"F1=F1+F1\r\nZ=A0*F1\r\n", kRecursion},
    {"F1=F1*F1*F1\r\nZ=F1\r\n", kRecursion},
    {"F1=F2+1\r\nF2=F1*F1\r\nZ=F1\r\n", kRecursion},  // a cycle through two lines
    {"F1=F2+1\r\nF2=F3*F3\r\nF3=F1+F1\r\nZ=X\r\n", kRecursion},  // a cycle no Z line reaches
    {"F1=DX(1)\r\nZ=F1\r\n", kRecursion},
    {"F1=SUM(1,1,10,1)\r\nZ=F1\r\n", kNestedCalculus},
    {"F1=DX(2)+DY(2)\r\nF2=F1+X\r\nZ=F2\r\n", kRecursion},  // through a derivative of another line
    {"F1=SUM(2,1,999999,1)\r\nZ=SUM(1,1,999999,1)\r\n", kNestedCalculus},
    // Every line calls the one before it ten times: 10^8 runs of F1 for one value of Z.
    {"F1=X+1\r\nF2=F1+F1+F1+F1+F1+F1+F1+F1+F1+F1\r\nF3=F2+F2+F2+F2+F2+F2+F2+F2+F2+F2\r\n"
     "F4=F3+F3+F3+F3+F3+F3+F3+F3+F3+F3\r\nF5=F4+F4+F4+F4+F4+F4+F4+F4+F4+F4\r\n"
     "F6=F5+F5+F5+F5+F5+F5+F5+F5+F5+F5\r\nF7=F6+F6+F6+F6+F6+F6+F6+F6+F6+F6\r\n"
     "F8=F7+F7+F7+F7+F7+F7+F7+F7+F7+F7\r\nZ=F8\r\n",
     kRecursion},
};

TEST_F(RunawayFunctionsTest, RunawayLinesFailToLoadAsAFunction) {
  for (const RunawayCase& c : kRunaways) {
    EXPECT_EQ(LoadAsFunction(c.text), -1) << c.text;
    EXPECT_EQ(MathError(), c.code) << c.text;
    EXPECT_EQ(Udf(0)->Compiled, 0) << c.text;
  }
}

TEST_F(RunawayFunctionsTest, RunawayLinesFailAsTheViewFunction) {
  for (const RunawayCase& c : kRunaways) {
    EXPECT_EQ(ExprCompileViewFn(c.text, 2, 3), -1) << c.text;
    EXPECT_EQ(MathError(), c.code) << c.text;
  }
}

TEST_F(RunawayFunctionsTest, RunawayLinesFailToLoadFromTheSessionFile) {
  for (const RunawayCase& c : kRunaways) EXPECT_EQ(LoadFromSession(c.text), 0) << c.text;
}

// The 49-byte text file that hung the program when it was opened.
TEST_F(RunawayFunctionsTest, SelfDoublingTextFileIsReadButDoesNotLoad) {
  const std::string file = "DOUBLE\r\n1\r\n2\r\nF1=F1+F1\r\nZ=A0*F1\r\n-1e+25 1 1e+25\r\n";
  ASSERT_EQ(file.size(), 49u);
  std::filesystem::path path = File("double.udf");
  std::ofstream(path, std::ios::binary) << file;
  ASSERT_EQ(ReadUdfFile(udfs_.UdfTable, 2, path), 1);
  EXPECT_EQ(UdfLoad(2), -1);
  EXPECT_EQ(MathError(), kRecursion);
}

// A slot compiled on its own with a call of itself is refused when it is compiled, and a
// line that was compiled before the lines that close a cycle fails when run.
TEST_F(RunawayFunctionsTest, LineReachingItselfIsRefusedWhenCompiled) {
  Ctx().CurrentUdf = 0;
  EXPECT_EQ(ExprCompileSlot("DX(1)", 1), 0);
  EXPECT_EQ(MathError(), kRecursion);
  EXPECT_TRUE(ExprSlotAt(1)->Empty());
  ASSERT_EQ(ExprCompileSlot("F2*F2*F2", 1), 1);
  ASSERT_EQ(ExprCompileSlot("7", 2), 1);
  ASSERT_EQ(ExprCompileSlot("F1", 0), 1);
  EXPECT_EQ(ExprRunSlot(0), 343);
  // A cycle closed by the line compiled last is refused by that compile.
  EXPECT_EQ(ExprCompileSlot("F1+F1", 2), 0);
  EXPECT_EQ(MathError(), kRecursion);
  EXPECT_TRUE(ExprSlotAt(2)->Empty());
  EXPECT_EQ(ExprRunSlot(0), 0);  // F1 = F2^3 of an empty F2
}

// An abort cannot be forgotten by "IF" as the error of a branch not taken, and the next
// evaluation starts afresh. The lines are compiled as another function's, so that no
// compile checks them.
TEST_F(RunawayFunctionsTest, AbortedRunFailsWholeAndTheNextRunsAfresh) {
  Ctx().CurrentUdf = 0;
  ASSERT_EQ(ExprCompileSlot("F1", 31), 1);
  ASSERT_EQ(ExprCompileSlot("IF(1,X,F1)", 30), 1);
  ASSERT_EQ(ExprCompileSlot("X+1", 32), 1);
  Ctx().CurrentUdf = 3;
  Vars().X() = 1;
  EXPECT_EQ(ExprRunSlot(30), ExprErrorValue);
  EXPECT_EQ(MathError(), kRecursion);
  EXPECT_EQ(ExprRunSlot(32), 2);
  EXPECT_EQ(MathError(), 0);
}

}  // namespace
