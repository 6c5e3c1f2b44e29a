#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "app/byte_codec.h"
#include "app/long_double.h"

namespace {

namespace fs = std::filesystem;

std::int32_t I32At(const std::vector<std::uint8_t>& b, std::size_t off) {
  std::int32_t v;
  std::memcpy(&v, &b.at(off), 4);
  return v;
}
std::int16_t I16At(const std::vector<std::uint8_t>& b, std::size_t off) {
  std::int16_t v;
  std::memcpy(&v, &b.at(off), 2);
  return v;
}
float F32At(const std::vector<std::uint8_t>& b, std::size_t off) {
  float v;
  std::memcpy(&v, &b.at(off), 4);
  return v;
}
long double ExtAt(const std::vector<std::uint8_t>& b, std::size_t off) {
  return bytes::DecodeExtended(&b.at(off));
}
void PutI32(std::vector<std::uint8_t>& b, std::size_t off, std::int32_t v) {
  std::memcpy(&b.at(off), &v, 4);
}

TEST(SettingsFile, DefaultImageIsExactly8003Bytes) {
  auto image = EncodeSettings(DefaultSettings(1280, 1024), 1280, 1024);
  EXPECT_EQ(image.size(), kSettingsFileSize);
}

// Default values at the offsets of the file layout (field number, offset, value).
TEST(SettingsFile, DefaultFieldsLieAtTheirOffsets) {
  auto b = EncodeSettings(DefaultSettings(1280, 1024), 1280, 1024);
  struct Case {
    int field;
    std::size_t offset;
    std::int32_t value;
  } ints[] = {
      {1, 0, 1280},     {2, 4, 1024},    {3, 8, 0},        {4, 108, 1},     {6, 1708, 1},
      {8, 1716, 3},     {9, 1720, 4},    {20, 1764, 7},    {50, 3339, 0},   {51, 3343, 1},
      {58, 3433, 0},    {63, 3815, 6},   {67, 3831, 1000}, {70, 3843, 3},   {76, 3867, 1},
      {78, 3875, 0},    {79, 3879, -1},  {105, 4475, -1},  {110, 5079, 16}, {111, 5087, 5},
      {121, 7407, 2},   {122, 7411, 1},  {123, 7415, 1},   {124, 7419, 3},  {125, 7423, 15},
      {131, 7447, 3},   {134, 7459, 1},  {136, 7467, 18},  {137, 7471, 1},  {139, 7479, 0},
      {145, 7883, 1},   {146, 7943, 1},  {146, 7999, 1},
  };
  for (const Case& c : ints) EXPECT_EQ(I32At(b, c.offset), c.value) << "field " << c.field;

  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[5103])), "PRN");  // field 112
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[6895])), "DAT");  // field 119
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[7151])), "TXT");  // field 120
  EXPECT_EQ(b[7483], 0);                                                   // field 140
  EXPECT_EQ(ExtAt(b, 3363), ExprErrorValue);                               // field 56
  EXPECT_EQ(ExtAt(b, 3423), ExprErrorValue);                               // field 57
}

TEST(SettingsFile, GraphRecordDefaults) {
  auto b = EncodeSettings(DefaultSettings(1280, 1024), 1280, 1024);
  // View record of the data status window (field 25, offset 2283).
  EXPECT_EQ(I16At(b, 2283 + 0), 5);
  EXPECT_EQ(I16At(b, 2283 + 2), 35);
  EXPECT_EQ(I16At(b, 2283 + 4), 35);
  EXPECT_EQ(ExtAt(b, 2283 + 8), 210);
  EXPECT_EQ(ExtAt(b, 2283 + 18), 20);
  EXPECT_EQ(ExtAt(b, 2283 + 28), 30);
  EXPECT_EQ(ExtAt(b, 2283 + 38), 15);
  EXPECT_EQ(I16At(b, 2283 + 48), 63);
  EXPECT_EQ(I16At(b, 2283 + 50), 3);
  EXPECT_EQ(I16At(b, 2283 + 54), 1023);
  EXPECT_EQ(ExtAt(b, 2283 + 56), 1);
  EXPECT_EQ(I32At(b, 2283 + 66), 2);
  // Review pane (field 28), user-function graph (field 30), sampler (field 31).
  EXPECT_EQ(I16At(b, 2493 + 48), 48);
  EXPECT_EQ(I16At(b, 2493 + 50), 1);
  EXPECT_EQ(I16At(b, 2633 + 2), 15);
  EXPECT_EQ(I16At(b, 2633 + 48), 0);
  EXPECT_EQ(I16At(b, 2633 + 54), 55);
  EXPECT_EQ(I16At(b, 2703 + 54), 0);
  // Points records: the user-function graph's (field 42) has no fill.
  EXPECT_EQ(I16At(b, 3193 + 4), 1);
  EXPECT_EQ(I16At(b, 3241 + 4), 0);
  // Animation (field 49).
  const std::int16_t anim[] = {1, 5, 355, 5, 60, -60, -5};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(I16At(b, 3325 + 2 * i), anim[i]);
  // Graph print record (field 22): layout 1, landscape, margins.
  EXPECT_EQ(I16At(b, 2173), 1);
  EXPECT_EQ(I16At(b, 2173 + 8), 1);
  EXPECT_EQ(F32At(b, 2173 + 10 + 12), 14.0f);
  EXPECT_EQ(F32At(b, 2173 + 26), 2.54f);
  // Text print (field 23) and the first user colour scheme (field 21).
  EXPECT_EQ(I32At(b, 2227 + 8), 0);
  EXPECT_EQ(F32At(b, 2227 + 24), 2.54f);
  EXPECT_EQ(b[1768], 4);
  EXPECT_EQ(b[1768 + 27 * 14 + 26], 4);
}

TEST(SettingsFile, FitAndSmoothingDefaults) {
  auto b = EncodeSettings(DefaultSettings(1280, 1024), 1280, 1024);
  EXPECT_EQ(I32At(b, 3441), 63);  // field 59
  EXPECT_EQ(I32At(b, 3445), 27);
  EXPECT_EQ(I32At(b, 3449), 1);
  EXPECT_EQ(b[3453 + 143], 0);
  EXPECT_EQ(b[3453 + 144], 1);
  EXPECT_EQ(b[3453 + 167], 1);
  EXPECT_EQ(b[3453 + 168], 0);
  EXPECT_EQ(I32At(b, 3693 + 20), 65);  // field 60
  EXPECT_EQ(ExtAt(b, 3693 + 40), 0.1L);
  EXPECT_EQ(I32At(b, 3693 + 50), 20);
  EXPECT_EQ(I32At(b, 3755 + kBgFitTypeOffset), 3);  // field 61
  EXPECT_EQ(I32At(b, 4479 + 4 * 16), 25);             // field 106: knots X
  EXPECT_EQ(I32At(b, 4479 + 128), 0);                 // method
  EXPECT_EQ(I32At(b, 4943 + 128), 5);                 // field 109
  EXPECT_EQ(I32At(b, 4615 + 4 * 4), 2);               // field 107: option1[4]
  EXPECT_EQ(I32At(b, 4615 + 80 + 4 * 5), 18);         // option2[5]
  EXPECT_EQ(I32At(b, 4615 + 160), 3);
  EXPECT_EQ(I32At(b, 4779 + 4 * 17), 2);  // field 108
  EXPECT_EQ(I32At(b, 4779 + 160), 17);
}

TEST(SettingsFile, SaveLoadSaveGivesIdenticalBytes) {
  ProgramSettings s = DefaultSettings(1920, 1080);
  s.LimitsLevel = 3;
  s.recentFiles[0] = "/data/a.prn";
  s.placements[kPlaceMainWindow] = {10, 20, 1000, 700, 0};
  s.evaluationValues[2] = 1.25L;
  auto first = EncodeSettings(s, 1920, 1080);
  ProgramSettings back;
  ASSERT_TRUE(DecodeSettings(first, 1920, 1080, back));
  EXPECT_EQ(back.LimitsLevel, 3);
  EXPECT_EQ(back.placements[kPlaceMainWindow], (WindowPlacement{10, 20, 1000, 700, 0}));
  EXPECT_EQ(EncodeSettings(back, 1920, 1080), first);
}

TEST(SettingsFile, WrongSizesAreIgnored) {
  auto image = EncodeSettings(DefaultSettings(800, 600), 800, 600);
  ProgramSettings s;
  s.LimitsLevel = 2;
  for (std::size_t size : {std::size_t{0}, kSettingsFileSize - 1, kSettingsFileSize + 1}) {
    std::vector<std::uint8_t> bad(image);
    bad.resize(size);
    EXPECT_FALSE(DecodeSettings(bad, 800, 600, s)) << size;
    EXPECT_EQ(s.LimitsLevel, 2);
  }
}

// Values out of their range are brought into it; a hostile file cannot hand later code an
// index past a table or a NaN.
TEST(SettingsFile, ValuesReadAreClamped) {
  auto b = EncodeSettings(DefaultSettings(800, 600), 800, 600);
  PutI32(b, 3343, 99);       // LimitsLevel
  PutI32(b, 3339, -7);       // LimitsMode
  PutI32(b, 1716, 1000);     // graph option number
  PutI32(b, 7407, 0);        // FilterStep
  PutI32(b, 7471, 12);       // CodeGenDialect
  PutI32(b, 3879, -900);     // main window x
  PutI32(b, 3879 + 16, 5);   // maximised flag
  PutI32(b, 7883, 7);        // tool bar flag
  b[1768] = 200;             // colour index
  std::uint8_t nan[10];
  bytes::EncodeExtended(std::numeric_limits<long double>::quiet_NaN(), nan);
  std::memcpy(&b[3363], nan, 10);
  std::memset(&b[5103], 'x', 256);  // unterminated extension
  ProgramSettings s;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, s));
  EXPECT_EQ(s.LimitsLevel, 4);
  EXPECT_EQ(s.LimitsMode, 0);
  EXPECT_EQ(s.graphOption[0], 9);
  EXPECT_EQ(s.FilterStep, 1);
  EXPECT_EQ(s.CodeGenDialect, 7);
  EXPECT_EQ(s.placements[0].x, -1);
  EXPECT_EQ(s.placements[0].maximized, 1);
  EXPECT_EQ(s.toolBarVisible[0], 1);
  EXPECT_EQ(s.userColorSchemes[0], 15);
  EXPECT_EQ(s.evaluationValues[0], ExprErrorValue);
  EXPECT_EQ(s.LastExtensions[0].size(), 256u);
}

TEST(SettingsFile, HandlesAndStatesAreStoredAsZero) {
  ProgramSettings s = DefaultSettings(800, 600);
  PutI32(s.backgroundFitBlock, kBgFitHandleOffset, 0x1234);
  PutI32(s.backgroundFitBlock, kBgFitStateOffset, 1);
  PutI32(s.backgroundFitBlock, kBgFitFlagsOffset, 3);
  PutI32(s.renderThreadBlock, 0, 0x5678);
  PutI32(s.renderThreadBlock, 4, -1);
  PutI32(s.pointsRecords[0], kPointsFitRecordOffset, 0x0BADF00D);
  auto b = EncodeSettings(s, 800, 600);
  EXPECT_EQ(I32At(b, 3755 + kBgFitHandleOffset), 0);
  EXPECT_EQ(I32At(b, 3755 + kBgFitStateOffset), 0);
  EXPECT_EQ(I32At(b, 3755 + kBgFitTypeOffset), 3);
  EXPECT_EQ(I32At(b, 3755 + kBgFitFlagsOffset), 3);
  EXPECT_EQ(I32At(b, 3785), 0);
  EXPECT_EQ(I32At(b, 3789), 0);
  EXPECT_EQ(I32At(b, 3193 + kPointsFitRecordOffset), 0);
  PutI32(b, 3755, 77);  // a handle in a file (as an older writer left it) is not taken
  ProgramSettings back;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, back));
  EXPECT_EQ(I32At(back.backgroundFitBlock, 0), 0);
}

TEST(SettingsFile, SmallerScreenResetsEveryPlacement) {
  ProgramSettings s = DefaultSettings(1280, 1024);
  s.placements[0] = {0, 0, 1280, 954, 0};
  s.placements[29] = {5, 5, 300, 200, 0};
  auto b = EncodeSettings(s, 1280, 1024);
  ProgramSettings small, large;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, small));
  ASSERT_TRUE(DecodeSettings(b, 1600, 1200, large));
  EXPECT_EQ(small.placements[0], WindowPlacement{});
  EXPECT_EQ(small.placements[29], WindowPlacement{});
  EXPECT_EQ(large.placements[29], (WindowPlacement{5, 5, 300, 200, 0}));
}

TEST(SettingsFile, RecentPathKeepsItsFirst80Bytes) {
  ProgramSettings s = DefaultSettings(800, 600);
  s.recentFiles[1] = std::string(100, 'p');
  ProgramSettings back;
  ASSERT_TRUE(DecodeSettings(EncodeSettings(s, 800, 600), 800, 600, back));
  EXPECT_EQ(back.recentFiles[1], std::string(80, 'p'));
}

TEST(SettingsFile, ResetKeepsTheBytesTheDefaultsLeaveAlone) {
  ProgramSettings s = DefaultSettings(800, 600);
  s.printGraph[2] = 1;                         // frame graph
  s.fitOptions[60] = 0xAB;                     // last 4 bytes of the fit options
  s.backgroundFitBlock[kThreadBlockValueOffset] = 0x42;
  s.LimitsLevel = 4;
  ResetDefaults(s, 800, 600);
  EXPECT_EQ(s.printGraph[2], 1);
  EXPECT_EQ(s.fitOptions[60], 0xAB);
  EXPECT_EQ(s.backgroundFitBlock[kThreadBlockValueOffset], 0x42);
  EXPECT_EQ(s.LimitsLevel, 1);
}

class SettingsDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ondravik_settings_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
            std::to_string(::getpid()));
    fs::remove_all(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    SetUdfSessionWriter(nullptr);
  }
  fs::path dir_;
};

TEST_F(SettingsDir, FirstRunThenExitWritesExactly8003Bytes) {
  ProgramSettings s;
  EXPECT_EQ(LoadSettings(dir_, 1024, 768, s), 1);
  EXPECT_EQ(s.FilterStep, 2);
  ASSERT_TRUE(SaveSettings(dir_, s, 1024, 768));
  EXPECT_EQ(fs::file_size(dir_ / kSettingsFileName), kSettingsFileSize);
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename(), kSettingsFileName);  // no temporary file left behind
  ProgramSettings again;
  EXPECT_EQ(LoadSettings(dir_, 1024, 768, again), 0);
}

TEST_F(SettingsDir, FilesOfOtherSizesGiveAFirstRun) {
  fs::create_directories(dir_);
  auto image = EncodeSettings(DefaultSettings(800, 600), 800, 600);
  for (std::size_t size : {kSettingsFileSize - 1, kSettingsFileSize + 1}) {
    std::ofstream(dir_ / kSettingsFileName, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(size));
    ProgramSettings s;
    s.LimitsLevel = 4;
    EXPECT_EQ(LoadSettingsFile(dir_, 800, 600, s), 0) << size;
    EXPECT_EQ(s.LimitsLevel, 4);
    EXPECT_EQ(LoadSettings(dir_, 800, 600, s), 1);
    EXPECT_EQ(s.LimitsLevel, 1);
  }
}

TEST_F(SettingsDir, FailedWriteWritesNothingAndKeepsTheOldFile) {
  ProgramSettings s = DefaultSettings(800, 600);
  ASSERT_TRUE(SaveSettings(dir_, s, 800, 600));
  bool sessionWritten = false;
  SetUdfSessionWriter([&](const fs::path&) { sessionWritten = true; });
  // A directory where the temporary file must go makes the write fail, even for root.
  fs::create_directory(dir_ / (std::string(kSettingsFileName) + ".tmp" + std::to_string(::getpid())));
  s.LimitsLevel = 4;
  EXPECT_FALSE(SaveSettings(dir_, s, 800, 600));
  EXPECT_FALSE(sessionWritten);
  ProgramSettings back;
  ASSERT_EQ(LoadSettingsFile(dir_, 800, 600, back), 1);
  EXPECT_EQ(back.LimitsLevel, 1);
}

TEST_F(SettingsDir, SessionWriterRunsAfterTheSettingsFile) {
  fs::path seen;
  SetUdfSessionWriter([&](const fs::path& dir) {
    seen = dir;
    EXPECT_TRUE(fs::exists(dir / kSettingsFileName));
  });
  ASSERT_TRUE(SaveSettings(dir_, DefaultSettings(800, 600), 800, 600));
  EXPECT_EQ(seen, dir_);
}

TEST_F(SettingsDir, LastSessionUdfsNeedsASessionFileAbove3500Bytes) {
  ASSERT_TRUE(SaveSettings(dir_, DefaultSettings(800, 600), 800, 600));
  for (auto [size, expected] : {std::pair{3500, 0}, std::pair{3957, 1}}) {
    std::ofstream(dir_ / kUdfSessionFileName, std::ios::binary) << std::string(size, 'u');
    ProgramSettings s;
    ASSERT_EQ(LoadSettingsFile(dir_, 800, 600, s), 1);
    EXPECT_EQ(LastSessionUdfs, expected) << size;
  }
}

TEST_F(SettingsDir, LoadStartsTheThreadBlocksWithTheMissingValue) {
  ProgramSettings s;
  LoadSettings(dir_, 800, 600, s);
  EXPECT_EQ(bytes::DecodeExtended(&s.backgroundFitBlock[kThreadBlockValueOffset]),
            ExprErrorValue);
  EXPECT_EQ(bytes::DecodeExtended(&s.renderThreadBlock[kThreadBlockValueOffset]),
            ExprErrorValue);
}

TEST(SettingsDirectoryChoice, HomeVariableWins) {
  const char* old = std::getenv("ONDRAVIK_HOME");
  std::string saved = old ? old : "";
  setenv("ONDRAVIK_HOME", "/tmp/ondravik-x", 1);
  EXPECT_EQ(SettingsDirectory(), fs::path("/tmp/ondravik-x"));
  unsetenv("ONDRAVIK_HOME");
  EXPECT_EQ(SettingsDirectory().filename(), "ondravik3d");
  EXPECT_EQ(SettingsDirectory().parent_path().filename(), ".config");
  if (old) setenv("ONDRAVIK_HOME", saved.c_str(), 1);
}

}  // namespace
