// The dialects no free compiler here runs whole, checked by their text: Basic (bwbasic runs
// no FUNCTION blocks; its equation texts are evaluated in codegen_compile_test.cpp) and the
// transform text of the sibling product. The expected files are in tests/data/codegen/;
// after a deliberate change of a template, run the test with ONDRAVIK_UPDATE_GOLDEN=1 to
// rewrite them, and read the difference before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "app/program_files.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen_test_support.h"
#include "support/german_locale.h"
#include "support/scratch_files.h"

namespace {

using namespace codegen_test;

struct TGolden {
  const char* file;
  TFitEqn fit;
  int dialect;
  int scope;
};

std::vector<TGolden> Goldens() {
  TFitEqn cosine = FitWithParameters(531, {0.25L, -1.5L, 0.75L, 2.125L, -0.5L, 1});
  cosine.descriptor = {kKindX, kFamilyCosine, 5, kKindY, kFamilyCosine, 5};
  TFitEqn rational = FitWithParameters(1100, {1.5L, -0.25L, 0.125L, 0.0625L, 2, 0.01L, -0.002L, 0.03L});
  TEquationForm form;
  EXPECT_TRUE(RationalEquationForm(1100, form));
  rational.terms = form.terms;
  rational.descriptor = form.descriptor;
  TFitEqn subset = FitWithParameters(3101, {2, 0.25L, -0.125L, 0.0625L});
  subset.terms = {1, 7, 32, 16};
  return {
      {"basic_cosine_program.bas", cosine, kDialectBasic, kScopeFullProgram},
      {"basic_gauss_cumulative.bas", FitWithParameters(2075, {1.5L, 1.25L, 0.75L, 2}), kDialectBasic, kScopeFunction},
      {"basic_rational.bas", rational, kDialectBasic, kScopeFunction},
      {"transform_logistic.xfm", FitWithParameters(2043, {0.5L, 1.25L, 3, 1.75L, -0.625L}), kDialectTransform, kScopeFunction},
      {"transform_subset.xfm", subset, kDialectTransform, kScopeFunction},
  };
}

std::string Bytes(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

TEST(CodeGenGolden, BasicAndTransformTextsAsCommitted) {
  USE_GERMAN_LOCALE(locale);
  const std::filesystem::path golden = std::filesystem::path(ONDRAVIK_TEST_DATA_DIR) / "codegen";
  const bool update = std::getenv("ONDRAVIK_UPDATE_GOLDEN") != nullptr;
  ScratchDir dir("ondravik_codegen_golden");
  const TDataStats stats = BoxStats();
  const TFitRunScales scales = BoxScales();
  const TDataTitles titles = BoxTitles();
  for (const TGolden& g : Goldens()) {
    TCodeGenInput in(g.fit, scales, stats, titles);
    in.dialect = g.dialect;
    in.scope = g.scope;
    in.dataSource = "box.dat";
    in.date = "Jun 11, 2024";
    in.time = "9:30:00 AM";
    in.templateDirectory = ProgramDirectory();
    const std::filesystem::path out = dir.Path() / g.file;
    ASSERT_EQ(CodeGenFromTemplate(in, out, "eqn"), CodeGenResult::kDone) << g.file;
    // FILE names the scratch path: the expected texts name the file alone.
    std::string got = Bytes(out);
    const std::string path = out.string();
    for (std::size_t at = got.find(path); at != std::string::npos; at = got.find(path)) got.replace(at, path.size(), g.file);
    if (update) std::ofstream(golden / g.file, std::ios::binary) << got;
    EXPECT_EQ(got, Bytes(golden / g.file)) << g.file;
  }
}

}  // namespace
