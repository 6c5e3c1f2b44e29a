// Functions whose lines reach themselves, or multiply their work past any sensible bound,
// fail with an error instead of holding the thread, whichever way they are loaded; and
// loading a function again forgets the lines its new text no longer defines.
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "expr/expression.h"
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

// Every calculus built-in with its line number in place of "#": those that bind $ first.
constexpr int kBinders = 10;
const char* const kCalculusCalls[] = {"AI(#,0,1)",   "AIP(#,0,1,1E-8)", "QI(#,0,1)",      "QIP(#,0,1,1E-8)",
                                      "QIN(#,0,1,8)", "RI(#,0,1)",       "DQIP(#,0,1,0,1,1E-8)",
                                      "SUM(#,1,3,1)", "PROD(#,1,3,1)",   "SER(#,1,1,1E-10)",
                                      "DX(#)",        "DX2(#)",          "DY(#)",          "DY2(#)",
                                      "DXY(#)",       "IMPLICIT(#,0,1,1E-10)", "IMPLICIT_(#,0,1,1E-10)"};

std::string Call(const char* call, int line) {
  std::string text = call;
  text.replace(text.find('#'), 1, std::to_string(line));
  return text;
}

// The lines of a text joined with CR LF.
std::string Text(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

struct TLoopCase {
  std::string text;
  int line;    // the 0-based line of the text named
  bool nests;  // a built-in that binds $ runs another (else: the line reaches itself)
};

// Texts that can never give a value: a line that reaches itself through a calculus built-in,
// directly, through a line it calls or through a second built-in, with the Z line first or
// last; and a built-in that binds $ whose line runs another, directly or through a
// derivative, whatever the order of the lines. Each was accepted whenever the test runs of
// the compile met an empty line where the loop or the nesting closed (Z=X+Y+F1 with
// F1=AI(1,0,1) drew an empty graph, and every evaluation failed with "Calculus Functions
// Cannot Be Nested"); F1=F1+1 and F1=DX(1) were refused as reaching themselves.
std::vector<TLoopCase> LoopCases() {
  std::vector<TLoopCase> cases;
  const std::string z = "Z=A0*X+Y+F1";
  for (const char* c : kCalculusCalls) {
    const std::string self = "F1=" + Call(c, 1);
    cases.push_back({Text({z, self}), 1, false});
    cases.push_back({Text({self, z}), 0, false});
    // Through a line it calls, compiled before it; and after it, where the built-in runs an
    // empty line in the test run (a root of an empty line fails that run).
    cases.push_back({Text({"F2=F1+X", "F1=" + Call(c, 2), z}), 1, false});
    if (std::string_view(c).substr(0, 8) != "IMPLICIT")
      cases.push_back({Text({"F1=" + Call(c, 2), "F2=F1+X", z}), 1, false});
    // Through a second built-in.
    for (const char* d : {"AI(#,0,1)", "SUM(#,1,3,1)", "DX(#)", "IMPLICIT(#,0,1,1E-10)"}) {
      if (std::string_view(c).substr(0, 8) != "IMPLICIT") {
        cases.push_back({Text({"F1=" + Call(c, 2), "F2=" + Call(d, 1), z}), 1, false});
      } else if (std::string_view(d).substr(0, 8) != "IMPLICIT") {
        cases.push_back({Text({"F2=" + Call(d, 1), "F1=" + Call(c, 2), z}), 1, false});
      }
    }
  }
  // Nesting: the outer built-in in F1 (or in the Z line), the inner one in F2.
  for (int outer = 0; outer < kBinders; ++outer) {
    for (int inner = 0; inner < kBinders; ++inner) {
      const std::string f1 = "F1=" + Call(kCalculusCalls[outer], 2);
      const std::string f2 = "F2=" + Call(kCalculusCalls[inner], 3);
      cases.push_back({Text({z, f1, f2, "F3=$*X"}), 1, true});
      cases.push_back({Text({f1, f2, "F3=$*X", z}), 0, true});
    }
    cases.push_back({Text({"Z=A0*X+Y+" + Call(kCalculusCalls[outer], 1), "F1=SUM(2,1,3,1)", "F2=$"}), 0, true});
  }
  // Through a derivative between them.
  cases.push_back({Text({z, "F1=AI(2,0,1)", "F2=DX(3)", "F3=SUM(4,1,2,1)", "F4=$*X"}), 1, true});
  cases.push_back(
      {Text({z, "F1=QI(2,0,1)", "F4=1/$^2", "F3=Z-SER(4,1,1,1E-6)", "F2=IMPLICIT(3,0,10,1E-10)"}), 1, true});
  return cases;
}

TEST_F(RunawayFunctionsTest, LinesThatLoopOrNestThroughCalculusBuiltinsAreRefusedAndNamed) {
  int checked = 0;
  for (const TLoopCase& c : LoopCases()) {
    Parsed(0, "F", c.text, {{"-1e+25", "1", "1e+25"}});
    TLinesFault fault;
    EXPECT_EQ(UdfLoad(0, fault), -1) << c.text;
    EXPECT_EQ(std::tuple(fault.line, fault.reachesItself, fault.nestsCalculus, fault.missing),
              std::tuple(c.line, !c.nests, c.nests, 0))
        << c.text;
    if (c.nests) {
      EXPECT_EQ(MathError(), kNestedCalculus) << c.text;
    }
    EXPECT_EQ(Udf(0)->Compiled, 0) << c.text;
    fault = TLinesFault{};
    EXPECT_EQ(ExprCompileViewFn(c.text, 2, 3, fault), -1) << c.text;
    EXPECT_EQ(std::tuple(fault.line, fault.reachesItself, fault.nestsCalculus), std::tuple(c.line, !c.nests, c.nests))
        << c.text;
    ++checked;
  }
  EXPECT_EQ(checked, 344);
  // The session file's copy is not installed either.
  FreeUdf(0);
  for (const char* text :
       {"Z=A0*X+Y+F1\r\nF1=AI(1,0,1)\r\n", "Z=A0*X+Y+F1\r\nF1=AI(2,0,1)\r\nF2=SUM(3,1,3,1)\r\nF3=$\r\n"})
    EXPECT_EQ(LoadFromSession(text), 0) << text;
}

// What may be composed still loads and evaluates: a derivative or a root inside an integral
// or a sum, and a sum inside a derivative (only built-ins that bind $ cannot nest).
TEST_F(RunawayFunctionsTest, DerivativesAndRootsStillComposeWithIntegralsAndSums) {
  struct Composed {
    const char* text;
    long double value;  // at X = 2, Y = 3, A0 = 1
  };
  const Composed cases[] = {
      // The integral over $ in [0, 1] of d(X^2 $)/dX = 2X $: X.
      {"F3=X*X*$\r\nF2=DX(3)\r\nF1=AI(2,0,1)\r\nZ=A0*X+Y+F1\r\n", 2 + 3 + 2},
      // d/dX of X (1 + 2 + 3).
      {"F3=X*$\r\nF2=SUM(3,1,3,1)\r\nF1=DX(2)\r\nZ=A0*X+Y+F1\r\n", 2 + 3 + 6},
      // The sum of the roots Z = $ for $ = 1, 2, 3.
      {"F3=Z-$\r\nF2=IMPLICIT(3,0,10,1E-15)\r\nF1=SUM(2,1,3,1)\r\nZ=A0*X+Y+F1\r\n", 2 + 3 + 6},
  };
  for (const Composed& c : cases) {
    Parsed(0, "F", c.text, {{"-1e+25", "1", "1e+25"}});
    ASSERT_EQ(UdfLoad(0), 1) << c.text;
    Ctx().CurrentUdf = 0;
    Vars().X() = 2, Vars().Y() = 3, Vars().A(0) = 1;
    EXPECT_LD_NEAR(ExprRunSlot(0), c.value, 1e-7L) << c.text;
    ASSERT_EQ(ExprCompileViewFn(c.text, 2, 3), 1) << c.text;
  }
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
