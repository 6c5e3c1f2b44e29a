// The audit and covariance files of the fits of the replicated plane. Reference figures:
// reference/audit_plane_figures.py (exact rational arithmetic): equation 1 has a = 61/60,
// b = 41/20, c = 59/20, SSE = 11/75, SSM = 38273/300 and s² = 11/675.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/byte_codec.h"
#include "exchange/export/fit_audit.h"
#include "fit/fit_refit.h"
#include "fit/fit_test_data.h"
#include "review/review_fit_fixture.h"

namespace {

class FitAuditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    review_test::FitInto(session_, review_test::ReplicatedPlane(), fit_test::LinearSelection(9, 0, 0));
    ASSERT_GE(session_.FitList.Count(), 3);
  }
  // The fits at the ranks, refitted with their covariance, as the audit takes them.
  std::vector<TFitEqn> Fits(const std::vector<int>& ranks) const {
    std::vector<TFitEqn> fits;
    for (int r : ranks) fits.push_back(RefitRank(session_, r, kRefitCovariance)->eqn);
    return fits;
  }
  std::vector<int> AllRanks() const {
    std::vector<int> r;
    for (int i = 1; i <= session_.FitList.Count(); ++i) r.push_back(i);
    return r;
  }
  int PlaneRank() const { return review_test::RankOf(session_, 1); }

  TSession session_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(text.substr(start, at - start));
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  return lines;
}

TEST_F(FitAuditTest, LevelFiveBlockHasNoHeaderAndFiveDigits) {
  const std::vector<std::string> lines = Lines(AuditFileBytes(5, Fits({PlaneRank()})));
  const std::vector<std::string> expected = {
      "RANK = " + std::to_string(PlaneRank()), "EQN = 1", "COEF = 3", "SSM = 127.58", "SSE = 0.14667",
      "A = 1.0167  SE = 0.067951", "B = 2.05  SE = 0.046614", "C = 2.95  SE = 0.046614", "DOF = 9",
  };
  ASSERT_GE(lines.size(), expected.size() + 5);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
  EXPECT_EQ(lines[9].rfind("R2 = ", 0), 0u);
  EXPECT_EQ(lines[10].rfind("DOF R2 = ", 0), 0u);
  EXPECT_EQ(lines[11], "SE = 0.12766");  // sqrt(11/675)
  EXPECT_EQ(lines[12].rfind("F STAT = ", 0), 0u);
  EXPECT_EQ(lines[13], "");
  EXPECT_EQ(lines.size(), 14u);
}

// Levels 1-4 and 6-20 print the blocks under a header, at the level's digits.
TEST_F(FitAuditTest, BlockLevelsBelowTwentyOneCarryTheHeader) {
  const std::vector<std::string> lines = Lines(AuditFileBytes(8, Fits(AllRanks())));
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "EQNS = " + std::to_string(session_.FitList.Count()));
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "RANK = 1");
  const std::string text = AuditFileBytes(8, Fits({PlaneRank()}));
  EXPECT_NE(text.find("SSE = 0.14666667\r\n"), std::string::npos);
  EXPECT_NE(text.find("A = 1.0166667  SE = "), std::string::npos);
}

TEST_F(FitAuditTest, LevelTwentyFiveIsOneLinePerFitWithFiveDigits) {
  const std::vector<int> ranks = AllRanks();
  const std::vector<std::string> lines = Lines(AuditFileBytes(25, Fits(ranks)));
  ASSERT_EQ(lines.size(), ranks.size() + 2);
  EXPECT_EQ(lines[0], "EQNS = " + std::to_string(ranks.size()));
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[static_cast<std::size_t>(PlaneRank()) + 1],
            "RANK = " + std::to_string(PlaneRank()) + "  EQN = 1  SSE = 0.14667");
}

// The binary form: 4 + 18 n bytes; ranks in the order given; the SSE bit for bit.
TEST_F(FitAuditTest, BinaryLevelHoldsRankEquationAndExactSse) {
  std::vector<int> ranks = AllRanks();
  std::reverse(ranks.begin(), ranks.end());
  const std::vector<TFitEqn> fits = Fits(ranks);
  const std::string bytes = AuditFileBytes(kAuditBinaryLevel, fits);
  ASSERT_EQ(bytes.size(), 4 + 18 * fits.size());
  bytes::ByteReader r(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  EXPECT_EQ(r.I32(), static_cast<std::int32_t>(fits.size()));
  for (std::size_t i = 0; i < fits.size(); ++i) {
    EXPECT_EQ(r.I32(), ranks[i]);
    EXPECT_EQ(r.I32(), session_.FitList.At(ranks[i])->equationNumber);
    const long double sse = r.Extended();
    const long double listed = session_.FitList.At(ranks[i])->sse;
    EXPECT_EQ(std::memcmp(&sse, &listed, 10), 0) << "rank " << ranks[i];
  }
  EXPECT_TRUE(r.Ok());
}

TEST_F(FitAuditTest, CovarianceOfThePlaneIsSSquaredTimesTheInverse) {
  const std::optional<TFitSide> fit = RefitRank(session_, PlaneRank(), kRefitCovariance);
  ASSERT_TRUE(fit);
  EXPECT_EQ(CovarianceFileText(*fit),
            "0.00461728    -0.00162963   -0.00162963   \r\n"
            "-0.00162963   0.00217284    -0.00054321   \r\n"
            "-0.00162963   -0.00054321   0.00217284    \r\n");
  // Without the matrix (a refit of the record alone) there is nothing to write.
  const std::optional<TFitSide> bare = RefitRank(session_, PlaneRank(), kRefitRecord);
  EXPECT_EQ(CovarianceFileText(*bare), "");
}

// The parameters of a large fit are named as the review names them, in capitals: A .. V, then
// AA, AB, ..; never the characters that follow Z.
TEST_F(FitAuditTest, ParametersPastTheAlphabetTakeTheReviewsNames) {
  TFitEqn fit = Fits({PlaneRank()})[0];
  fit.m = 29;
  for (int j = 0; j <= fit.m; ++j) {
    fit.parameters[static_cast<std::size_t>(j)] = j + 1;
    fit.parameterErrors[static_cast<std::size_t>(j)] = 0.5L;
  }
  const std::vector<std::string> lines = Lines(AuditFileBytes(5, std::span(&fit, 1)));
  ASSERT_GE(lines.size(), 35u);
  std::vector<std::string> names;
  for (int j = 0; j <= fit.m; ++j) names.push_back(lines[static_cast<std::size_t>(5 + j)].substr(0, lines[static_cast<std::size_t>(5 + j)].find(' ')));
  const std::vector<std::string> expected = {"A",  "B",  "C",  "D",  "E",  "F",  "G",  "H",  "I",  "J",
                                             "K",  "L",  "M",  "N",  "O",  "P",  "Q",  "R",  "S",  "T",
                                             "U",  "V",  "AA", "AB", "AC", "AD", "AE", "AF", "AG", "AH"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(lines[5 + 29], "AH = 30  SE = 0.5");
}

// A file that cannot be written is reported, and a file in its place stays whole.
TEST_F(FitAuditTest, UnwritablePathsAreReported) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "ondravik_audit_test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "plain") << "a file, not a folder";
  const std::vector<TFitEqn> fits = Fits({PlaneRank()});
  EXPECT_FALSE(WriteAuditFile(dir / "plain" / "a.adt", 5, fits));
  const std::optional<TFitSide> fit = RefitRank(session_, PlaneRank(), kRefitCovariance);
  EXPECT_FALSE(WriteCovarianceFile(dir / "plain" / "a.cov", *fit));
  EXPECT_TRUE(WriteAuditFile(dir / "a.adt", 25, fits));
  std::ifstream in(dir / "a.adt", std::ios::binary);
  const std::string back{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(back, AuditFileBytes(25, fits));
  std::filesystem::remove_all(dir);
}

}  // namespace
