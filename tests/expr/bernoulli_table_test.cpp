// The Bernoulli table QVBERN.OVL that the build computes, and "B0" with the table present,
// missing or short.

#include "app/file_utils.h"
#include "expr/bernoulli_numbers.h"
#include "expr/interpreter.h"
#include "app/program_files.h"
#include "table_file_test_support.h"

namespace {

// B_0, B_2, ..., B_200 as the exact fractions of mpmath.bernfrac rounded to the nearest
// 80-bit value, as the 1010 bytes of the file (reference/special_function_references.py).
constexpr const char* kExactTableHex[] = {
    "0000000000000080ff3fabaaaaaaaaaaaaaafc3f8988888888888888fabf0cc3300cc3300cc3f93f"
    "8988888888888888fabfca269b6cb2c9269bfb3f9881199881199881fdbf5555555555555595ff3f"
    "f3f2f2f2f2f2f2e201c0c8271e9f787ce2db0440f467397f96f3478408c0d028f1334afc80c10b40"
    "0666600666201aa90fc055555555556903ae13408b9c32ae88db44d017c036fe419a27956d8f1c40"
    "e6e5e5c51d2b40e120c0555555ea6e0e0ec825400953058e67e587c72ac055954ccf335d11de2f40"
    "4cc8ea1cfa451c8935c0709bb968e0b5e4ba3a40ed605962a867f38b40c0e6d42af9cc1e51e54540"
    "b98ef21a0e63c1cc4bc07fc9b774a2d98bc65140c0509c26692366d057c0edd9c64e9aca0fec5d40"
    "cfe79b89c7cbe18f64c07050a215d6d843bc6a40ee6540e6ab2ae38371c07d70111c9dce6ac57740"
    "1c1ec87aef21859d7ec027e97683e573ba8585400085b3e7889423f18bc091b95e3803757ce69240"
    "520ebf1e0f9a2ae999c01e7c2100794e42f9a0400d976ef27eaf948ca8c0492c4c52e52b16a7af40"
    "a8c020eacbf1f8d0b6c07b8e4e4c98525689be40c57ddbb610467cbdc5c0cc12db5974f80d89cd40"
    "9045d4257fa4a5cfd4c079a6f14e84af92a4dc40815ebe3fd8355488e4c0908a46c1f0aad8ebeb40"
    "2cc19345cd68d3d4f3c04eff62f0dc482ec8fb403b3fb3af2e5317c403c1407e17dfcd81e2c70b41"
    "b1458cd3ae5ddcd313c1415fa94e331c51e91b414b6adb0bf8e3638524c124475fdd4af83f9e2c41"
    "8e32484610e0a9c234c16c8297ba47ac1ff83c41f0931d78fd43c1a345c1fb0a940487c0b2df4d41"
    "8483954028b0099e56c1db983655896ed6e65e41b2e1774da3a22eae67c187e7c7fd252db9877041"
    "fd523dbe9cb44eda78c1bed4cb7d9e4e1fb58141ab26d81355d2f29a8ac1e20b7ccc39b69e889341"
    "99e7d81a860f31f89bc15a681d44cfd024e8a441ec9f368f800a7fdfadc1bc08edbb358962ddb641"
    "fa0fe4ee2a5889e1bfc1b359372e0a1d37ecc841d04d107586753ffed1c1a92951e43179908cdb41"
    "96deb7a0b3b79c9fe4c1bd6d65cbbadc0ebaed419a81de5e5c0793def6c129a53186074693880042"
    "69ffb9876dbee4ab09c2cc0803362a00cedd1242ef377e21819fab921cc22389dc5c75babfc62542"
    "21a059903411ef892fc2087cc95c75f30dc43842aa40cb065ddea38e42c28881404e34036dd44b42"
    "77463656f83ad8a155c204e509f9499244fc5e4253a6e2025a9b0fc968c216b560eb0bdbd6a37242"
    "6c6cbdcc2f8577887cc269136c9e2b5251e885429f5aef7ac36808ca8fc2377684f455d276b39942"
    "634229eb9aa0cca2a3c24f7b67d6d768c896ad4248ef91cfd91e8e8eb7c29aead19a9b518c89c142"
    "f77dd8129f236b87cbc2"
};

std::vector<std::uint8_t> ExactTableBytes() {
  std::string hex;
  for (const char* part : kExactTableHex) hex += part;
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

using BernoulliTest = TableFileTest<BernoulliTableUseFile>;

TBernoulliTable ExactTable() {
  TBernoulliTable table{};
  EXPECT_TRUE(DecodeBernoulliTable(ExactTableBytes(), table));
  return table;
}

TEST_F(BernoulliTest, BuiltTableIsTheExactNumbersRoundedAndRoundTrips) {
  const std::filesystem::path file = ProgramFile(kBernoulliTableName);
  ASSERT_EQ(ExactTableBytes().size(), kBernoulliTableBytes);
  EXPECT_EQ(LoadFileToGlobal(file), ExactTableBytes()) << file;
  const TBernoulliTable table = ExactTable();
  EXPECT_EQ(table[1], 1.0L / 6);  // rounded the same way as the division
  EXPECT_EQ(EncodeBernoulliTable(table), ExactTableBytes());
  const std::vector<std::uint8_t> bytes = ExactTableBytes();
  TBernoulliTable scratch{};
  EXPECT_FALSE(DecodeBernoulliTable(std::span(bytes).first(bytes.size() - 1), scratch));
}

TEST_F(BernoulliTest, SmallIndicesTableEntriesAndArgumentErrors) {
  const std::pair<const char*, long double> values[] = {{"B0(0)", 1},           {"B0(1)", -0.5L},
                                                        {"B0(3)", 0},           {"B0(199)", 0},
                                                        {"B0(2)", 1.0L / 6},    {"B0(4)", -1.0L / 30},
                                                        {"B0(12)", -691.0L / 2730}, {"B0(200)", ExactTable()[100]}};
  for (const auto& [text, value] : values) ExpectEval(text, value);
  const std::pair<const char*, int> errors[] = {{"B0(2.5)", -142}, {"B0(-2)", -143}, {"B0(1751)", -146},
                                                {"B0(-0.5)", -142}};
  for (const auto& [text, code] : errors) ExpectEval(text, ExprErrorValue, code);
  EXPECT_NE(Eval("B0(1750)"), ExprErrorValue);
}

TEST_F(BernoulliTest, ZetaSeriesContinuesTheTable) {
  // B_202 ... from 2 n! zeta(n) / (2 pi)^n; B_200 both ways agree. 200! is the exponential
  // of ln 200! = 863.2, whose last bit (5.6e-17 of the result) and the power's are the
  // x87's, which CPU makers round apart.
  const long double b200 = ExactTable()[100];
  EXPECT_LD_NEAR(2 * ExprFactorial(Ctx(), 200) / std::pow(2 * 3.141592653589793238462643383279503L, 200.0L), -b200,
                 std::fabs(b200) * 1e-15L);
}

TEST_F(BernoulliTest, MissingOrShortFileIsReportedAndRetried) {
  MissingShortThenComplete(
      ExactTableBytes(),
      [] {
        ExpectEval("B0(2)", ExprErrorValue, -144);
        EXPECT_EQ(Eval("B0(3)"), 0);  // the odd ones, B_0, B_1 and the series need no table
        EXPECT_NE(Eval("B0(202)"), ExprErrorValue);
      },
      [] {
        ExpectEval("B0(2)", 1.0L / 6);
      });
}

TEST_F(BernoulliTest, FirstUseFromManyThreadsLoadsOnce) {
  const std::vector<long double> got =
      RaceFirstUse([](int i) { return BernoulliNumber(ExprThreadContext(), 2.0L * (i + 1)); });
  const TBernoulliTable table = ExactTable();
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], table[i + 1]) << i;
}

}  // namespace
