// The non-linear catalogue and its shape evaluators: derivatives against central
// differences for every entry, agreement with the language's shape built-ins, the repairs of
// degenerate parameters and the catalogue's layout.

#include <algorithm>
#include <array>
#include <cfloat>
#include <cstring>
#include <limits>
#include <tuple>

#include "expr/peak_builtins.h"
#include "fit/nonlinear_catalogue.h"
#include "fit_test_data.h"
#include "tools/udf/udf_evaluation.h"

namespace {

// A moderate parameter set for any entry: every value positive and of order 1, so that the
// centres and widths, decay lengths, exponents, LDR scales and slopes are all in their
// domains and the points below lie within a few widths of the centres.
std::vector<long double> ModerateParameters(int p) {
  static constexpr long double kValues[8] = {1.3L, 0.9L, 0.7L, 1.1L, 0.8L, 1.2L, 0.6L, 1.05L};
  std::vector<long double> a(static_cast<std::size_t>(p) + 1, 0.0L);
  for (int i = 1; i <= p; ++i) a[static_cast<std::size_t>(i)] = kValues[i - 1];
  return a;
}

long double Eval(TNonlinearEvaluator f, long double x, long double y, std::vector<long double> a) {
  long double z = 0.0L;
  f(x, y, a.data(), &z, nullptr);
  return z;
}

// Every entry's analytic derivatives agree with central differences of its own values, at
// points on both sides of the centres.
TEST(NonlinearShapes, AnalyticDerivativesMatchCentralDifferences) {
  const long double points[][2] = {{0.5L, 0.6L}, {1.4L, 0.95L}, {2.1L, 1.7L}, {0.85L, 2.4L}};
  for (int index = 0; index < kBuiltinNonlinearCount; ++index) {
    const TNonlinearEntry e = BuiltinNonlinearEntry(index);
    ASSERT_NE(e.evaluator, nullptr) << index;
    const std::vector<long double> a = ModerateParameters(e.parameters);
    for (const auto& pt : points) {
      std::vector<long double> work = a;
      std::vector<long double> dz(work.size(), 0.0L);
      long double z = 0.0L;
      e.evaluator(pt[0], pt[1], work.data(), &z, dz.data());
      EXPECT_EQ(z, Eval(e.evaluator, pt[0], pt[1], a)) << "index " << index;
      for (int i = 1; i <= e.parameters; ++i) {
        const long double h = 1e-6L * std::max(1.0L, std::fabs(a[static_cast<std::size_t>(i)]));
        std::vector<long double> up = a, down = a;
        up[static_cast<std::size_t>(i)] += h;
        down[static_cast<std::size_t>(i)] -= h;
        const long double numeric =
            (Eval(e.evaluator, pt[0], pt[1], up) - Eval(e.evaluator, pt[0], pt[1], down)) / (2 * h);
        const long double analytic = dz[static_cast<std::size_t>(i)];
        EXPECT_NEAR(static_cast<double>(analytic), static_cast<double>(numeric),
                    1e-8 * std::max(1.0, std::fabs(static_cast<double>(numeric))))
            << "equation " << 2001 + index << " parameter " << i << " at (" << static_cast<double>(pt[0])
            << ", " << static_cast<double>(pt[1]) << ")";
      }
    }
  }
}

// With the y amplitude 0 the Sum form is the x shape alone, which must agree with the
// language's built-in of the same name where no repair applies.
TEST(NonlinearShapes, SumFormAgreesWithTheLanguageBuiltins) {
  struct Case {
    int block;  // first catalogue index of the shape's block
    TShapeCore core;
    long double b, c;
  };
  const Case cases[] = {
      {0, ShapeGAUSS, 0.4L, 0.9L},    {12, ShapeLOR, 0.4L, 0.9L},     {24, ShapeLOGNORM, 1.2L, 0.6L},
      {36, ShapeLOGISTIC, 0.4L, 0.9L}, {48, ShapeEXTRVAL, 0.4L, 0.9L}, {72, ShapeGCUM, 0.4L, 0.9L},
      {84, ShapeLORCUM, 0.4L, 0.9L},  {96, ShapeLNCUM, 1.2L, 0.6L},   {108, ShapeSIG, 0.4L, 0.9L},
      {120, ShapeEXVCUM, 0.4L, 0.9L}, {132, ShapeLDR, 1.2L, 1.7L},    {144, ShapeEXP, 1.5L, 0.0L},
      {156, ShapePOW, 1.7L, 0.0L},
  };
  ExprContext& ctx = ExprThreadContext();
  for (const Case& k : cases) {
    const TNonlinearEntry e = BuiltinNonlinearEntry(k.block + 4);  // form 4: Sum
    const bool twoParameter = k.block >= 144;
    for (long double x : {0.15L, 0.7L, 1.2L, 2.9L, 6.0L}) {
      std::vector<long double> a(static_cast<std::size_t>(e.parameters) + 1, 0.0L);
      a[1] = 2.5L;
      a[2] = k.b;
      if (!twoParameter) a[3] = k.c;
      a[twoParameter ? 4 : 6] = 0.5L;  // y shape parameter; its amplitude stays 0
      long double p[3] = {2.5L, k.b, k.c};
      ctx.ClearErrors();
      const long double builtin = k.core(ctx, x, p);
      ASSERT_EQ(ctx.ExprMathError, 0);
      const long double z = Eval(e.evaluator, x, 1.0L, a);
      EXPECT_NEAR(static_cast<double>(z), static_cast<double>(builtin),
                  2e-17 * std::max(1.0, std::fabs(static_cast<double>(builtin))))
          << "equation " << 2001 + k.block + 4 << " x " << static_cast<double>(x);
    }
  }
}

// Far from the centre, on both sides, the built-ins still give the evaluators' values (the
// tails of GCUM and the overflowing inner exponentials of the sigmoids and peaks included):
// the review's surface and a user function written with the built-ins are the same surface.
TEST(NonlinearShapes, TheLanguageBuiltinsAgreeWithTheEvaluatorsFarFromTheCentre) {
  struct Case {
    int block;
    TShapeCore core;
    long double b, c;
    bool logarithmic;  // the abscissa is b e^(u c)
  };
  const Case cases[] = {
      {0, ShapeGAUSS, 0.4L, 0.9L, false},     {12, ShapeLOR, 0.4L, 0.9L, false},
      {24, ShapeLOGNORM, 1.2L, 0.6L, true},   {36, ShapeLOGISTIC, 0.4L, 0.9L, false},
      {48, ShapeEXTRVAL, 0.4L, 0.9L, false},  {72, ShapeGCUM, 0.4L, 0.9L, false},
      {84, ShapeLORCUM, 0.4L, 0.9L, false},   {96, ShapeLNCUM, 1.2L, 0.6L, true},
      {108, ShapeSIG, 0.4L, 0.9L, false},     {120, ShapeEXVCUM, 0.4L, 0.9L, false},
      {132, ShapeLDR, 1.2L, 1.7L, true},
  };
  ExprContext& ctx = ExprThreadContext();
  for (const Case& k : cases) {
    const TNonlinearEntry e = BuiltinNonlinearEntry(k.block + 4);  // Sum, the y amplitude 0
    for (long double u : {-15000.0L, -7000.0L, -300.0L, -40.0L, -9.0L, 9.0L, 40.0L, 300.0L, 7000.0L, 15000.0L}) {
      const long double x = k.logarithmic ? k.b * std::exp(std::clamp(u * k.c, -11000.0L, 11000.0L)) : k.b + u * k.c;
      std::vector<long double> a = {0, 2.5L, k.b, k.c, 0, 1, 1};
      long double p[3] = {2.5L, k.b, k.c};
      ctx.ClearErrors();
      const long double builtin = k.core(ctx, x, p);
      EXPECT_EQ(ctx.ExprMathError, 0) << "equation " << 2001 + k.block + 4 << " u " << static_cast<double>(u);
      const long double z = Eval(e.evaluator, x, 1.0L, a);
      // Below the normal range the digits are gone in both: only that both are there is asked.
      if (std::fabs(z) < LDBL_MIN || std::fabs(builtin) < LDBL_MIN)
        EXPECT_TRUE(std::fabs(z) < LDBL_MIN && std::fabs(builtin) < LDBL_MIN)
            << "equation " << 2001 + k.block + 4 << " u " << static_cast<double>(u) << ": "
            << static_cast<double>(builtin) << " against " << static_cast<double>(z);
      else
        EXPECT_LE(std::fabs(builtin / z - 1), 2e-16L)
            << "equation " << 2001 + k.block + 4 << " u " << static_cast<double>(u) << ": "
            << static_cast<double>(builtin) << " against " << static_cast<double>(z);
    }
  }
}

TEST(NonlinearShapes, GaussianProductAtItsCentre) {
  std::array<long double, 6> a = {0, 3.5L, 0.25L, 1.5L, -2.0L, 0.75L};
  std::array<long double, 6> dz{};
  long double z = 0;
  BuiltinNonlinearEntry(0).evaluator(0.25L, -2.0L, a.data(), &z, dz.data());
  EXPECT_EQ(z, 3.5L);
  EXPECT_EQ(std::vector(dz.begin() + 1, dz.end()), (std::vector<long double>{1, 0, 0, 0, 0}));
}

// A width of exactly 0 (or not a number) is repaired in the caller's vector; a negative one
// is used as it is.
TEST(NonlinearShapes, ZeroWidthIsRepairedAndNegativeWidthMirrors) {
  const TNonlinearEvaluator gauss = BuiltinNonlinearEntry(4).evaluator;  // Gaussian Sum
  std::array<long double, 7> a = {0, 1, 0, 0.0L, 1, 0, NAN};
  long double z = 0;
  gauss(0.5L, 0.5L, a.data(), &z, nullptr);
  EXPECT_EQ(std::tuple(a[3], a[6]), std::tuple(1e-12L, 1e-12L));

  std::array<long double, 7> plus = {0, 2, 0.3L, 2.0L, 1, -0.2L, 0.7L};
  std::array<long double, 7> minus = plus;
  minus[3] = -2.0L;
  long double zp = 0, zm = 0;
  gauss(1.1L, 0.4L, plus.data(), &zp, nullptr);
  gauss(1.1L, 0.4L, minus.data(), &zm, nullptr);
  EXPECT_EQ(std::tuple(zp, minus[3]), std::tuple(zm, -2.0L));

  // GCUM Sum with width 0: a step from 0 to a, exactly a/2 at the centre.
  const TNonlinearEvaluator gcum = BuiltinNonlinearEntry(72 + 4).evaluator;
  std::array<long double, 7> step = {0, 3, 1.5L, 0.0L, 0, 0, 1};
  gcum(1.5L, 0, step.data(), &z, nullptr);
  EXPECT_EQ(std::tuple(z, step[3]), std::tuple(1.5L, 1e-12L));
  const std::vector<long double> repaired(step.begin(), step.end());
  EXPECT_EQ(std::tuple(Eval(gcum, 1.49L, 0, repaired), Eval(gcum, 1.51L, 0, repaired)), std::tuple(0.0L, 3.0L));

  // Negative widths mirror the transitions: they fall from A to 0 and stay negative.
  for (int block : {72, 84, 108, 120}) {
    const TNonlinearEvaluator f = BuiltinNonlinearEntry(block + 4).evaluator;
    std::array<long double, 7> v = {0, 1, 0, -0.5L, 0, 0, 1};
    long double low = 0, high = 0;
    f(-100, 0, v.data(), &low, nullptr);
    f(100, 0, v.data(), &high, nullptr);
    EXPECT_TRUE(low > 0.99L && high < 0.01L && v[3] == -0.5L) << block;
  }
}

// The logarithmic shapes evaluate at 1e-12 where the abscissa is 0 or less; the mixed block
// uses the abscissa as it is.
TEST(NonlinearShapes, LogarithmicShapesMoveNonPositiveAbscissas) {
  for (int index : {24, 96, 132, 156}) {  // LOGNORM, LNCUM, LDR, POW products
    const TNonlinearEntry e = BuiltinNonlinearEntry(index);
    const std::vector<long double> a = ModerateParameters(e.parameters);
    // Equal but for the rounding of ln(1e-12), which the compiler may fold for the constant.
    const long double at = Eval(e.evaluator, 1e-12L, 1.1L, a);
    EXPECT_NEAR(static_cast<double>(Eval(e.evaluator, 0.0L, 1.1L, a) / at), 1.0, 1e-16) << index;
    EXPECT_NEAR(static_cast<double>(Eval(e.evaluator, -3.0L, 1.1L, a) / at), 1.0, 1e-16) << index;
  }
  // LOGNORM: a centre of 0 or less is repaired too.
  std::array<long double, 6> a = {0, 1, -1.0L, 0.5L, 1, 0.5L};
  long double z = 0;
  BuiltinNonlinearEntry(24).evaluator(1, 1, a.data(), &z, nullptr);
  EXPECT_EQ(a[2], 1e-12L);
  // z=GAUSSX(a,b,c)*LOGNORMY(1,d,e) at y < 0 is not finite; a centre of -1 is not repaired.
  std::array<long double, 6> m = {0, 1, 0, 1, 1.0L, 0.5L};
  BuiltinNonlinearEntry(60).evaluator(0.5L, -0.5L, m.data(), &z, nullptr);
  EXPECT_FALSE(std::isfinite(z));
  m[4] = -1.0L;
  BuiltinNonlinearEntry(60).evaluator(0.5L, 0.5L, m.data(), &z, nullptr);
  EXPECT_EQ(m[4], -1.0L);
  // POW at x <= 0 with a positive exponent is near 0; with b = 0 the term is a.
  std::array<long double, 5> pw = {0, 2, 0.0L, 0, 1};  // POW Sum: 2 x^0 + 0 y^1
  BuiltinNonlinearEntry(156 + 4).evaluator(-1, 1, pw.data(), &z, nullptr);
  EXPECT_EQ(z, 2.0L);
}

TEST(NonlinearShapes, OffsetFormsAddTheConstant) {
  const TNonlinearEvaluator product = BuiltinNonlinearEntry(12).evaluator;  // Lorentzian
  const TNonlinearEvaluator offset = BuiltinNonlinearEntry(13).evaluator;
  std::array<long double, 6> inner = {0, 2, 0.5L, 1.5L, -1, 0.5L};
  std::array<long double, 7> outer = {0, 10, 2, 0.5L, 1.5L, -1, 0.5L};
  long double zi = 0, zo = 0;
  std::array<long double, 7> dz{};
  product(1, 2, inner.data(), &zi, nullptr);
  offset(1, 2, outer.data(), &zo, dz.data());
  EXPECT_EQ(std::tuple(zo, dz[1], dz[2]),
            std::tuple(10 + zi, 1.0L, zi / 2));  // dz[2]: the inner product of unit amplitude
}

TEST(NonlinearShapes, SynergyWithoutInteractionIsTheSum) {
  for (int block = 0; block < 168; block += 12) {
    if (block == 60) continue;  // the mixed block has its forms in another order
    const TNonlinearEntry sum = BuiltinNonlinearEntry(block + 4);
    const TNonlinearEntry synergy = BuiltinNonlinearEntry(block + 10);
    std::vector<long double> a = ModerateParameters(synergy.parameters);
    a.back() = 0.0L;
    std::vector<long double> b(a.begin(), a.end() - 1);
    std::vector<long double> da(a.size()), db(b.size());
    long double za = 0, zb = 0;
    synergy.evaluator(1.3L, 0.7L, a.data(), &za, da.data());
    sum.evaluator(1.3L, 0.7L, b.data(), &zb, db.data());
    EXPECT_EQ(za, zb) << block;
    EXPECT_EQ(std::vector(da.begin() + 1, da.end() - 1), std::vector(db.begin() + 1, db.end())) << block;
    EXPECT_NE(da.back(), 0.0L) << block;  // dz/dg = Fx Fy is still reported
  }
}

TEST(NonlinearShapes, ExponentialAndPowerEdges) {
  // EXP Sum with b = 0: p2 becomes 1e-12; the x term is 0 for x > 0 and a at x = 0.
  const TNonlinearEvaluator expSum = BuiltinNonlinearEntry(144 + 4).evaluator;
  std::array<long double, 5> a = {0, 3, 0.0L, 0, 1};
  long double z = 0;
  expSum(0.5L, 1, a.data(), &z, nullptr);
  EXPECT_EQ(std::tuple(a[2], z), std::tuple(1e-12L, 0.0L));
  expSum(0.0L, 1, a.data(), &z, nullptr);
  EXPECT_EQ(z, 3.0L);
  // POW ProductShared with b = 0: z = a, dz/db = a (ln x + ln y).
  const TNonlinearEvaluator powShared = BuiltinNonlinearEntry(156 + 2).evaluator;
  std::array<long double, 3> p = {0, 4, 0};
  std::array<long double, 3> dz{};
  powShared(2, 3, p.data(), &z, dz.data());
  EXPECT_EQ(z, 4.0L);
  EXPECT_NEAR(static_cast<double>(dz[2]), static_cast<double>(4 * (std::log(2.0L) + std::log(3.0L))), 1e-15);
  // The plane reports (1, x, y) whatever its robust mode.
  for (int index = 168; index < 172; ++index) {
    std::array<long double, 4> c = {0, 1, 2, 3};
    std::array<long double, 4> d{};
    BuiltinNonlinearEntry(index).evaluator(5, 7, c.data(), &z, d.data());
    EXPECT_EQ(std::tuple(z, d[1], d[2], d[3]), std::tuple(1 + 2 * 5 + 3 * 7, 1, 5, 7));
  }
}

// The power shapes' point evaluators read the logarithms formed once per point: z and every
// derivative are those of the plain evaluator to the last bit, at abscissas moved to 1e-12
// (0, negative, not a number) as at ordinary ones, and no other entry has one.
TEST(NonlinearShapes, PowerPointEvaluatorsGiveThePlainEvaluatorsBits) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double abscissas[] = {2.5L, 0.3L, 1.0L, 0.0L, -4.0L, 1e-300L, 7e3L, nan};
  const auto bits = [](long double v) {
    std::array<unsigned char, 10> b{};
    std::memcpy(b.data(), &v, b.size());
    return b;
  };
  int compared = 0;
  for (int index = 0; index < kBuiltinNonlinearCount; ++index) {
    const TNonlinearEntry e = BuiltinNonlinearEntry(index);
    ASSERT_EQ(e.pointEvaluator != nullptr, index >= 156 && index < 168) << index;
    if (!e.pointEvaluator) continue;
    for (long double x : abscissas) {
      for (long double y : {1.7L, -1.0L, x}) {
        std::vector<long double> a = ModerateParameters(e.parameters), b = a;
        std::vector<long double> da(a.size()), db(a.size());
        long double za = 0, zb = 0;
        e.evaluator(x, y, a.data(), &za, da.data());
        e.pointEvaluator(MakeShapePoint(x, y), b.data(), &zb, db.data());
        ASSERT_EQ(bits(za), bits(zb)) << index << " at " << static_cast<double>(x);
        for (std::size_t j = 1; j < a.size(); ++j) ASSERT_EQ(bits(da[j]), bits(db[j])) << index << " d" << j;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 12 * 8 * 3);
}

TEST(NonlinearCatalogue, EntriesOfTheLayout) {
  struct Case {
    int index, parameters, subIndex, xLog, yLog, complexity;
  };
  const Case cases[] = {
      {0, 5, 0, 0, 0, 20},      {11, 8, 11, 0, 0, 60},    {24, 5, 0, 1, 1, 44},
      {60, 5, 0, 0, 1, 40},     {61, 5, 0, 1, 0, 40},     {62, 6, 1, 0, 1, 41},
      {68, 7, 10, 0, 1, 83},    {71, 8, 11, 1, 0, 84},    {72, 5, 12, 0, 0, 101},
      {96, 5, 12, 1, 1, 114},   {131, 8, 23, 0, 0, 74},   {143, 8, 23, 0, 0, 76},
      {144, 3, 24, 0, 0, 20},   {146, 2, 26, 0, 0, 20},   {155, 6, 35, 0, 0, 42},
      {156, 3, 36, 0, 0, 29},   {162, 4, 42, 0, 0, 17},   {167, 6, 47, 0, 0, 60},
      {168, 3, 48, 0, 0, 4},    {171, 3, 51, 0, 0, 4},
  };
  for (const Case& c : cases) {
    const TNonlinearEntry e = LookupNonlinearEquation(c.index);
    EXPECT_NE(e.evaluator, nullptr) << c.index;
    EXPECT_EQ(std::tuple(e.parameters, e.subIndex, e.xLog, e.yLog, e.complexity),
              std::tuple(c.parameters, c.subIndex, c.xLog, c.yLog, c.complexity)) << c.index;
  }
  EXPECT_EQ(LookupNonlinearEquation(171).evaluator, &EvalRobustPlane);
  for (int unknown : {-1, 172, 239, 499, 515}) {
    const TNonlinearEntry e = LookupNonlinearEquation(unknown);
    EXPECT_EQ(std::tuple(e.evaluator, e.parameters, e.subIndex, e.complexity), std::tuple(nullptr, 0, -1, 0))
        << unknown;
  }
}

TEST(NonlinearCatalogue, TextsAndParameterNames) {
  const std::pair<int, const char*> texts[] = {
      {2001, "z=GAUSSX(a,b,c)*GAUSSY(1,d,e)"}, {2012, "z=a+GAUSSX(b,c,d)+GAUSSY(e,f,g)+GAUSSX(h,c,d)*GAUSSY(1,f,g)"},
      {2062, "z=LOGNORMX(a,b,c)*GAUSSY(1,d,e)"}, {2083, "z=GCUMX(a,b,c)+GCUMY(d,e,f)+GCUMX(g,b,c)*GCUMY(1,e,f)"},
      {2141, "z=a+by+cy~^2~^+LDRX(d,e,f)"}, {2147, "z=EXPX(a,b)*EXPY(1,b)"},
      {2168, "z=a+POWX(b,c)+POWY(d,e)+POWX(f,c)*POWY(1,e)"}, {2172, "z=a+bx+cy [Robust High, PearsonVII Limit]"},
      {2000, ""}, {2173, ""}};
  for (const auto& [number, text] : texts) EXPECT_EQ(NonlinearEquationText(number), text);
  EXPECT_EQ(NonlinearParameterName(2012, 8), "h");
  EXPECT_EQ(std::string(NonlinearParameterName(2001, 6)) + std::string(NonlinearParameterName(2501, 1)),
            "");  // none defined

  // Every text names exactly the letters of its parameters.
  for (int index = 0; index < kBuiltinNonlinearCount; ++index) {
    const std::string text(NonlinearEquationText(2001 + index));
    const int p = BuiltinNonlinearEntry(index).parameters;
    const std::string body = text.substr(2, text.find(" [") == std::string::npos ? std::string::npos
                                                                                 : text.find(" [") - 2);
    for (int i = 0; i < 8; ++i) {
      const char letter = static_cast<char>('a' + i);
      bool named = false;
      // A letter names a parameter when it is not part of a function name (upper case) and
      // not the x, y of a baseline term.
      for (char ch : body) named = named || ch == letter;
      EXPECT_EQ(named, i < p) << text << " " << letter;
    }
  }
}

class UserFunctionCatalogue : public ::testing::Test {
 protected:
  fit_test::UserFunctionScope scope_;
};

TEST_F(UserFunctionCatalogue, LookupReadsTheSlotAndSetsTheCurrentFunction) {
  EXPECT_EQ(AllocUdf(7), 1);
  BoundUdfTable()[7]->ParamCount = 4;
  const TNonlinearEntry e = LookupNonlinearEquation(507);
  EXPECT_EQ(std::tuple(e.parameters, e.subIndex, e.complexity, e.evaluator, ExprThreadContext().CurrentUdf),
            std::tuple(4, 0, 0, UserFunctionEvaluators[7], 7));
  EXPECT_EQ(NonlinearParameterName(2508, 4), "A3");
}

// An empty slot is never read: it looks like an unknown index and leaves CurrentUdf alone.
TEST_F(UserFunctionCatalogue, EmptySlotIsUnknown) {
  ExprThreadContext().CurrentUdf = 3;
  const TNonlinearEntry e = LookupNonlinearEquation(502);
  EXPECT_EQ(std::tuple(e.evaluator, e.parameters, e.subIndex, ExprThreadContext().CurrentUdf),
            std::tuple(nullptr, 0, -1, 3));
  // So is a record whose parameter count is out of range.
  EXPECT_EQ(AllocUdf(2), 1);
  BoundUdfTable()[2]->ParamCount = 11;
  EXPECT_EQ(LookupNonlinearEquation(502).evaluator, nullptr);
}

TEST_F(UserFunctionCatalogue, EvaluatorRunsTheFunctionWithForwardDifferences) {
  fit_test::DefineUserFunction(4, "Z=A0*X+A1*Y*Y", {0, 0});
  std::array<long double, 3> a = {0, 2, 3};
  std::array<long double, 3> dz{};
  long double z = 0;
  UserFunctionEvaluators[4](1.5L, 2, a.data(), &z, dz.data());
  EXPECT_EQ(z, 2 * 1.5L + 3 * 4);
  EXPECT_NEAR(static_cast<double>(dz[1]), 1.5, 1e-9);
  EXPECT_NEAR(static_cast<double>(dz[2]), 4.0, 1e-9);
  // x = 0 is evaluated at 1e-25.
  UserFunctionEvaluators[4](0, 0, a.data(), &z, nullptr);
  const long double tiny = UdfFitCoordinate(0);
  EXPECT_EQ(z, 2 * tiny + 3 * tiny * tiny);
}

}  // namespace
