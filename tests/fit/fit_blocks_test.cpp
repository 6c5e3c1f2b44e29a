#include "fit/fit_blocks.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/byte_codec.h"
#include "app/settings_file.h"
#include "fit/fit_session.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

class FitBlockFiles : public ::testing::Test {
 protected:
  fs::path Path(const char* name) const { return dir_.Path() / name; }
  ScratchDir dir_{"fitblocks"};
};

// A selection and options that use every field, with values inside their ranges.
TFitSelection SampleSelection() {
  TFitSelection s{0x0A5B, 0x61, 5, {}};
  for (int i = 0; i < kNonlinearEquationCount; i += 7) s.nonlinear[i] = 1;
  return s;
}
// keep 17/200/1, SVD, no DOF, highest 12, digits 9, 9999 iterations, 15 digits, rank by
// code 4112, abandon below -0.25 at 33, sampling, Lorentzian.
const TFitOptions kSampleOptions{17, 200, 1, 1, 1, 12, 9, 9999, 15, 4112, -0.25L, 33, 1, kRobustLorentzian};

TEST(FitBlocks, DefaultsAreThoseOfTheProgram) {
  const TFitSelection s = DefaultFitSelection();
  EXPECT_EQ(std::tuple(s.polynomialMask, s.rationalMask, s.subsetMask), std::tuple(63u, 27u, 1u));
  for (int i = 0; i < kNonlinearFlagCount; ++i) EXPECT_EQ(s.nonlinear[i], (i >= 144 && i <= 167) ? 1 : 0) << i;
  EXPECT_EQ(DefaultFitOptions(), (TFitOptions{10, 10, 10, 0, 0, 65, 5, 100, 6, 1, 0.1L, 20, 0, 0}));
  // "Reset All Defaults" keeps the robust mode.
  TFitOptions o = kSampleOptions;
  ResetFitOptions(o);
  EXPECT_EQ(o.robustMode, kRobustLorentzian);
  o.robustMode = 0;
  EXPECT_EQ(o, DefaultFitOptions());
}

TEST(FitBlocks, LayoutsArePinned) {
  const std::vector<std::uint8_t> b = EncodeFitSelection(SampleSelection());
  ASSERT_EQ(b.size(), 252u);
  // The masks little-endian at 0, 4 and 8, then flag 0 at 12.
  EXPECT_EQ((std::vector<int>{b[0], b[1], b[4], b[8], b[12], b[12 + 7], b[12 + 8]}),
            (std::vector<int>{0x5B, 0x0A, 0x61, 5, 1, 1, 0}));
  const std::vector<std::uint8_t> o = EncodeFitOptions(kSampleOptions);
  ASSERT_EQ(o.size(), 62u);
  // Keep (polynomial) at 0, the ranking criterion at 36, the check iteration at 50, the
  // robust mode at 58.
  EXPECT_EQ((std::vector<int>{o[0], o[36], o[37], o[50], o[58]}),
            (std::vector<int>{17, 4112 & 0xFF, 4112 >> 8, 33, kRobustLorentzian}));
  EXPECT_EQ(bytes::DecodeExtended(&o[40]), -0.25L);  // abandon r²
}

TEST_F(FitBlockFiles, FitAndFtpFilesRoundTripByteForByte) {
  const fs::path fit = Path("set.fit"), ftp = Path("prefs.ftp");
  ASSERT_TRUE(WriteFitSelectionFile(fit, SampleSelection()));
  ASSERT_TRUE(WriteFitOptionsFile(ftp, kSampleOptions));
  const std::vector<std::uint8_t> fitBytes = ReadBytes(fit), ftpBytes = ReadBytes(ftp);
  EXPECT_EQ(fitBytes.size(), 252u);
  EXPECT_EQ(ftpBytes.size(), 62u);
  TFitSelection s = DefaultFitSelection();
  TFitOptions o = DefaultFitOptions();
  ASSERT_TRUE(ReadFitSelectionFile(fit, s, o));
  ASSERT_TRUE(ReadFitOptionsFile(ftp, s, o));
  EXPECT_EQ(s, SampleSelection());
  EXPECT_EQ(o, kSampleOptions);
  ASSERT_TRUE(WriteFitSelectionFile(fit, s));
  ASSERT_TRUE(WriteFitOptionsFile(ftp, o));
  EXPECT_EQ(ReadBytes(fit), fitBytes);
  EXPECT_EQ(ReadBytes(ftp), ftpBytes);
}

// The older form, built field by field.
std::vector<std::uint8_t> LegacyFile(std::uint16_t polynomialMask) {
  bytes::ByteWriter w;
  w.U16(polynomialMask);
  for (std::uint16_t v : {25, 0xFFFF, 30, 0xFFFF, 35}) w.U16(v);  // keep, rational mask, keep, subset mask, keep
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
  const fs::path p = WriteBytes(Path("old.fit"), legacy);
  for (int reader = 0; reader < 2; ++reader) {
    TFitSelection s = DefaultFitSelection();
    TFitOptions o = DefaultFitOptions();
    o.robustMode = kRobustPearsonVII;
    ASSERT_TRUE(reader == 0 ? ReadFitSelectionFile(p, s, o) : ReadFitOptionsFile(p, s, o));
    EXPECT_EQ(std::tuple(s.polynomialMask, s.rationalMask, s.subsetMask),
              std::tuple(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_EQ(std::tuple(s.nonlinear[3], s.nonlinear[171], s.nonlinear[144]), std::tuple(1, 1, 0));
    // The older form has no robust mode.
    EXPECT_EQ(o, (TFitOptions{25, 30, 35, 1, 0, 40, 7, 500, 8, 2, 0.3L, 15, 1, kRobustPearsonVII}));
  }
  // A positive 16-bit mask widens to itself.
  TFitSelection s;
  TFitOptions o;
  ASSERT_TRUE(DecodeLegacyFitBlocks(LegacyFile(0x0123), s, o));
  EXPECT_EQ(s.polynomialMask, 0x0123u);
}

TEST_F(FitBlockFiles, WrongSizesAreRefusedAndChangeNothing) {
  // 62 bytes are no custom set and 252 bytes no preferences; the neighbours of every valid
  // size are refused, as are empty and oversized files, a missing file and a directory.
  for (bool selectionReader : {true, false}) {
    std::vector<fs::path> files = {Path("missing.fit"), dir_.Path()};
    for (std::size_t size : {0, 61, 62, 63, 251, 252, 253, 279, 281, 4096}) {
      const fs::path p = Path(("bad" + std::to_string(size)).c_str());
      if (size != (selectionReader ? 252u : 62u)) files.push_back(WriteBytes(p, std::vector<std::uint8_t>(size, 0x41)));
    }
    for (const fs::path& p : files) {
      TFitSelection s = SampleSelection();
      TFitOptions o = kSampleOptions;
      EXPECT_FALSE(selectionReader ? ReadFitSelectionFile(p, s, o) : ReadFitOptionsFile(p, s, o)) << p
          << selectionReader;
      EXPECT_EQ(s, SampleSelection());
      EXPECT_EQ(o, kSampleOptions);
    }
  }
}

TEST_F(FitBlockFiles, HostileValuesAreClampedIntoTheirRanges) {
  // Every byte 0xFF: masks all set, flags 255, counts -1, a NaN abandon r², mode 0xFFFFFFFF.
  TFitSelection s;
  TFitOptions o;
  ASSERT_TRUE(ReadFitSelectionFile(WriteBytes(Path("hostile.fit"), std::vector<std::uint8_t>(252, 0xFF)), s, o));
  ASSERT_TRUE(ReadFitOptionsFile(WriteBytes(Path("hostile.ftp"), std::vector<std::uint8_t>(62, 0xFF)), s, o));
  EXPECT_EQ(s.polynomialMask, 0xFFFFFFFFu);
  for (int i = 0; i < kNonlinearFlagCount; ++i) ASSERT_EQ(s.nonlinear[i], i < kNonlinearEquationCount ? 1 : 0) << i;
  // -1 as a signed count is clamped from below.
  EXPECT_EQ((std::vector{o.keepPolynomial, o.highestTerm, o.maxIterations, o.convergeDigits, o.autoSvd, o.samplingFlag,
                         o.robustMode}),
            (std::vector{kKeepCountMin, kHighestTermMin, kMaxIterationsMin, kConvergeDigitsMin, 1u, 1u,
                         static_cast<std::uint32_t>(kRobustLeastSquares)}));
  EXPECT_EQ(o.abandonR2, 0.1L);
  // Large positive values are clamped from above.
  TFitOptions big = kSampleOptions;
  big.keepPolynomial = 5000;
  big.highestTerm = 66;
  big.digitThreshold = 16;
  big.maxIterations = 10000;
  big.convergeDigits = 99;
  big.robustMode = 4;
  ASSERT_TRUE(DecodeFitOptions(EncodeFitOptions(big), o));
  EXPECT_EQ((std::vector{o.keepPolynomial, o.highestTerm, o.digitThreshold, o.maxIterations, o.convergeDigits,
                         o.robustMode}),
            (std::vector{200u, 65u, 15u, 9999u, 15u, static_cast<std::uint32_t>(kRobustLeastSquares)}));
}

TEST_F(FitBlockFiles, WriteThatCannotBeMadeIsReported) {
  fs::create_directory(Path("taken.fit"));
  EXPECT_FALSE(WriteFitSelectionFile(Path("taken.fit"), DefaultFitSelection()));
  EXPECT_TRUE(fs::is_directory(Path("taken.fit")));
}

TEST(FitBlocks, SettingsBlocksRoundTripThroughTheSession) {
  ProgramSettings settings;
  TFitSession session;
  session.FitSelection = SampleSelection();
  session.FitOptions = kSampleOptions;
  StoreFitBlocksInSettings(settings, session.FitSelection, session.FitOptions);
  EXPECT_EQ(settings.fitSelection.size(), kFitSelectionSize);
  EXPECT_EQ(settings.fitOptions.size(), kFitOptionsSize);
  session.FitSelection = DefaultFitSelection();
  session.FitOptions = DefaultFitOptions();
  LoadFitBlocksFromSettings(settings, session.FitSelection, session.FitOptions);
  EXPECT_EQ(session.FitSelection, SampleSelection());
  EXPECT_EQ(session.FitOptions, kSampleOptions);
  // A block of the wrong size leaves the session's block as it was.
  settings.fitOptions.pop_back();
  session.FitOptions = DefaultFitOptions();
  LoadFitBlocksFromSettings(settings, session.FitSelection, session.FitOptions);
  EXPECT_EQ(session.FitOptions, DefaultFitOptions());
}

}  // namespace
