// Loading a function again replaces all of its lines: a line its new text no longer
// defines is gone, and a call of it is refused rather than run from the old program.
#include "expr/program_slots.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_session.h"
#include "udf_test_support.h"

namespace {

constexpr std::string_view kWithLine = "Z=F1+1\r\nF1=X*100\r\n";  // the Z line may stand first
constexpr std::string_view kWithoutLine = "Z=F1+1\r\n";

class ReloadTest : public UdfTest {
 protected:
  static void Load(int k, std::string_view text, int expected) {
    Parsed(k, "F", text, {{"-1e+25", "1", "1e+25"}});
    EXPECT_EQ(UdfLoad(k), expected) << text;
  }
  static long double ValueAt(int k, long double x) {
    Ctx().CurrentUdf = k;
    Vars().X() = x;
    return ExprRunSlot(10 * k);
  }
};

TEST_F(ReloadTest, LoadingAgainDropsTheLinesTheTextNoLongerHas) {
  Load(2, kWithLine, 1);
  EXPECT_EQ(ValueAt(2, 3), 301);
  Load(2, kWithoutLine, -1);
  EXPECT_EQ(Udf(2)->Compiled, 0);
  EXPECT_TRUE(ExprSlotAt(21)->Empty());
  // A line nobody calls may go.
  Load(2, "F2=Y\r\nZ=X+F2\r\n", 1);
  Load(2, "Z=X\r\n", 1);
  EXPECT_TRUE(ExprSlotAt(22)->Empty());
  EXPECT_EQ(ValueAt(2, 3), 3);
}

TEST_F(ReloadTest, ViewFunctionDropsItsOldLines) {
  ASSERT_EQ(ExprCompileViewFn(kWithLine, 3, 1), 1);
  EXPECT_EQ(ExprEvalViewFn(3, 1), 301);
  EXPECT_EQ(ExprCompileViewFn(kWithoutLine, 3, 1), -1);
  EXPECT_TRUE(ExprSlotAt(161)->Empty());
}

TEST_F(ReloadTest, LibraryAndSessionReadsLoadTheStoredTextOnly) {
  Load(0, kWithLine, 1);
  // The stored function lacks the line that slot 1 still holds from the load above.
  Parsed(0, "F", kWithoutLine, {{"-1e+25", "1", "1e+25"}});
  ASSERT_EQ(WriteUdfLibrary(udfs_.UdfTable, File("one.udl")), 1);
  ASSERT_EQ(WriteUdfSessionFile(udfs_.UdfTable, Dir()), 1);
  Load(0, kWithLine, 1);
  ASSERT_EQ(ReadUdfLibrary(udfs_.UdfTable, File("one.udl")), 1);
  EXPECT_EQ(UdfLoad(0), -1);
  Load(0, kWithLine, 1);
  const TUdfInstallResult session = InstallLastSessionUdfs(Dir());
  EXPECT_EQ(session.read, 1);
  EXPECT_EQ(session.loaded, 0);
}

}  // namespace
