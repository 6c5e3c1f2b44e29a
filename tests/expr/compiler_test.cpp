// Compiling texts into program slots: the code form, the slot lifecycle, and compiled
// code computing exactly what the parser computes.
#include <string>
#include <tuple>
#include <vector>

#include "expr/compiler.h"
#include "expr/interpreter.h"
#include "expr/program_slots.h"
#include "expr/symbol_table.h"
#include "expr_test_support.h"

namespace {

class CompilerTest : public ExprTest {};

TEST_F(CompilerTest, CompiledSlotComputesWhatTheParserComputes) {
  const char* texts[] = {"A0+A1*X+A2*Y", "2^3^2+X", "-X^2+3!^2-Y", "(X+Y)*(X-Y)/(A0+1)", "X%3+MOD(Y,2)",
                         "X<Y AND Y>=1 OR X.EQ.2", "SQRT(ABS(X*Y))+LN(A0+10)-LOG(100)",
                         "ATAN2(Y,X)+FLOOR(X/3)-CEIL(Y/3)",
                         "EXP(-X*X)+POW(2,Y)+TANH(X)", "SIN(X)*COS(Y)-TAN(A1)+ACOS(0.5)*ASIN(0.5)+ATAN(X)", "1/(X-Y)",
                         "XMEAN+ZMAX*X", "HYPF(A1,A0,A0+2,X/10)"};  // four arguments: a carrier of a4 alone
  const long double points[][4] = {{1, 2, 0.5, -1}, {-3, 4, 2, 0.25}, {2, 2, 1, 3}, {7, -1, 0, 0}};
  stats_.X.Mean = 1.5;
  stats_.Z.Max = -4;
  int slot = 100;
  for (const char* text : texts) {
    Vars().X() = 1.25;
    Vars().Y() = 0.75;
    Vars().A(0) = 0.5;
    Vars().A(1) = 0.1;
    Vars().A(2) = 2;
    ASSERT_EQ(ExprCompileSlot(text, slot), 1) << text;
    for (const auto& p : points) {
      Vars().X() = p[0];
      Vars().Y() = p[1];
      Vars().A(0) = p[2];
      Vars().A(1) = p[3];
      const long double interpreted = Eval(text);
      const int interpretedError = MathError();
      const long double compiled = ExprRunSlot(slot);
      EXPECT_EQ(MathError(), interpretedError) << text;
      if (std::isnan(interpreted)) {
        EXPECT_TRUE(std::isnan(compiled)) << text;
      } else {
        EXPECT_EQ(compiled, interpreted) << text << " at X=" << static_cast<double>(p[0]);
      }
    }
    ++slot;
  }
}

TEST_F(CompilerTest, InstructionsAddressOperandsByIndex) {
  ASSERT_EQ(ExprCompileSlot("A0+X*2", 5), 1);
  const TExprSlot* s = ExprSlotAt(5);
  ASSERT_NE(s, nullptr);
  // (source, destination, opcode, space) of every instruction, the terminator last.
  using Instr = std::tuple<std::uint32_t, std::uint32_t, std::uint16_t, ExprSpace>;
  const Instr code[] = {{kVarA0, 0, kOpMove, ExprSpace::kVariable},  {kVarX, 1, kOpMove, ExprSpace::kVariable},
                        {0, 2, kOpMove, ExprSpace::kConstant},        {2, 1, kOpMultiply, ExprSpace::kTemporary},
                        {1, 0, kOpAdd, ExprSpace::kTemporary},        {kExprNoOperand, 0, kOpEnd, ExprSpace::kNone}};
  ASSERT_EQ(s->code.size(), std::size(code));
  for (std::size_t i = 0; i < std::size(code); ++i) {
    const TExprInstr& c = s->code[i];
    EXPECT_EQ(Instr(c.source, c.destination, c.opcode, c.space), code[i]) << i;
  }
  EXPECT_EQ(s->constants, std::vector<long double>{2});
  EXPECT_EQ(s->tempCount, 3u);
  // 10 bytes per constant and temporary, 12 per instruction with the terminator.
  EXPECT_EQ(ExprSlotBytes(5), 10u * 1 + 10u * 3 + 12u * 6);
}

// An emitting pass with room for a short program.
TExprCompileState EmittingState() {
  TExprCompileState state;
  state.mode = kModeEmit;
  state.countedInstrs = 32;
  state.countedConsts = 32;
  state.countedDeepest = 32;
  return state;
}

// Calls of n arguments: carriers from the last argument downwards, two per carrier, and
// the interpreter reads them back in order a1..an.
TEST_F(CompilerTest, CallArgumentsRoundTripThroughTheCarriers) {
  for (int n = 1; n <= 10; ++n) {
    TExprCompileState state = EmittingState();
    ExprEmitter emit(state);
    emit.ConstantLoad(0);  // something below the arguments, so a1 is not temporary 0
    for (int i = 0; i < n; ++i) emit.ConstantLoad(i + 1);
    emit.Call(7, n);
    ASSERT_FALSE(state.overrun);
    const std::size_t carriers = static_cast<std::size_t>(n / 2);
    ASSERT_EQ(state.code.size(), 1 + static_cast<std::size_t>(n) + carriers + 1) << n;
    const TExprInstr& call = state.code.back();
    EXPECT_EQ(std::tuple(static_cast<int>(call.opcode), call.source, call.destination), std::tuple(65 + n, 7u, 1u));
    EXPECT_EQ(state.tempTop, 1);  // the first argument's temporary receives the result
    if (n % 2 == 0) {
      EXPECT_EQ(state.code[state.code.size() - 1 - carriers].source, kExprNoOperand);
    }
    long double T[12];
    for (int i = 0; i < 12; ++i) T[i] = i;  // temporary i holds argument i (a1 is T[1])
    long double a[10] = {};
    ExprGatherArguments(&call, n, T, a);
    for (int i = 0; i < n; ++i) EXPECT_EQ(a[i], i + 1) << "n=" << n << " a" << i + 1;
  }
}

TEST_F(CompilerTest, FailedTestRunLeavesTheSlotEmpty) {
  Vars().X() = 0;
  EXPECT_EQ(ExprCompileSlot("1/X", 150), 0);
  EXPECT_TRUE(ExprSlotAt(150)->Empty());
  Vars().X() = 2;
  ASSERT_EQ(ExprCompileSlot("1/X", 150), 1);
  Vars().X() = 4;
  EXPECT_EQ(ExprRunSlot(150), 0.25);
  // At X = 0 the interpreter gives the safe quotient 0 and records the division.
  Vars().X() = 0;
  Ctx().ClearErrors();
  Ctx().ExprDivFailures = 0;
  ExpectResult(ExprInterpret(150), 0, -1);
  EXPECT_EQ(Ctx().ExprDivFailures, 1u);
  ExpectResult(ExprRunSlot(150), ExprErrorValue, -1);
  // Recompiling a filled slot with text that fails empties it.
  EXPECT_EQ(ExprCompileSlot("1+", 150), 0);
  EXPECT_TRUE(ExprSlotAt(150)->Empty());
  EXPECT_EQ(ExprCompileSlot("DATAERR", 150), 0);  // the missing value is never a result
  EXPECT_EQ(ExprCompileSlot("", 150), 0);
  EXPECT_TRUE(ExprSlotAt(150)->Empty());
}

TEST_F(CompilerTest, BadTokenAfterACompleteStatementEndsTheText) {
  Vars().A(0) = 2;
  Vars().X() = 3;
  ASSERT_EQ(ExprCompileSlot("A0*X ?", 151), 1);
  EXPECT_EQ(Syntax(), 6);
  Vars().X() = 5;
  EXPECT_EQ(ExprRunSlot(151), 10);
}

TEST_F(CompilerTest, NegativeSlotTakesTheLowestEmptyOneAndEmptySlotsRunToTheMissingValue) {
  for (int slot : {0, 180, -1}) EXPECT_EQ(ExprInterpret(slot), ExprErrorValue) << slot;
  ExpectResult(ExprRunSlot(179), ExprErrorValue);
  ASSERT_EQ(ExprCompileSlot("1", 0), 1);
  ASSERT_EQ(ExprCompileSlot("2", 1), 1);
  ASSERT_EQ(ExprCompileSlot("3", -1), 1);
  EXPECT_EQ(ExprCurrentSlot(), 2);
  EXPECT_EQ(ExprRunSlot(2), 3);
  for (int s = 0; s < kExprSlotCount; ++s) ASSERT_EQ(ExprCompileSlot("4", s), 1);
  EXPECT_EQ(ExprCompileSlot("5", -1), 0);  // every slot filled
  EXPECT_EQ(ExprCompileSlot("5", 180), 0);
}

TEST_F(CompilerTest, UserVariablesAreCompiledWithTheirValueStatisticsAreReadAtRunTime) {
  Eval("B=2");
  Vars().X() = 3;
  ASSERT_EQ(ExprCompileSlot("B*X", 20), 1);
  Eval("B=5");
  EXPECT_EQ(ExprRunSlot(20), 6);
  // A compile runs the text twice (a counting and an emitting pass), and so its
  // assignments: B=B+1 leaves B at 7 and compiles 6+1.
  ASSERT_EQ(ExprCompileSlot("B=B+1", 21), 1);
  EXPECT_EQ(ExprFindSymbol("B")->value, 7);
  EXPECT_EQ(ExprRunSlot(21), 7);
  // Statistics, unlike user variables, are read when the slot runs.
  stats_.Z.Max = 7;
  ASSERT_EQ(ExprCompileSlot("ZMAX*2", 30), 1);
  stats_.Z.Max = 8;
  EXPECT_EQ(ExprRunSlot(30), 16);
  stats_.Z.Max = 0;
}

}  // namespace
