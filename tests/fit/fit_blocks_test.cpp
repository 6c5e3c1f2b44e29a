#include "fit/fit_blocks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/byte_codec.h"
#include "app/settings_file.h"

namespace {

namespace fs = std::filesystem;

class FitBlockFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fitblocksXXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const std::string& name, const std::vector<std::uint8_t>& data) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
    return p;
  }
  std::vector<std::uint8_t> Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_;
};

// A selection and options that use every field, with values inside their ranges.
TFitSelection SampleSelection() {
  TFitSelection s;
  s.polynomialMask = 0x0A5B;
  s.rationalMask = 0x61;
  s.subsetMask = 5;
  for (int i = 0; i < kNonlinearEquationCount; i += 7) s.nonlinear[i] = 1;
  return s;
}

TFitOptions SampleOptions() {
  TFitOptions o;
  o.keepPolynomial = 17;
  o.keepRational = 200;
  o.keepSubset = 1;
  o.autoSvd = 1;
  o.noDofForError = 1;
  o.highestTerm = 12;
  o.digitThreshold = 9;
  o.maxIterations = 9999;
  o.convergeDigits = 15;
  o.sortCriterion = 4112;
  o.abandonR2 = -0.25L;
  o.checkIteration = 33;
  o.samplingFlag = 1;
  o.robustMode = kRobustLorentzian;
  return o;
}

TEST(FitBlocks, DefaultsAreThoseOfTheProgram) {
  const TFitSelection s = DefaultFitSelection();
  EXPECT_EQ(s.polynomialMask, 63u);
  EXPECT_EQ(s.rationalMask, 27u);
  EXPECT_EQ(s.subsetMask, 1u);
  for (int i = 0; i < kNonlinearFlagCount; ++i)
    EXPECT_EQ(s.nonlinear[i], (i >= 144 && i <= 167) ? 1 : 0) << i;

  const TFitOptions o = DefaultFitOptions();
  const std::vector<std::uint32_t> ints = {
      o.keepPolynomial, o.keepRational,   o.keepSubset,    o.autoSvd,        o.noDofForError,
      o.highestTerm,    o.digitThreshold, o.maxIterations, o.convergeDigits, o.sortCriterion,
      o.checkIteration, o.samplingFlag,   o.robustMode};
  EXPECT_EQ(ints, (std::vector<std::uint32_t>{10, 10, 10, 0, 0, 65, 5, 100, 6, 1, 20, 0, 0}));
  EXPECT_EQ(o.abandonR2, 0.1L);
}

TEST(FitBlocks, ResetKeepsTheRobustMode) {
  TFitOptions o = SampleOptions();
  ResetFitOptions(o);
  EXPECT_EQ(o.robustMode, kRobustLorentzian);
  o.robustMode = 0;
  EXPECT_EQ(o, DefaultFitOptions());
}

TEST(FitBlocks, SelectionLayoutIsPinned) {
  const std::vector<std::uint8_t> b = EncodeFitSelection(SampleSelection());
  ASSERT_EQ(b.size(), 252u);
  EXPECT_EQ(b[0], 0x5B);  // polynomial mask, little-endian
  EXPECT_EQ(b[1], 0x0A);
  EXPECT_EQ(b[4], 0x61);  // rational mask
  EXPECT_EQ(b[8], 5);     // subset mask
  EXPECT_EQ(b[12], 1);    // flag 0
  EXPECT_EQ(b[12 + 7], 1);
  EXPECT_EQ(b[12 + 8], 0);
}

TEST(FitBlocks, OptionsLayoutIsPinned) {
  const std::vector<std::uint8_t> b = EncodeFitOptions(SampleOptions());
  ASSERT_EQ(b.size(), 62u);
  EXPECT_EQ(b[0], 17);            // keep, polynomial
  EXPECT_EQ(b[36], 4112 & 0xFF);  // ranking criterion
  EXPECT_EQ(b[37], 4112 >> 8);
  EXPECT_EQ(bytes::DecodeExtended(&b[40]), -0.25L);  // abandon r²
  EXPECT_EQ(b[50], 33);                              // check iteration
  EXPECT_EQ(b[58], kRobustLorentzian);
}

TEST_F(FitBlockFiles, FitAndFtpFilesRoundTripByteForByte) {
  const fs::path fit = dir_ / "set.fit";
  const fs::path ftp = dir_ / "prefs.ftp";
  ASSERT_TRUE(WriteFitSelectionFile(fit, SampleSelection()));
  ASSERT_TRUE(WriteFitOptionsFile(ftp, SampleOptions()));
  const std::vector<std::uint8_t> fitBytes = Read(fit);
  const std::vector<std::uint8_t> ftpBytes = Read(ftp);
  EXPECT_EQ(fitBytes.size(), 252u);
  EXPECT_EQ(ftpBytes.size(), 62u);

  TFitSelection s = DefaultFitSelection();
  TFitOptions o = DefaultFitOptions();
  ASSERT_TRUE(ReadFitSelectionFile(fit, s, o));
  ASSERT_TRUE(ReadFitOptionsFile(ftp, s, o));
  EXPECT_EQ(s, SampleSelection());
  EXPECT_EQ(o, SampleOptions());

  ASSERT_TRUE(WriteFitSelectionFile(fit, s));
  ASSERT_TRUE(WriteFitOptionsFile(ftp, o));
  EXPECT_EQ(Read(fit), fitBytes);
  EXPECT_EQ(Read(ftp), ftpBytes);
}

// The older form, built field by field.
std::vector<std::uint8_t> LegacyFile(std::uint16_t polynomialMask) {
  bytes::ByteWriter w;
  w.U16(polynomialMask);
  w.U16(25);      // keep, polynomial
  w.U16(0xFFFF);  // rational mask
  w.U16(30);      // keep, rational
  w.U16(0xFFFF);  // subset mask
  w.U16(35);      // keep, subsets
  for (int i = 0; i < 240; ++i) w.U8(i == 3 || i == 171 ? 1 : 0);
  for (std::uint16_t v : {1, 0, 40, 7, 500, 8, 2}) w.U16(v);
  w.Extended(0.3L);
  w.U16(15);  // check iteration
  w.U16(1);   // sampling
  return w.Take();
}

TEST_F(FitBlockFiles, LegacyFileFillsBothBlocksWithSignExtendedMasks) {
  const std::vector<std::uint8_t> legacy = LegacyFile(0xFFFF);
  ASSERT_EQ(legacy.size(), 280u);
  const fs::path p = Write("old.fit", legacy);
  for (int reader = 0; reader < 2; ++reader) {
    TFitSelection s = DefaultFitSelection();
    TFitOptions o = DefaultFitOptions();
    o.robustMode = kRobustPearsonVII;
    ASSERT_TRUE(reader == 0 ? ReadFitSelectionFile(p, s, o) : ReadFitOptionsFile(p, s, o));
    EXPECT_EQ(s.polynomialMask, 0xFFFFFFFFu);
    EXPECT_EQ(s.rationalMask, 0xFFFFFFFFu);
    EXPECT_EQ(s.subsetMask, 0xFFFFFFFFu);
    EXPECT_EQ(s.nonlinear[3], 1);
    EXPECT_EQ(s.nonlinear[171], 1);
    EXPECT_EQ(s.nonlinear[144], 0);
    EXPECT_EQ(o.keepPolynomial, 25u);
    EXPECT_EQ(o.keepRational, 30u);
    EXPECT_EQ(o.keepSubset, 35u);
    EXPECT_EQ(o.autoSvd, 1u);
    EXPECT_EQ(o.highestTerm, 40u);
    EXPECT_EQ(o.digitThreshold, 7u);
    EXPECT_EQ(o.maxIterations, 500u);
    EXPECT_EQ(o.convergeDigits, 8u);
    EXPECT_EQ(o.sortCriterion, 2u);
    EXPECT_EQ(o.abandonR2, 0.3L);
    EXPECT_EQ(o.checkIteration, 15u);
    EXPECT_EQ(o.samplingFlag, 1u);
    EXPECT_EQ(o.robustMode, kRobustPearsonVII) << "the older form has no robust mode";
  }
  // A positive 16-bit mask widens to itself.
  TFitSelection s;
  TFitOptions o;
  ASSERT_TRUE(DecodeLegacyFitBlocks(LegacyFile(0x0123), s, o));
  EXPECT_EQ(s.polynomialMask, 0x0123u);
}

TEST_F(FitBlockFiles, WrongSizesAreRefusedAndChangeNothing) {
  const TFitSelection s0 = SampleSelection();
  const TFitOptions o0 = SampleOptions();
  struct Case {
    std::size_t size;
    bool selectionReader;
  };
  // 62 bytes are no custom set and 252 bytes no preferences; the neighbours of every valid
  // size are refused, as are empty and oversized files.
  const Case cases[] = {{0, true},    {62, true},   {251, true},  {253, true},  {279, true},
                        {281, true},  {4096, true}, {0, false},   {61, false},  {63, false},
                        {252, false}, {279, false}, {281, false}, {4096, false}};
  for (const Case& c : cases) {
    const fs::path p = Write("bad.bin", std::vector<std::uint8_t>(c.size, 0x41));
    TFitSelection s = s0;
    TFitOptions o = o0;
    const bool ok = c.selectionReader ? ReadFitSelectionFile(p, s, o) : ReadFitOptionsFile(p, s, o);
    EXPECT_FALSE(ok) << c.size << (c.selectionReader ? " .fit" : " .ftp");
    EXPECT_EQ(s, s0);
    EXPECT_EQ(o, o0);
  }
  TFitSelection s = s0;
  TFitOptions o = o0;
  EXPECT_FALSE(ReadFitSelectionFile(dir_ / "missing.fit", s, o));
  EXPECT_FALSE(ReadFitOptionsFile(dir_, s, o)) << "a directory is no file";
  EXPECT_EQ(s, s0);
  EXPECT_EQ(o, o0);
}

TEST_F(FitBlockFiles, HostileValuesAreClampedIntoTheirRanges) {
  // Every byte 0xFF: masks all set, flags 255, counts -1, a NaN abandon r², mode 0xFFFFFFFF.
  const fs::path ftp = Write("hostile.ftp", std::vector<std::uint8_t>(62, 0xFF));
  const fs::path fit = Write("hostile.fit", std::vector<std::uint8_t>(252, 0xFF));
  TFitSelection s;
  TFitOptions o;
  ASSERT_TRUE(ReadFitSelectionFile(fit, s, o));
  ASSERT_TRUE(ReadFitOptionsFile(ftp, s, o));
  EXPECT_EQ(s.polynomialMask, 0xFFFFFFFFu);
  for (int i = 0; i < kNonlinearFlagCount; ++i)
    ASSERT_EQ(s.nonlinear[i], i < kNonlinearEquationCount ? 1 : 0) << i;
  EXPECT_EQ(o.keepPolynomial, kKeepCountMin);  // -1 as a signed count
  EXPECT_EQ(o.highestTerm, kHighestTermMin);
  EXPECT_EQ(o.maxIterations, kMaxIterationsMin);
  EXPECT_EQ(o.convergeDigits, kConvergeDigitsMin);
  EXPECT_EQ(o.autoSvd, 1u);
  EXPECT_EQ(o.samplingFlag, 1u);
  EXPECT_EQ(o.abandonR2, 0.1L);
  EXPECT_EQ(o.robustMode, kRobustLeastSquares);

  // Large positive values are clamped from above.
  TFitOptions big = SampleOptions();
  big.keepPolynomial = 5000;
  big.highestTerm = 66;
  big.digitThreshold = 16;
  big.maxIterations = 10000;
  big.convergeDigits = 99;
  big.robustMode = 4;
  ASSERT_TRUE(DecodeFitOptions(EncodeFitOptions(big), o));
  EXPECT_EQ(o.keepPolynomial, 200u);
  EXPECT_EQ(o.highestTerm, 65u);
  EXPECT_EQ(o.digitThreshold, 15u);
  EXPECT_EQ(o.maxIterations, 9999u);
  EXPECT_EQ(o.convergeDigits, 15u);
  EXPECT_EQ(o.robustMode, kRobustLeastSquares);
}

TEST_F(FitBlockFiles, WriteThatCannotBeMadeIsReported) {
  fs::create_directory(dir_ / "taken.fit");
  EXPECT_FALSE(WriteFitSelectionFile(dir_ / "taken.fit", DefaultFitSelection()));
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.fit"));
}

TEST(FitBlocks, SettingsBlocksRoundTripThroughTheGlobals) {
  ProgramSettings settings;
  const TFitSelection savedSelection = FitSelection;
  const TFitOptions savedOptions = FitOptions;
  FitSelection = SampleSelection();
  FitOptions = SampleOptions();
  StoreFitBlocksInSettings(settings);
  EXPECT_EQ(settings.fitSelection.size(), kFitSelectionSize);
  EXPECT_EQ(settings.fitOptions.size(), kFitOptionsSize);
  FitSelection = DefaultFitSelection();
  FitOptions = DefaultFitOptions();
  LoadFitBlocksFromSettings(settings);
  EXPECT_EQ(FitSelection, SampleSelection());
  EXPECT_EQ(FitOptions, SampleOptions());
  // A block of the wrong size leaves the global as it was.
  settings.fitOptions.pop_back();
  FitOptions = DefaultFitOptions();
  LoadFitBlocksFromSettings(settings);
  EXPECT_EQ(FitOptions, DefaultFitOptions());
  FitSelection = savedSelection;
  FitOptions = savedOptions;
}

}  // namespace
