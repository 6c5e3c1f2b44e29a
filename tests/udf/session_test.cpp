// The session file and the hooks that connect the functions to the shell.
#include <tuple>

#include "app/data_session.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "expr/evaluation_stop.h"
#include "expr/program_slots.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_session.h"
#include "udf_test_support.h"

namespace {

class UdfSessionTest : public UdfTest {
 protected:
  TDataSession data_;  // the session whose data the registered functions' limits follow
  void TearDown() override {
    PrescanHooks().ParseAllUdfParams = nullptr;
    SetUdfSessionWriter(nullptr);
    UdfTest::TearDown();
  }
};

TEST_F(UdfSessionTest, OneFunctionMakesA3957ByteFileAndNoneLeavesAnOlderFile) {
  Plane(5);
  EXPECT_EQ(WriteUdfSessionFile(udfs_.UdfTable, Dir()), 1);
  const std::vector<std::uint8_t> b = ReadBytes(Dir() / "QVRK2V3.CFG");
  ASSERT_EQ(b.size(), 3957u);
  EXPECT_EQ(b[8], 0x20);                    // function 6
  EXPECT_GT(b.size(), kUdfSessionMinSize);  // enough to offer the last session's functions
  FreeAllUdfs();
  EXPECT_EQ(WriteUdfSessionFile(udfs_.UdfTable, Dir()), 0);
  EXPECT_EQ(ReadBytes(Dir() / "QVRK2V3.CFG"), b);
}

TEST_F(UdfSessionTest, SaveSettingsWritesTheSessionThroughTheHook) {
  RegisterUdfHooks(udfs_, data_);
  Plane(2);
  ASSERT_TRUE(SaveSettings(Dir(), DefaultSettings(1024, 768), 1024, 768));
  EXPECT_EQ(ReadBytes(Dir() / "QVRK2V3.CFG").size(), 3957u);
  ProgramSettings settings = DefaultSettings(1024, 768);
  LastSessionUdfs = 0;
  ASSERT_EQ(LoadSettingsFile(Dir(), 1024, 768, settings), 1);
  EXPECT_EQ(LastSessionUdfs, 1);
}

// A session file that cannot be written at exit is a status the shell can report.
TEST_F(UdfSessionTest, AnUnwritableSessionFileReachesTheSaveStatus) {
  RegisterUdfHooks(udfs_, data_);
  Plane(2);
  ASSERT_TRUE(SaveSettings(Dir(), DefaultSettings(1024, 768), 1024, 768).sessionWritten);
  const std::filesystem::path session = Dir() / "QVRK2V3.CFG";
  std::filesystem::permissions(session, std::filesystem::perms::owner_read);
  const TSettingsSaveStatus status = SaveSettings(Dir(), DefaultSettings(1024, 768), 1024, 768);
  EXPECT_TRUE(status.settingsWritten);
  EXPECT_FALSE(status.sessionWritten);
  EXPECT_FALSE(SettingsSaveFailureText(status, Dir()).empty());
}

TEST_F(UdfSessionTest, PrescanHookReparsesDataDependentLimits) {
  RegisterUdfHooks(udfs_, data_);
  Plane(0, "ZMEAN");
  Plane(1, "5");
  EXPECT_EQ(Udf(0)->Start[0], 4);
  stats_.Z.Mean = 11;
  Udf(1)->Start[0] = 6;  // adjusted by hand: not data-dependent, so kept
  ASSERT_TRUE(PrescanHooks().ParseAllUdfParams);
  // A pre-scan of another session's data leaves the registered functions alone.
  TDataSession other;
  PrescanHooks().ParseAllUdfParams(other);
  EXPECT_EQ(Udf(0)->Start[0], 4);
  PrescanHooks().ParseAllUdfParams(data_);
  EXPECT_EQ(Udf(0)->Start[0], 11);
  EXPECT_EQ(Udf(1)->Start[0], 6);
}

TEST_F(UdfSessionTest, LastSessionIsInstalledAndLoaded) {
  Plane(0, "ZMEAN");
  // Function 4 reads back but cannot load: its value at the data means is missing.
  Parsed(3, "BAD", "Z=A0*X+1/(Y-3)\r\n", {{"-1", "1", "2"}});
  ASSERT_EQ(WriteUdfSessionFile(udfs_.UdfTable, Dir()), 2);
  FreeAllUdfs();
  stats_.Z.Mean = 6;
  ExprThreadContext().CurrentUdf = 9;
  const TUdfInstallResult result = InstallLastSessionUdfs(Dir());
  EXPECT_EQ(result.read, 2);
  EXPECT_EQ(result.loaded, 1);
  EXPECT_EQ(ExprThreadContext().CurrentUdf, 9);
  EXPECT_EQ(Udf(0)->Start[0], 6);  // the limits followed today's data
  EXPECT_EQ(Udf(0)->Compiled, 1);
  EXPECT_FALSE(ExprSlotAt(0)->Empty());
  EXPECT_EQ(Udf(3)->Compiled, 0);
  // Without a session file nothing is read and nothing changes.
  std::filesystem::remove(Dir() / "QVRK2V3.CFG");
  EXPECT_EQ(InstallLastSessionUdfs(Dir()).read, kUdfFileNotOpened);
  EXPECT_NE(Udf(0), nullptr);
}

// Installing stopped in the second of three functions: the first is loaded, the stopped one
// and the one after it stay defined with nothing of them loaded, and the progress window was
// told how many of the three were done.
TEST_F(UdfSessionTest, AStoppedInstallLeavesTheRestDefinedButUnloaded) {
  Plane(0, "1");
  Parsed(3, "COSTLY", "F1=1+SIN($*X+Y)/1E7\r\nZ=A0*PROD(F1,1,999999,1)+X+Y\r\n", {{"-1e25", "1", "1e25"}});
  Parsed(7, "THREE", "Z=A0+A1*X*Y\r\n", {{"-1e25", "1", "1e25"}, {"-1e25", "2", "1e25"}});
  ASSERT_EQ(WriteUdfSessionFile(udfs_.UdfTable, Dir()), 3);
  FreeAllUdfs();
  TUdfInstallResult result;
  TTaskSteps seen{};
  {
    const TEvaluationStopScope stop(ExprThreadContext(), [&] {
      seen = ExprThreadContext().taskSteps;
      return ExprThreadContext().CurrentUdf != 3;
    });
    result = InstallLastSessionUdfs(Dir());
  }
  EXPECT_EQ(std::tuple(seen.done, seen.total), std::tuple(std::int64_t{1}, std::int64_t{3}));
  EXPECT_EQ(std::tuple(result.read, result.loaded, result.cancelled, result.notLoaded), std::tuple(3, 1, true, 2));
  EXPECT_EQ(Udf(0)->Compiled, 1);
  ASSERT_NE(Udf(3), nullptr);
  ASSERT_NE(Udf(7), nullptr);
  EXPECT_EQ(Udf(3)->Compiled, 0);
  EXPECT_EQ(Udf(7)->Compiled, 0);
  EXPECT_TRUE(ExprSlotAt(30)->Empty());
  EXPECT_TRUE(ExprSlotAt(31)->Empty());
  EXPECT_TRUE(ExprSlotAt(70)->Empty());
}

}  // namespace
