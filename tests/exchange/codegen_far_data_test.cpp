// Polynomials and rationals fitted to data far from the origin, written as code. Their raw
// coefficients cancel by many digits over such data (a seventh-order polynomial at x = 1e6
// is the difference of terms near 1e17), so the code writes them in the centred variables
// u = (X - c)·s, and must give the values of the fit to the digits of its reals: in C with
// doubles and FORTRAN 90 to 1e-12 of the surface's size, in C with long double to 1e-15, and
// as a user-function file read back by the program to 1e-15.
//
// The reference is the fit's stored coefficients summed in 113-bit arithmetic (__float128):
// those of its frame for a fit solved in one (the raw coefficients, rounded after their
// terms cancelled, lose up to 8 % of the surface on these fits), else the raw ones.
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "app/c_format.h"
#include "app/program_files.h"
#include "exchange/codegen/centred_linear_fit.h"
#include "exchange/codegen/code_generator.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen/linear_equation_text.h"
#include "exchange/codegen_test_support.h"
#include "exchange/compile_and_run.h"
#include "expr/expr_test_support.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/fit_test_data.h"
#include "review/review_fit_fixture.h"
#include "support/scratch_files.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_files.h"

namespace {

using namespace codegen_test;
using Quad = __float128;

// The transformed variable of a descriptor kind (x, ln x, 1/x; likewise y) in 113 bits.
Quad Transformed(int kind, int firstKind, long double v) {
  const Quad q = v;
  switch (kind - firstKind) {
    case 1: {
      // ln v = ln(v/2^e) + e ln 2 with v/2^e in [1, 2): the long double logarithm of a
      // number near 1 holds its 64 bits; the rest is exact.
      int e = 0;
      const long double mantissa = std::frexp(v, &e) * 2;
      // ln 2 to 113 bits: its nearest long double and the remainder (mpmath).
      const Quad ln2 = static_cast<Quad>(0xb.17217f7d1cf79acp-4L) + static_cast<Quad>(-1.1458352726798732811e-20L);
      return static_cast<Quad>(std::log(mantissa)) + static_cast<Quad>(e - 1) * ln2;
    }
    case 2: return 1 / q;
    default: return q;
  }
}

// The fit's z from its stored coefficients in 113-bit arithmetic; the monomial list is held
// to the engine's evaluator about the origin (PlainAndQuadSumsAgreeAboutTheOrigin). A fit
// solved in a frame is summed from its frame coefficients in the frame's variables
// (X - c)·s, with the frame of its run.
long double QuadZ(const TFitEqn& fit, const TFitRunScales& scales, long double x, long double y) {
  const std::vector<TLinearMonomial> terms = LinearFitMonomials(fit);
  Quad X = Transformed(fit.descriptor[0], kKindX, x), Y = Transformed(fit.descriptor[3], kKindY, y);
  const bool rationalFit = fit.kind == kKindRational;
  if (fit.framed) {
    const TPolynomialFrame& frame = rationalFit ? scales.rationalFrame : scales.polynomialFrame;
    const TPowerShift &fx = frame.Of(fit.descriptor[0]), &fy = frame.Of(fit.descriptor[3]);
    if (!fx.Identity()) X = (X - static_cast<Quad>(fx.centre)) * static_cast<Quad>(fx.scale);
    if (!fy.Identity()) Y = (Y - static_cast<Quad>(fy.centre)) * static_cast<Quad>(fy.scale);
  }
  const auto& coefficients = fit.framed ? fit.frameParameters : fit.parameters;
  Quad numerator = 0, denominator = 1;
  bool rational = false;
  for (std::size_t k = 0; k < terms.size(); ++k) {
    Quad t = coefficients[k];
    for (int i = 0; i < terms[k].p; ++i) t *= X;
    for (int i = 0; i < terms[k].q; ++i) t *= Y;
    (terms[k].denominator ? denominator : numerator) += t;
    rational = rational || terms[k].denominator;
  }
  return static_cast<long double>(rational ? numerator / denominator : numerator);
}

// x in 1e6 .. 1e6 + 3 by 0.5, y in 2000 .. 2002 by 0.4, z a smooth hill of size 1 about 2.
PointTable FarTable() {
  using namespace fit_test;
  return GridTable(Axis(1e6L, 0.5L, 7), Axis(2000, 0.4L, 6), [](long double x, long double y) {
    const long double u = (x - 1e6L) / 3, v = (y - 2000) / 2;
    return 2 + u + 0.5L * v + 0.3L * u * u - 0.2L * u * v + 0.1L * std::sin(7 * u + 3 * v);
  });
}

// Whether a fit is in ln x or ln y. Over these data ln x changes by 3e-6 of itself, so the
// dialect's own logarithm of x carries 6 digits less of the variable than its reals hold
// (1.1e-16 · 13.8 / 3e-6 = 5e-10 in doubles, 2.5e-13 in 80 bits), however the code is written.
bool HasLogarithm(const TFitEqn& fit) { return fit.descriptor[0] == kKindX + 1 || fit.descriptor[3] == kKindY + 1; }

long double ParseNumber(std::string text) {
  for (char& c : text)
    if (c == 'D' || c == 'd') c = 'E';
  const std::size_t start = text.find_first_not_of(" +");
  long double v = NAN;
  if (start != std::string::npos) std::from_chars(text.data() + start, text.data() + text.size(), v);
  return v;
}

// Every polynomial and rational family fitted to FarTable, as the review makes each current.
struct TFarFits {
  TSession session;
  PointTable table = FarTable();
  std::vector<TFitEqn> fits;

  TFarFits() {
    review_test::FitInto(session, FarTable(), fit_test::LinearSelection(kPolyMaskAll, kRatMaskAll, 0));
    // The series families are written from their scaled variables already.
    for (int r = 1; r <= session.FitList.Count(); ++r) {
      EXPECT_TRUE(MakeRankCurrent(session, r, kRefitRecord));
      if (!LinearFitMonomials(session.CurFit.eqn).empty()) fits.push_back(session.CurFit.eqn);
    }
  }

  TCodeGenInput Input(const TFitEqn& fit, int dialect) const {
    TCodeGenInput in(fit, session.CurFit.scales, session.DataStats, session.DataTitles());
    in.dialect = dialect;
    in.scope = kScopeFunction;
    in.templateDirectory = ProgramDirectory();
    return in;
  }

  // The fit's size over the data: the larger of |z| and the range of its values.
  long double Size(const TFitEqn& fit, long double z) const {
    long double lo = INFINITY, hi = -INFINITY;
    for (std::size_t i = 1; i < table.size(); ++i) {
      const long double v = QuadZ(fit, session.CurFit.scales, table[i].X, table[i].Y);
      lo = std::min(lo, v), hi = std::max(hi, v);
    }
    return std::max(std::fabs(z), hi - lo);
  }
};

class FarDataCode : public ::testing::Test {
 protected:
  // Every fifth point of the 42, from the first corner to the last but one point: the
  // sources stay small enough to compile in seconds.
  static constexpr std::size_t kPointStep = 5;

  // 87 polynomials and rationals: rationals solved in raw powers over these data listed 29
  // more, whose solutions were rounding (their values up to 4.8e4 times the surface's size
  // from their least-squares fits), and are not fitted now.
  void SetUp() override { ASSERT_GE(static_cast<int>(far_.fits.size()), 85); }

  // Every fit as one function qN of one source in `dialect`, compiled with a driver around
  // it and run at the data points: the worst difference from the 113-bit values, scaled,
  // of the fits in x or 1/x and y or 1/y [0] and of those in ln x or ln y [1].
  std::array<long double, 2> WorstCompiled(int dialect, const std::string& file, const std::string& compile) {
    std::string functions, calls;
    for (std::size_t i = 0; i < fits_.size(); ++i) {
      std::string text;
      const std::string name = "q" + std::to_string(i);
      EXPECT_EQ(CodeGenToText(far_.Input(fits_[i], dialect), dir_.Path() / name, name, text), CodeGenResult::kDone);
      functions += text;
    }
    const bool fortran = dialect == kDialectFortran90 || dialect == kDialectFortran77;
    const bool extended = dialect == kDialectC80;
    std::string source;
    if (dialect == kDialectFortran77) {
      // Fixed form: the points in arrays, so that no line passes column 72.
      source = "      PROGRAM HARNES\n      IMPLICIT NONE\n";
      source += CFormat("      DOUBLE PRECISION XS(%zu), YS(%zu)\n", table_.size(), table_.size());
      for (std::size_t i = 0; i < fits_.size(); ++i) source += "      DOUBLE PRECISION q" + std::to_string(i) + "\n";
      for (std::size_t p = 1; p < table_.size(); p += kPointStep)
        source += CFormat("      XS(%zu)=%.21LgD0\n      YS(%zu)=%.21LgD0\n", p, table_[p].X, p, table_[p].Y);
      for (std::size_t p = 1; p < table_.size(); p += kPointStep)
        for (std::size_t i = 0; i < fits_.size(); ++i)
          source += CFormat("      WRITE (*, 100) %zu, %zu, q%zu(XS(%zu), YS(%zu))\n", i, p, i, p, p);
      source += "  100 FORMAT (I4, 1X, I3, 1X, E27.18E3)\n      END\n\n" + functions;
    } else if (dialect == kDialectPascal) {
      source = "program harness;\n\n" + functions + "begin\n";
      for (std::size_t p = 1; p < table_.size(); p += kPointStep)
        for (std::size_t i = 0; i < fits_.size(); ++i)
          source += CFormat("  writeln(%zu, ' ', %zu, ' ', q%zu(%.21Lg, %.21Lg):30);\n", i, p, i, table_[p].X, table_[p].Y);
      source += "end.\n";
    } else if (fortran) {
      source = "program harness\n  implicit none\n";
      for (std::size_t i = 0; i < fits_.size(); ++i) source += "  double precision, external :: q" + std::to_string(i) + "\n";
      for (std::size_t p = 1; p < table_.size(); p += kPointStep)
        for (std::size_t i = 0; i < fits_.size(); ++i)
          source += CFormat("  write (*, '(I4,1X,I3,1X,ES27.18E3)') %zu, %zu, q%zu(%.21LgD0, %.21LgD0)\n", i, p, i,
                            table_[p].X, table_[p].Y);
      source += "end program harness\n\n" + functions;
    } else {
      const std::string real = extended ? "long double" : "double";
      source = "#include <stdio.h>\n" + functions + "int main(void)\n{\n";
      for (std::size_t p = 1; p < table_.size(); p += kPointStep)
        for (std::size_t i = 0; i < fits_.size(); ++i)
          source += CFormat("  printf(\"%%zu %%zu %%.21Le\\n\", (size_t)%zu, (size_t)%zu, (long double)q%zu(%.21Lg%s, %.21Lg%s));\n",
                            i, p, i, table_[p].X, extended ? "L" : "", table_[p].Y, extended ? "L" : "");
      source += "  return 0;\n}\n";
    }
    const std::string path = dir_.Write(file, source), exe = dir_.File("harness");
    const std::string output = dialect == kDialectPascal ? " -FE" + dir_.Path().string() + " -o" + exe : " -o " + exe;
    const TRun built = RunCommand(compile + output + " " + path + (fortran || dialect == kDialectPascal ? "" : " -lm"));
    EXPECT_EQ(built.status, 0) << built.output.substr(0, 3000);
    const TRun ran = RunCommand(exe);
    EXPECT_EQ(ran.status, 0);
    std::istringstream lines(ran.output);
    std::string line;
    std::array<long double, 2> worst{};
    int compared = 0;
    while (std::getline(lines, line)) {
      std::size_t i = 0, p = 0;
      char z[64] = {};
      if (std::sscanf(line.c_str(), "%zu %zu %63s", &i, &p, z) != 3 || i >= fits_.size() || p >= table_.size()) continue;
      const long double want = QuadZ(fits_[i], far_.session.CurFit.scales, table_[p].X, table_[p].Y);
      const long double error = std::fabs(ParseNumber(z) - want) / far_.Size(fits_[i], want);
      EXPECT_FALSE(std::isnan(error)) << line;
      const int k = HasLogarithm(fits_[i]) ? 1 : 0;
      if (error > worst[k]) worst[k] = error, worstFit_[k] = fits_[i].equationNumber;
      ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(fits_.size() * ((table_.size() - 2) / kPointStep + 1)));
    return worst;
  }

  TFarFits far_;
  const PointTable& table_ = far_.table;
  const std::vector<TFitEqn>& fits_ = far_.fits;
  ScratchDir dir_{"ondravik_far_code"};
  std::array<int, 2> worstFit_{};
};

TEST(CentredLinearFit, CubicAboutAMillionIsWrittenInTheCentredVariable) {
  // z = (x - c)^3 with c = 1000001.5, the middle of x over the data; in u = (x - c)/2 it is
  // 8u^3. Its raw coefficients -c^3, 3c^2, -3c, 1 are exact long doubles.
  TEquationForm form;
  ASSERT_TRUE(PolynomialEquationForm(31, form));  // three powers of x and one of y
  TFitEqn fit = TFitMaker::Base(31, form.m);
  fit.kind = form.kind, fit.terms = form.terms, fit.descriptor = form.descriptor;
  ASSERT_EQ(fit.descriptor[1], 3);
  const long double c = 1000001.5L;
  fit.parameters[0] = -c * c * c, fit.parameters[1] = 3 * c * c, fit.parameters[2] = -3 * c, fit.parameters[3] = 1;
  PointTable table = FarTable();
  const TDataStats stats = fit_test::StatsOf(table);

  const std::optional<TCentredLinearFit> centred = CentreLinearFit(kDialectC64, fit, stats);
  ASSERT_TRUE(centred.has_value());
  EXPECT_EQ(centred->x.centre, c);
  EXPECT_EQ(centred->x.scale, 0.5L);
  EXPECT_EQ(centred->y.centre, 2001.0L);
  const long double want[] = {0, 0, 0, 8, 0};
  for (int k = 0; k <= 4; ++k) EXPECT_EQ(centred->fit.parameters[static_cast<std::size_t>(k)], want[k]) << k;

  // The code of it: the centred variables, then the polynomial in them.
  const TDataTitles titles;
  const TFitRunScales scales;
  for (const auto& [dialect, fx, fy] : {std::tuple{kDialectC64, "(x-1000001.500000000)/2.000000000000000",
                                                   "(y-2001.000000000000)/2.000000000000000"},
                                        std::tuple{kDialectFortran77, "(x-1000001.500000000D0)/2.000000000000000D0",
                                                   "(y-2001.000000000000D0)/2.000000000000000D0"},
                                        std::tuple{kDialectC80, "(x-1000001.500000000000L)/2.000000000000000000L",
                                                   "(y-2001.000000000000000L)/2.000000000000000000L"},
                                        std::tuple{kDialectUdf, "(X-1000001.500000000000)/2.000000000000000000",
                                                   "(Y-2001.000000000000000)/2.000000000000000000"}}) {
    TCodeGenInput in(fit, scales, stats, titles);
    in.dialect = dialect;
    const TCodeGenRun run = MakeCodeGenRun(in, "f.txt", "f");
    std::string text;
    ASSERT_TRUE(CodeGenExpandKeywords(run, "FX", text)) << dialect;
    EXPECT_EQ(text, fx);
    ASSERT_TRUE(CodeGenExpandKeywords(run, "FY", text)) << dialect;
    EXPECT_EQ(text, fy);
    ASSERT_TRUE(CodeGenExpandKeywords(run, "CVAL3", text));
    EXPECT_EQ(ParseNumber(text), 8.0L) << text;
  }

  // Data about the origin keep the raw coefficients the review shows.
  PointTable near = fit_test::GridTable(fit_test::Axis(0.5L, 0.5L, 7), fit_test::Axis(0.75L, 0.4L, 6),
                                        [](long double x, long double) { return x; });
  EXPECT_FALSE(CentreLinearFit(kDialectC64, fit, fit_test::StatsOf(near)).has_value());
}

TEST(CentredLinearFit, PlainAndQuadSumsAgreeAboutTheOrigin) {
  // The monomials the reference sums are those the engine evaluates: over data about the
  // origin the two sums agree to the rounding of 80 bits.
  const TFitRunScales scales = BoxScales();
  TFitSide side;
  side.scales = scales;
  int compared = 0;
  for (const TTestFit& t : AllFamilies()) {
    if (LinearFitMonomials(t.fit).empty()) continue;
    side.eqn = t.fit;
    for (const TPoint& p : EvaluationPoints()) {
      ExprThreadContext().ExprMathError = 0;
      const long double engine = EvalFitSideZ(side, ExprThreadContext(), p.x, p.y);
      EXPECT_NEAR(static_cast<double>(QuadZ(t.fit, scales, p.x, p.y)), static_cast<double>(engine),
                  1e-16 * std::max(1.0, std::fabs(static_cast<double>(engine))))
          << t.label;
      ++compared;
    }
  }
  EXPECT_GT(compared, 400);
}

TEST_F(FarDataCode, CWithDoubleGivesTheFitsValuesTo1e12) {
  if (!HaveProgram("gcc")) GTEST_SKIP() << "gcc is not installed";
  const auto worst = WorstCompiled(kDialectC64, "far64.c", "gcc -O1 -w");
  EXPECT_LE(worst[0], 1e-12L) << "equation " << worstFit_[0];
  EXPECT_LE(worst[1], 2e-9L) << "equation " << worstFit_[1];
}

TEST_F(FarDataCode, CWithLongDoubleGivesTheFitsValuesTo1e15) {
  if (!HaveProgram("gcc")) GTEST_SKIP() << "gcc is not installed";
  const auto worst = WorstCompiled(kDialectC80, "far80.c", "gcc -O1 -w");
  EXPECT_LE(worst[0], 1e-15L) << "equation " << worstFit_[0];
  EXPECT_LE(worst[1], 1e-12L) << "equation " << worstFit_[1];
}

TEST_F(FarDataCode, PascalGivesTheFitsValuesTo1e15) {
  if (!HaveProgram("fpc")) GTEST_SKIP() << "fpc is not installed";
  const auto worst = WorstCompiled(kDialectPascal, "farpas.pas", "fpc -v0 -O1");
  EXPECT_LE(worst[0], 1e-15L) << "equation " << worstFit_[0];
  EXPECT_LE(worst[1], 1e-12L) << "equation " << worstFit_[1];
}

TEST_F(FarDataCode, Fortran77GivesTheFitsValuesTo1e12WithinColumn72) {
  if (!HaveProgram("gfortran")) GTEST_SKIP() << "gfortran is not installed";
  const auto worst = WorstCompiled(kDialectFortran77, "far77.for", "gfortran -std=legacy -Werror=line-truncation -O1");
  EXPECT_LE(worst[0], 1e-12L) << "equation " << worstFit_[0];
  EXPECT_LE(worst[1], 2e-9L) << "equation " << worstFit_[1];
}

TEST_F(FarDataCode, Fortran90GivesTheFitsValuesTo1e12) {
  if (!HaveProgram("gfortran")) GTEST_SKIP() << "gfortran is not installed";
  const auto worst = WorstCompiled(kDialectFortran90, "far90.f90", "gfortran -O1");
  EXPECT_LE(worst[0], 1e-12L) << "equation " << worstFit_[0];
  EXPECT_LE(worst[1], 2e-9L) << "equation " << worstFit_[1];
}

class FarDataUdf : public ExprTest {};

TEST_F(FarDataUdf, UserFunctionFilesReadBackWithTheFitsValues) {
  const TFarFits far;
  const PointTable& table_ = far.table;
  stats_ = far.session.DataStats;  // the loader runs each line at the data's means
  ScratchDir dir("ondravik_far_udf");
  int written = 0;
  for (const TFitEqn& fit : far.fits) {
    if (fit.m + 1 > kUdfMaxParams) continue;
    const std::filesystem::path file = dir.Path() / "far.udf";
    ASSERT_EQ(CodeGenFromTemplate(far.Input(fit, kDialectUdf), file, "Far"), CodeGenResult::kDone) << fit.equationNumber;
    ASSERT_EQ(ReadUdfFile(BoundUdfTable(), 0, file), 1);
    Ctx().CurrentUdf = 0;
    ASSERT_EQ(UdfLoad(0), 1) << ReadText(file);
    const TUdfRecord& r = *UdfRecordAt(0);
    long double a[kUdfMaxParams + 1] = {};
    for (int i = 0; i < r.ParamCount; ++i) a[i + 1] = r.Start[static_cast<std::size_t>(i)];
    long double worst = 0;
    for (std::size_t p = 1; p < table_.size(); ++p) {
      long double z = 0;
      UdfFitEvaluate(0, table_[p].X, table_[p].Y, a, &z, nullptr);
      const long double want = QuadZ(fit, far.session.CurFit.scales, table_[p].X, table_[p].Y);
      worst = std::max(worst, std::fabs(z - want) / far.Size(fit, want));
    }
    EXPECT_LE(worst, HasLogarithm(fit) ? 1e-12L : 1e-15L) << fit.equationNumber << "\n" << ReadText(file);
    ++written;
  }
  EXPECT_GT(written, 60);
}

}  // namespace
