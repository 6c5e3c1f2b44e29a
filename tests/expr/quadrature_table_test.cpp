// The Gauss-Legendre table QVQUAD.OVL that the build computes, and the Gauss engines with
// the table missing or short.

#include "app/file_utils.h"
#include "expr/integration.h"
#include "app/program_files.h"
#include "expr/quadrature_table.h"
#include "table_file_test_support.h"

namespace {

// FNV-1a 64 of the whole file as tests/expr/reference/quadrature_table_reference.py
// computes it: every root and weight from mpmath at 60 digits, rounded to nearest.
constexpr std::uint64_t kReferenceHash = 0xA478365904D95A94ull;

std::uint64_t Fnv1a64(const std::vector<std::uint8_t>& data) {
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (const std::uint8_t b : data) h = (h ^ b) * 0x100000001B3ull;
  return h;
}

using QuadTableTest = TableFileTest<QuadOverlayUseFile>;

// The table as the build wrote it.
std::vector<std::uint8_t> BuiltBytes() { return LoadFileToGlobal(ProgramFile(kQuadTableName)); }

TEST_F(QuadTableTest, BuiltTableIsTheExactRootsAndWeightsRoundedAndRoundTrips) {
  const std::vector<std::uint8_t> bytes = BuiltBytes();
  ASSERT_EQ(bytes.size(), kQuadTableBytes);
  EXPECT_EQ(Fnv1a64(bytes), kReferenceHash);
  TQuadTable t;
  ASSERT_TRUE(DecodeQuadTable(bytes, t));
  EXPECT_EQ(EncodeQuadTable(t), bytes);
  EXPECT_FALSE(DecodeQuadTable(std::span(bytes).first(bytes.size() - 1), t));
  // The table the program computes where the file is missing is the file's, byte for byte.
  EXPECT_EQ(EncodeQuadTable(ComputedQuadTable()), bytes);
}

TEST_F(QuadTableTest, BlocksAreAscendingRulesOfWeightTwoFromTheTwoAndFourPointRules) {
  TQuadTable t;
  ASSERT_TRUE(DecodeQuadTable(BuiltBytes(), t));
  // Closed forms: 1/sqrt(3); sqrt(3/7 -+ 2/7 sqrt(6/5)) and (18 +- sqrt(30))/36.
  const long double expected[] = {0.57735026918962576451L, 1.0L, 0.3399810435848562648L,
                                  0.86113631159405257522L, 0.65214515486254614263L, 0.34785484513745385737L};
  for (int i = 0; i < 6; ++i) EXPECT_LD_NEAR(t.value[static_cast<std::size_t>(i)], expected[i], 1e-19L) << i;
  EXPECT_EQ(t.Abscissas(1)[0], t.value[0]);
  EXPECT_EQ(t.Weights(2)[1], t.value[5]);
  EXPECT_EQ(t.Abscissas(64), t.value.data() + 4032);
  EXPECT_EQ(t.Weights(64) + 63, t.value.data() + 4159);
  // Every block is an ascending rule of total weight two.
  for (int m = 1; m <= kQuadLargestHalfOrder; ++m) {
    long double weight = 0;
    for (int i = 0; i < m; ++i) {
      EXPECT_GT(t.Abscissas(m)[i], i == 0 ? 0.0L : t.Abscissas(m)[i - 1]) << m << " " << i;
      EXPECT_LT(t.Abscissas(m)[i], 1.0L);
      weight += t.Weights(m)[i];
    }
    EXPECT_LD_NEAR(2 * weight, 2.0L, 1e-17L) << m;
  }
}

TEST_F(QuadTableTest, MissingOrShortFileIsReportedAndRetried) {
  Ctx().CurrentUdf = 0;
  ASSERT_EQ(ExprCompileSlot("$*$", 1), 1);
  MissingShortThenComplete(
      BuiltBytes(),
      [] {
        EXPECT_EQ(LoadQuadOverlay(), -1);
        for (const char* text : {"QI(1,0,1)", "QIP(1,0,1,1E-10)", "QIN(1,0,1,4)", "DQIP(1,0,1,0,1,1E-8)"}) {
          ExpectEval(text, ExprErrorValue, -102);
        }
        // The automatic integral still integrates through the engines that need no table.
        ExpectEval("AI(1,0,1)", 1.0L / 3, 0, 1e-12L);
      },
      [] {
        ExpectEval("QI(1,0,1)", 1.0L / 3, 0, 1e-18L);
        EXPECT_EQ(LoadQuadOverlay(), 1);
      });
}

TEST_F(QuadTableTest, FirstUseFromManyThreadsLoadsOnce) {
  const std::vector<long double> got = RaceFirstUse([](int i) {
    TIntegRecord rec;
    const long double k = i + 1;
    return IntegrateGauss(ExprThreadContext(), rec, [k](long double x) { return k * x; }, 0, 2, 1e-12L);
  });
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_LD_NEAR(got[i], 2.0L * static_cast<long double>(i + 1), 1e-17L);
}

}  // namespace
