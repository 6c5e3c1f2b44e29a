// The execution form of a compiled slot: fused loads and whole powers give exactly what
// the recorded code gives, faults included.
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#include "expr/execution_form.h"
#include "expr/math_faults.h"
#include "expr/program_slots.h"
#include "expr_test_support.h"

namespace {

class ExecutionFormTest : public ExprTest {};

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

TEST_F(ExecutionFormTest, LoadsFeedingArithmeticAndSmallPowersAreFused) {
  Vars().X() = 2;
  Vars().Y() = 3;
  ASSERT_EQ(ExprCompileSlot("A0+X*2-Y^2/Y^3+X^4", 5), 1);
  const TExprSlot* s = ExprSlotAt(5);
  using Instr = std::tuple<std::uint32_t, std::uint32_t, std::uint16_t, ExprSpace>;
  const auto V = ExprSpace::kVariable;
  const auto C = ExprSpace::kConstant;
  const auto T = ExprSpace::kTemporary;
  const Instr run[] = {{kVarA0, 0, kRunLoadVariable, V}, {kVarX, 1, kRunLoadVariable, V},
                       {0, 1, kRunMultiplyOperand, C},   {1, 0, kOpAdd, T},
                       {kVarY, 1, kRunLoadVariable, V},  {1, 1, kRunSquare, C},
                       {kVarY, 2, kRunLoadVariable, V},  {2, 2, kRunCube, C},
                       {2, 1, kOpDivide, T},             {1, 0, kOpSubtract, T},
                       {kVarX, 1, kRunLoadVariable, V},  {3, 2, kRunLoadConstant, C},  // X^4 keeps the power
                       {2, 1, kOpPower, T},              {1, 0, kOpAdd, T},
                       {kExprNoOperand, 0, kOpEnd, ExprSpace::kNone}};
  ASSERT_EQ(s->run.size(), std::size(run));
  for (std::size_t i = 0; i < std::size(run); ++i) {
    const TExprInstr& c = s->run[i];
    EXPECT_EQ(Instr(c.source, c.destination, c.opcode, c.space), run[i]) << i;
  }
  EXPECT_EQ(s->code.size(), 18u);  // the recorded code and its size are untouched
}

// Squares and cubes against the library power, bit for bit and flag for flag (all but
// inexact, which the language never reads), over the whole exponent range and the
// edges: zeros of both signs, subnormal and underflowing results, overflow, the
// library's flags from x^4 outside 2^-4095..2^4096, infinities and NaN.
TEST_F(ExecutionFormTest, SquareAndCubeEqualTheLibraryPowerToTheLastBit) {
  const long double inf = std::numeric_limits<long double>::infinity();
  std::vector<long double> xs = {0.0L, -0.0L, 1, -1, 2, -3, 0.1L, -0.7L, 1e-3000L, -1e-2000L, 1e-1700L,
                                 LDBL_MIN, LDBL_TRUE_MIN, 1e1600L, -1e2000L, 1e3000L, LDBL_MAX, -LDBL_MAX,
                                 inf, -inf, std::numeric_limits<long double>::quiet_NaN(), 0x1p4096L,
                                 std::nextafter(0x1p4096L, 0.0L), 0x1p-4095L, -std::nextafter(0x1p-4095L, 0.0L),
                                 1.1L * 0x1p-4096L, 1.5L * 0x1p-4096L};
  Lcg lcg(7);
  for (int i = 0; i < 200000; ++i) {
    const long double mantissa = 1 + static_cast<long double>(lcg.Next()) / 4294967296.0L +
                                 static_cast<long double>(lcg.Next()) / 18446744073709551616.0L;
    const int exponent = static_cast<int>(lcg.Below(33000)) - 16500;
    xs.push_back((lcg.Next() & 1 ? -1 : 1) * std::ldexp(mantissa, exponent));
  }
  for (const long double x : xs) {
    for (const int n : {2, 3}) {
      Ctx().ClearErrors();
      std::feclearexcept(FE_ALL_EXCEPT);
      const long double power = ExprMathPow(Ctx(), x, n);
      const int powerFlags = std::fetestexcept(FE_ALL_EXCEPT & ~FE_INEXACT);
      const int powerError = MathError();
      Ctx().ClearErrors();
      std::feclearexcept(FE_ALL_EXCEPT);
      const long double product = n == 2 ? ExprMathSquare(Ctx(), x) : ExprMathCube(Ctx(), x);
      const int productFlags = std::fetestexcept(FE_ALL_EXCEPT & ~FE_INEXACT);
      ASSERT_TRUE(SameBits(product, power) || (std::isnan(power) && std::isnan(product)))
          << static_cast<double>(x) << "^" << n;
      ASSERT_EQ(MathError(), powerError) << static_cast<double>(x) << "^" << n;
      ASSERT_EQ(productFlags, powerFlags) << static_cast<double>(x) << "^" << n << " " << std::hexfloat << x;
    }
  }
}

// The parser evaluates with the library power and plain loads; the slot runs the fused
// form. Every result and fault must agree, including powers that overflow or underflow.
TEST_F(ExecutionFormTest, FusedSlotComputesWhatTheParserComputes) {
  const char* texts[] = {"A0+A1*X+A2*Y+A3*X*Y+A4*X^2+A5*Y^2+A6*X^3-A7/(1+Y*Y)",
                         "X^2^3+Y^3^2", "-X^2+(-Y)^3", "X^3/A0-2/Y", "1-X*3.5/A1+Y/A2", "(X*A2)^3+Y^2"};
  const long double points[][3] = {{1.5L, -0.75L, 2}, {0, -0.0L, 1}, {1e-1300L, 3, -2}, {-7.25L, 1e2000L, 0.5L},
                                   {1e1000L, -1e-1000L, 3}};
  int slot = 110;
  for (const char* text : texts) {
    for (int i = 0; i < 8; ++i) Vars().A(i) = 0.5L + i;
    Vars().X() = 2;
    Vars().Y() = 3;
    ASSERT_EQ(ExprCompileSlot(text, slot), 1) << text;
    for (const auto& p : points) {
      Vars().X() = p[0];
      Vars().Y() = p[1];
      Vars().A(0) = p[2];
      Vars().A(1) = p[2] - 1;
      const long double parsed = Eval(text);
      const int parsedError = MathError();
      const long double run = ExprRunSlot(slot);
      EXPECT_EQ(MathError(), parsedError) << text << " at X=" << static_cast<double>(p[0]);
      EXPECT_TRUE(SameBits(run, parsed)) << text << " at X=" << static_cast<double>(p[0]);
    }
    ++slot;
  }
}

}  // namespace
