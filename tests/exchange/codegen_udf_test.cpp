// The user-function file the code generator writes, read back as the program reads a .udf:
// loaded into a user-function slot with its own start values, it gives the fit's z.
#include <gtest/gtest.h>

#include "app/program_files.h"
#include "exchange/codegen/code_generator.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen_test_support.h"
#include "expr/expr_test_support.h"
#include "support/scratch_files.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_limits.h"
#include "tools/udf/udf_validation.h"

namespace {

using namespace codegen_test;

constexpr int kSlot = 0;  // where the written file is read back

class UdfFileTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    stats_ = BoxStats();  // the loader test-runs each line at the data means
  }

  TCodeGenInput Input(const TFitEqn& fit) const {
    TCodeGenInput in(fit, scales_, stats_, titles_);
    in.dialect = kDialectUdf;
    in.scope = kScopeFunction;
    in.udfs = &BoundUdfTable();
    in.templateDirectory = ProgramDirectory();
    return in;
  }

  // The fit written as a .udf, read into the slot and loaded; false when any step fails.
  bool WriteAndLoad(const TFitEqn& fit, const std::string& name) {
    const std::filesystem::path file = dir_.Path() / (name + ".udf");
    const CodeGenResult written = CodeGenFromTemplate(Input(fit), file, name);
    EXPECT_EQ(written, CodeGenResult::kDone) << name;
    if (written != CodeGenResult::kDone) return false;
    EXPECT_EQ(ReadUdfFile(BoundUdfTable(), kSlot, file), 1) << name;
    Ctx().CurrentUdf = kSlot;
    const int loaded = UdfLoad(kSlot);
    EXPECT_EQ(loaded, 1) << name << "\n" << std::string(ReadBytes(file).begin(), ReadBytes(file).end());
    return loaded == 1;
  }

  // z of the loaded function at its own start values.
  static long double LoadedZ(long double x, long double y) {
    const TUdfRecord& r = *UdfRecordAt(kSlot);
    long double a[kUdfMaxParams + 1] = {};
    for (int i = 0; i < r.ParamCount; ++i) a[i + 1] = r.Start[static_cast<std::size_t>(i)];
    long double z = 0;
    UdfFitEvaluate(kSlot, x, y, a, &z, nullptr);
    return z;
  }

  TFitRunScales scales_ = BoxScales();
  TDataTitles titles_ = BoxTitles();
  ScratchDir dir_{"ondravik_codegen_udf"};
};

TEST_F(UdfFileTest, WrittenFunctionsEvaluateAsTheFitTo1e15) {
  int written = 0, refused = 0;
  for (const TTestFit& t : AllFamilies()) {
    std::string text;
    const CodeGenResult result =
        CodeGenToText(Input(t.fit), dir_.Path() / "probe.udf", "probe", text);
    const bool series = IsSeriesFamily(t.fit.descriptor[1]) && t.fit.kind != kKindNonlinear && t.fit.kind != kKindTermSubset;
    if (series || t.fit.m + 1 > kUdfMaxParams) {
      // #K and beyond name no parameter of a user function, and a series has no text.
      EXPECT_EQ(result, CodeGenResult::kNotWritable) << t.label;
      EXPECT_TRUE(text.empty()) << t.label;
      ++refused;
      continue;
    }
    ASSERT_EQ(result, CodeGenResult::kDone) << t.label;
    if (!WriteAndLoad(t.fit, "f" + std::to_string(written))) continue;
    ++written;
    long double range = 0, lo = 0, hi = 0;
    for (std::size_t j = 0; j < EvaluationPoints().size(); ++j) {
      const long double z = ReferenceZ(t, EvaluationPoints()[j].x, EvaluationPoints()[j].y);
      lo = j == 0 ? z : std::min(lo, z);
      hi = j == 0 ? z : std::max(hi, z);
    }
    range = hi - lo;
    for (const TPoint& p : EvaluationPoints()) {
      const long double want = ReferenceZ(t, p.x, p.y);
      Ctx().ExprMathError = 0;
      const long double got = LoadedZ(p.x, p.y);
      EXPECT_LE(std::fabs(got - want) / std::max(std::fabs(want), range), 1e-15L)
          << t.label << " at (" << static_cast<double>(p.x) << ", " << static_cast<double>(p.y) << ")";
    }
  }
  // The polynomials of eleven parameters, the rationals beyond ten and every series order.
  EXPECT_GT(refused, 40);
  EXPECT_GT(written, 230);
}

// A start value of 1e25 or more gets limits beyond it (1e25 otherwise): with the usual bounds
// of 1e25 the program refused its own file ("Parameter Estimate Must Be Less Than
// Maximum"), as for a plane fitted to z about 3e30.
TEST_F(UdfFileTest, LargeStartValuesLieWithinTheirLimits) {
  TTestFit plane = TFitMaker().Linear(1);  // a + bx + cy
  ASSERT_EQ(plane.fit.m, 2);
  plane.fit.parameters[0] = 3e30L, plane.fit.parameters[1] = -4.5e40L, plane.fit.parameters[2] = 2.5L;
  ASSERT_TRUE(WriteAndLoad(plane.fit, "Big"));
  const TUdfRecord& r = *UdfRecordAt(kSlot);
  const long double lower[] = {-1e32L, -1e42L, -1e25L}, upper[] = {1e32L, 1e42L, 1e25L};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(r.Lower[static_cast<std::size_t>(k)], lower[k]) << k;
    EXPECT_EQ(r.Upper[static_cast<std::size_t>(k)], upper[k]) << k;
    EXPECT_EQ(r.Start[static_cast<std::size_t>(k)], plane.fit.parameters[static_cast<std::size_t>(k)]) << k;
  }
  const long double want = 3e30L - 4.5e40L * 1.5L + 2.5L * 2;
  EXPECT_LE(std::fabs(LoadedZ(1.5L, 2) - want), 1e-18L * std::fabs(want));
  // The function passes the validation that OK in the user-function dialog runs.
  std::vector<TXYZPoint> points(3);
  for (int i = 0; i < 3; ++i) {
    points[static_cast<std::size_t>(i)].X = i, points[static_cast<std::size_t>(i)].Y = 2 * i;
    points[static_cast<std::size_t>(i)].Z = 3e30L - 4.5e40L * i + 5 * i;
    points[static_cast<std::size_t>(i)].Status = ' ';
  }
  const TUdfVerdict verdict = ValidateUdf(kSlot, points, 9e40L);
  EXPECT_EQ(verdict.fault, UdfFault::kNone) << verdict.message << " " << verdict.detail;
}

// A function is named after its fit's equation number within the ten characters a record
// keeps of a name: two term-subset fits whose numbers differ in their last digit read back
// under two names, each the name it was written under.
TEST_F(UdfFileTest, GeneratedNamesReadBackWholeAndDistinct) {
  const struct {
    std::int32_t number;
    const char* name;
  } cases[] = {
      {7, "Eqn7"},           {2504, "Eqn2504"},         {1234567, "Eqn1234567"},
      {12345678, "Eq12345678"}, {151232655, "E151232655"}, {453690714, "E453690714"},
  };
  for (const auto& c : cases) EXPECT_EQ(UdfFunctionName(c.number), c.name) << c.number;

  TTestFit subset = TFitMaker().Subset(0, {0, 1, 2, 3, 4, 5, 6});
  std::vector<std::string> read;
  for (const std::int32_t number : {151232655, 151232652}) {
    subset.fit.equationNumber = number;
    const std::string name = UdfFunctionName(number);
    ASSERT_TRUE(WriteAndLoad(subset.fit, name));
    read.emplace_back(UdfRecordAt(kSlot)->Name.data());
    EXPECT_EQ(read.back(), name);
  }
  EXPECT_NE(read[0], read[1]);
}

TEST_F(UdfFileTest, FittedUserFunctionKeepsItsLinesAndTheirCount) {
  // A user function of two lines in slot 3, fitted as equation 2504.
  ASSERT_EQ(AllocUdf(3), 1);
  TUdfRecord& r = *BoundUdfTable()[3];
  const std::string_view text = "F1=EXP(-X/A2)\r\nZ=A0+A1*F1*Y\r\n";
  std::copy(text.begin(), text.end(), r.Text.begin());
  std::copy_n("DECAY", 5, r.Name.begin());
  r.ParamCount = 3;
  r.LineCount = 2;
  for (int i = 0; i < 3; ++i) {
    std::copy_n("1", 1, r.StartText[static_cast<std::size_t>(i)].begin());
    std::copy_n("-1e+25", 6, r.MinText[static_cast<std::size_t>(i)].begin());
    std::copy_n("1e+25", 5, r.MaxText[static_cast<std::size_t>(i)].begin());
  }
  ParseUdfParams(3);
  Ctx().CurrentUdf = 3;
  ASSERT_EQ(UdfLoad(3), 1);

  TFitEqn fit = TFitMaker::Base(2504, 2);
  fit.parameters[0] = 0.75L, fit.parameters[1] = 1.25L, fit.parameters[2] = 1.625L;
  std::string written;
  ASSERT_EQ(CodeGenToText(Input(fit), dir_.Path() / "decay.udf", "Decay", written), CodeGenResult::kDone);
  EXPECT_EQ(written,
            "Decay\n3\n2\nF1=EXP(-X/A2)\nZ=A0+A1*F1*Y\n-1e+25 0.7500000000000000000 1e+25\n"
            "-1e+25 1.250000000000000000 1e+25\n-1e+25 1.625000000000000000 1e+25\n");
  ASSERT_TRUE(WriteAndLoad(fit, "Decay"));
  const long double a[4] = {0, 0.75L, 1.25L, 1.625L};
  for (const TPoint& p : EvaluationPoints()) {
    long double want = 0;
    UdfFitEvaluate(3, p.x, p.y, a, &want, nullptr);
    EXPECT_EQ(LoadedZ(p.x, p.y), want);
  }

  // Its text is in the calculation language: no other dialect can write it.
  TCodeGenInput c = Input(fit);
  c.dialect = kDialectC64;
  EXPECT_EQ(CodeGenToText(c, dir_.Path() / "decay.c", "decay", written), CodeGenResult::kNotWritable);
}

}  // namespace
