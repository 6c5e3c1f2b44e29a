#include "graph3d/option_records.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <limits>
#include <random>

#include "app/byte_codec.h"
#include "app/settings_file.h"
#include "graph3d/graph_options.h"
#include "graph3d/option_files.h"
#include "support/scratch_files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The three option files through one interface, so that a test can treat them alike.
OptionFileStatus ReadFile(const std::string& p, T3DViewRec& r) { return ReadViewFile(p, r); }
OptionFileStatus ReadFile(const std::string& p, T3DScalingBlock& r) { return ReadScalingFile(p, r); }
OptionFileStatus ReadFile(const std::string& p, T3DAnimRec& r) { return ReadAnimationFile(p, r); }
bool WriteFile(const std::string& p, const T3DViewRec& r) { return WriteViewFile(p, r); }
bool WriteFile(const std::string& p, const T3DScalingBlock& r) { return WriteScalingFile(p, r); }
bool WriteFile(const std::string& p, const T3DAnimRec& r) { return WriteAnimationFile(p, r); }

class OptionFiles : public ::testing::Test {
 protected:
  // Reads the bytes as a file into `rec`.
  template <typename Rec>
  OptionFileStatus Read(const Bytes& bytes, Rec& rec) {
    return ReadFile(dir_.Write("in", bytes), rec);
  }
  // Writes the record and reads the file back, as the reader clamps it.
  template <typename Rec>
  Rec WriteAndRead(const Rec& rec) {
    EXPECT_TRUE(WriteFile(dir_.File("out"), rec));
    Rec back;
    EXPECT_EQ(ReadFile(dir_.File("out"), back), OptionFileStatus::Ok);
    return back;
  }
  // Reads the bytes and writes the record again: the bytes of the copy.
  template <typename Rec>
  Bytes Copy(const Bytes& bytes) {
    Rec rec;
    EXPECT_EQ(Read(bytes, rec), OptionFileStatus::Ok);
    EXPECT_TRUE(WriteFile(dir_.File("copy"), rec));
    return ReadBytes(dir_.File("copy"));
  }
  ScratchDir dir_;
};

// A view record written field by field, as another program would lay it out.
Bytes HandMadeViewFile() {
  bytes::ByteWriter w;
  for (int v : {17, 40, 25, 1}) w.I16(static_cast<std::int16_t>(v));  // type, mesh X/Y, hide mesh
  for (long double v : {123.5L, -30.0L, -170.0L, 80.0L}) w.Extended(v);  // view and light angles
  for (int v : {0x0327, 2, 3, 0x3C3}) w.I16(static_cast<std::int16_t>(v));  // grid level 3, ...
  w.Extended(1.1L);
  w.I32(4);
  return w.Take();
}

Bytes HandMadeScalingFile() {
  bytes::ByteWriter w;
  for (int v : {1, 0, 1, 0, 1, 0}) w.I16(static_cast<std::int16_t>(v));  // auto, log
  for (long double v : {1.0L, 2.5L, 10.0L, -4.0L, -2.0L, 0.1L, 4.0L, 3.0L, 7.25L})
    w.Extended(v);  // zoom, axis low, axis high
  for (int v : {8, 5, 20}) w.I16(static_cast<std::int16_t>(v));  // divisions
  for (long double v : {-3.9L, -1.5L, 0.2L, 3.9L, 2.5L, 7.0L}) w.Extended(v);  // data low, high
  for (int v : {8, 5, 20}) w.I16(static_cast<std::int16_t>(v));
  return w.Take();
}

Bytes HandMadeAnimationFile() {
  bytes::ByteWriter w;
  for (int v : {0x0103, 10, 350, -5, 45, -45, 15}) w.I16(static_cast<std::int16_t>(v));
  return w.Take();
}

TEST(OptionRecords, EncodedSizesAndViewOffsetsArePinned) {
  EXPECT_EQ(EncodeViewRec(T3DViewRec{}).size(), 70u);
  EXPECT_EQ(EncodePointsRec(T3DPointsRec{}).size(), 12u);
  EXPECT_EQ(EncodeAnimRec(T3DAnimRec{}).size(), 14u);
  EXPECT_EQ(EncodeScalingBlock(T3DScalingBlock{}).size(), 174u);
  EXPECT_EQ(EncodePrintGraphRec(TPrintGraphRec{}).size(), 54u);
  T3DViewRec rec;
  rec.GraphType = 9;
  rec.AngleZ = -45;
  rec.LabelBits = 0x155;
  rec.FrameSize = 1.25L;
  rec.Perspective = 5;
  const Bytes b = EncodeViewRec(rec);
  EXPECT_EQ(b[0], 9);
  EXPECT_EQ(bytes::DecodeExtended(&b[18]), -45.0L);
  EXPECT_EQ(b[54] | b[55] << 8, 0x155);
  EXPECT_EQ(bytes::DecodeExtended(&b[56]), 1.25L);
  EXPECT_EQ(b[66], 5);
}

TEST_F(OptionFiles, EachFileRoundTripsByteForByte) {
  EXPECT_EQ(Copy<T3DViewRec>(HandMadeViewFile()), HandMadeViewFile());
  EXPECT_EQ(Copy<T3DScalingBlock>(HandMadeScalingFile()), HandMadeScalingFile());
  EXPECT_EQ(Copy<T3DAnimRec>(HandMadeAnimationFile()), HandMadeAnimationFile());
  // A view file of 66 bytes was written before the perspective level: it means none.
  Bytes shortFile = HandMadeViewFile();
  shortFile.resize(66);
  T3DViewRec rec;
  ASSERT_EQ(Read(shortFile, rec), OptionFileStatus::Ok);
  EXPECT_EQ(rec.Perspective, 0);
  EXPECT_EQ(rec.MeshX, 40);
  shortFile.resize(70, 0);
  EXPECT_EQ(EncodeViewRec(rec), shortFile);
}

TEST_F(OptionFiles, AWriteThatFailsPartWayKeepsTheFileItWouldReplace) {
  const std::string path = dir_.Write("kept.v3d", HandMadeViewFile());
  // The process may write no file beyond 16 bytes: the record's write stops part-way.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WriteViewFile(path, T3DViewRec{});
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadBytes(path), HandMadeViewFile());
}

TEST_F(OptionFiles, WrongSizesAndRealsThatAreNotNumbersAreRefusedAndChangeNothing) {
  for (std::size_t size : {0u, 65u, 67u, 69u, 71u}) {
    T3DViewRec rec;
    EXPECT_EQ(Read(Bytes(size, 0), rec), OptionFileStatus::Refused) << size;
    EXPECT_EQ(rec, T3DViewRec{});
  }
  for (std::size_t size : {173u, 175u}) {
    T3DScalingBlock block;
    EXPECT_EQ(Read(Bytes(size, 0), block), OptionFileStatus::Refused) << size;
    EXPECT_EQ(block, T3DScalingBlock{});
  }
  for (std::size_t size : {13u, 15u}) {
    T3DAnimRec rec;
    EXPECT_EQ(Read(Bytes(size, 0), rec), OptionFileStatus::Refused) << size;
    EXPECT_EQ(rec, T3DAnimRec{});
  }
  T3DViewRec rec;
  EXPECT_EQ(ReadViewFile(dir_.File("missing.v3d"), rec), OptionFileStatus::CannotOpen);
  EXPECT_EQ(ReadViewFile(dir_.Path(), rec), OptionFileStatus::CannotOpen);  // a directory
  EXPECT_EQ(rec, T3DViewRec{});

  Bytes view = HandMadeViewFile();
  bytes::EncodeExtended(std::numeric_limits<long double>::quiet_NaN(), &view[8]);
  EXPECT_EQ(Read(view, rec), OptionFileStatus::Refused);
  EXPECT_EQ(rec, T3DViewRec{});
  Bytes scale = HandMadeScalingFile();
  bytes::EncodeExtended(std::numeric_limits<long double>::infinity(), &scale[82]);
  T3DScalingBlock block;
  EXPECT_EQ(Read(scale, block), OptionFileStatus::Refused);
}

// An axis range nothing can be drawn on is a damaged file: one whose bounds are so large
// that widening an empty range by 1 changes nothing, and one wider than the 80-bit range.
TEST_F(OptionFiles, ScalingFilesWithEmptyRangesAreWidenedAndOverwideOnesRefused) {
  struct Case {
    const char* what;
    long double low, high;
    bool refused;
  };
  // An empty range is widened at every magnitude, as the dialog that saved it widens it.
  const Case cases[] = {
      {"an empty range of ordinary size is widened", 5, 5, false},
      {"an empty range at 2e19", 2e19L, 2e19L, false},
      {"an empty range at -1e4000", -1e4000L, -1e4000L, false},
      {"a range wider than the 80-bit range", -1e4932L, 1e4932L, true},
      {"a narrow range at 1e18", 1e18L, 1e18L + 1, false},
  };
  for (int axis = 0; axis < 3; ++axis) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " on axis " + std::to_string(axis));
      Bytes scale = HandMadeScalingFile();
      // Magnitudes of a linear axis: on a log axis these are decades, beyond any that show.
      scale[6 + 2 * static_cast<std::size_t>(axis)] = 0;
      bytes::EncodeExtended(c.low, &scale[42 + 10 * static_cast<std::size_t>(axis)]);
      bytes::EncodeExtended(c.high, &scale[72 + 10 * static_cast<std::size_t>(axis)]);
      T3DScalingBlock block;
      EXPECT_EQ(Read(scale, block), c.refused ? OptionFileStatus::Refused : OptionFileStatus::Ok);
      if (c.refused) EXPECT_EQ(block, T3DScalingBlock{});
      else EXPECT_GT(block.AxisHigh[static_cast<std::size_t>(axis)], block.AxisLow[static_cast<std::size_t>(axis)]);
    }
  }
}

// An empty range is made non-empty by one step at every magnitude: 1 above where 1 tells,
// 2^-40 of the magnitude above where it does not, the bottom lowered at the very top.
TEST(WidenEmptyRange, EveryMagnitudeGetsAWidth) {
  constexpr long double kMax = std::numeric_limits<long double>::max();
  constexpr long double kTiny = std::numeric_limits<long double>::denorm_min();
  struct Case {
    long double at;
    long double low, high;  // the range it becomes
  };
  const Case cases[] = {
      {0, 0, 1},
      {5, 5, 6},
      {-5, -5, -4},
      {1e-30L, 1e-30L, 1 + 1e-30L},
      {kTiny, kTiny, 1},
      {1e18L, 1e18L, 1e18L + 1},
      {1e20L, 1e20L, 1e20L + 1e20L * 0x1p-40L},
      {-1e20L, -1e20L, -1e20L + 1e20L * 0x1p-40L},
      {1e4900L, 1e4900L, 1e4900L + 1e4900L * 0x1p-40L},
      {-kMax, -kMax, -kMax + kMax * 0x1p-40L},
      {kMax, kMax - kMax * 0x1p-40L, kMax},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.at));
    long double lo = c.at, hi = c.at;
    WidenEmptyRange(lo, hi);
    EXPECT_EQ(lo, c.low);
    EXPECT_EQ(hi, c.high);
    EXPECT_LT(lo, hi);
    EXPECT_TRUE(std::isfinite(hi - lo));
  }
  long double lo = 2, hi = 3;  // a range with a width stays as it is
  WidenEmptyRange(lo, hi);
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 3);
}

// A scaling file saved with Min = Max, widened as the dialog widens it before it saves,
// reads back exactly as written, at every magnitude and sign.
TEST_F(OptionFiles, EmptyScalingRangesSavedReadBackAtEveryMagnitude) {
  for (const long double at : {1e20L, -1e20L, 1e-30L, -1e-30L, 2e19L, 1e4900L, -1e4900L, 0.0L,
                               std::numeric_limits<long double>::max()}) {
    SCOPED_TRACE(static_cast<double>(at));
    T3DScalingBlock saved;
    for (std::size_t a = 0; a < 3; ++a) {
      saved.AxisLow[a] = saved.AxisHigh[a] = at;
      WidenEmptyRange(saved.AxisLow[a], saved.AxisHigh[a]);
    }
    ASSERT_TRUE(WriteScalingFile(dir_.File("range.scl"), saved));
    T3DScalingBlock back;
    ASSERT_EQ(ReadScalingFile(dir_.File("range.scl"), back), OptionFileStatus::Ok);
    EXPECT_EQ(back.AxisLow, saved.AxisLow);
    EXPECT_EQ(back.AxisHigh, saved.AxisHigh);
    // A file written by another hand with the ends still equal is widened the same way.
    Bytes equal = HandMadeScalingFile();
    bytes::EncodeExtended(at, &equal[42]);
    bytes::EncodeExtended(at, &equal[72]);
    ASSERT_EQ(Read(equal, back), OptionFileStatus::Ok);
    EXPECT_EQ(back.AxisLow[0], saved.AxisLow[0]);
    EXPECT_EQ(back.AxisHigh[0], saved.AxisHigh[0]);
  }
}

TEST_F(OptionFiles, ValuesAreClampedToTheDialogRanges) {
  T3DViewRec wild;
  wild.MeshX = 500;
  wild.MeshY = 0;
  wild.AngleZ = 135;
  wild.LightXY = -400;
  wild.GridBits = 0x3F3F;  // grid level 63
  wild.BackPlanes = 9;
  wild.FrameSize = 5;
  wild.Perspective = 9;
  T3DViewRec tame = wild;
  tame.MeshX = 120;
  tame.MeshY = 5;
  tame.AngleZ = 90;
  tame.LightXY = -180;
  tame.GridBits = 0x0A3F;
  tame.BackPlanes = 3;
  tame.FrameSize = 1.25L;
  tame.Perspective = 5;
  EXPECT_EQ(WriteAndRead(wild), tame);

  T3DScalingBlock s;
  s.Zoom = {0, 50, 1};
  s.Divs = {0, 99, -3};
  s.DataDivs = {0, 1, 1};
  s.AxisLow = {5, 2, 0};
  s.AxisHigh = {1, 2, 1};
  const T3DScalingBlock block = WriteAndRead(s);
  // A zoom or divisions of 0 read as 1; a reversed range is put in order, an empty one
  // widened by 1.
  EXPECT_EQ(block.Zoom, (std::array<long double, 3>{1, 10, 1}));
  EXPECT_EQ(block.Divs, (std::array<std::int16_t, 3>{1, 20, 1}));
  EXPECT_EQ(block.DataDivs[0], 1);
  EXPECT_EQ(block.AxisLow[0], 1);
  EXPECT_EQ(block.AxisHigh[0], 5);
  EXPECT_EQ(block.AxisHigh[1], 3);

  EXPECT_EQ(WriteAndRead(T3DAnimRec{1, -20, 720, 300, 60, -60, -120}), (T3DAnimRec{1, 0, 360, 180, 60, -60, -90}));
}

// A rotation angle outside 0 .. 360 (a damaged .v3d file or settings record) is reduced by
// whole turns: 1e10 and -3e9 degrees were accepted as they stood and reached an int in the
// mouse-wheel rotation and the animation caption, which cannot hold them. The angles the
// dialog makes stay as they are.
TEST_F(OptionFiles, ViewAnglesOutsideOneTurnAreReducedByWholeTurns) {
  struct Case {
    long double read, kept;
  };
  // 1e10 = 27777777 * 360 + 280; -3e9 = -8333334 * 360 + 240.
  for (const Case c : {Case{1e10L, 280}, Case{-3e9L, 240}, Case{-30, 330}, Case{400.5L, 40.5L}, Case{720, 0},
                       Case{-360, 0}, Case{0, 0}, Case{210, 210}, Case{360, 360}}) {
    SCOPED_TRACE(static_cast<double>(c.read));
    T3DViewRec v;
    v.AngleXY = c.read;
    EXPECT_EQ(WriteAndRead(v).AngleXY, c.kept);
    T3DViewRec s = v;
    ASSERT_TRUE(SanitizeViewRec(s));
    EXPECT_EQ(s.AngleXY, c.kept);
  }
  for (const long double far : {1e4000L, -1e4000L, std::numeric_limits<long double>::max()}) {
    T3DViewRec v;
    v.AngleXY = far;
    const long double kept = WriteAndRead(v).AngleXY;
    EXPECT_TRUE(kept >= 0 && kept < 360) << static_cast<double>(kept);
    EXPECT_EQ(static_cast<int>(kept), static_cast<int>(std::floor(kept)));
  }
  // A settings file's view record is read the same way.
  ProgramSettings settings = DefaultSettings(1280, 1024);
  T3DViewRec damaged = DefaultViewRec();
  damaged.AngleXY = -3e9L;
  settings.viewRecords[kGraphDataStatus] = EncodeViewRec(damaged);
  const TGraphOptions options(settings, kGraphDataStatus, kPointsDataStatus, -1);
  EXPECT_EQ(options.view.AngleXY, 240);
}

// A file holding what no dialog sets is another program's or a damaged one: refused, and
// the record it was read into stays as it was.
TEST_F(OptionFiles, RecordsNoDialogMakesAreRefusedAndChangeNothing) {
  for (int type : {-1, 20, 250}) {
    Bytes view = HandMadeViewFile();
    view[0] = static_cast<std::uint8_t>(type & 0xFF);
    view[1] = static_cast<std::uint8_t>((type >> 8) & 0xFF);
    T3DViewRec rec;
    EXPECT_EQ(Read(view, rec), OptionFileStatus::Refused) << "graph type " << type;
    EXPECT_EQ(rec, T3DViewRec{});
  }
  for (int vary : {0x0000, 0x0005, 0x00FF, 0x0301, 0x7F02}) {
    Bytes anim = HandMadeAnimationFile();
    anim[0] = static_cast<std::uint8_t>(vary & 0xFF);
    anim[1] = static_cast<std::uint8_t>(vary >> 8);
    T3DAnimRec rec;
    EXPECT_EQ(Read(anim, rec), OptionFileStatus::Refused) << "vary word " << vary;
    EXPECT_EQ(rec, T3DAnimRec{});
  }
  // A log axis holds decades: 5000 of them show as an infinite maximum.
  for (long double decades : {5000.0L, -4901.0L}) {
    Bytes scale = HandMadeScalingFile();
    scale[8] = 1;  // Log Y
    bytes::EncodeExtended(decades, &scale[decades > 0 ? 82 : 52]);
    T3DScalingBlock block;
    EXPECT_EQ(Read(scale, block), OptionFileStatus::Refused) << static_cast<double>(decades);
    EXPECT_EQ(block, T3DScalingBlock{});
  }
  // The widest log axis the dialog makes reads back.
  T3DScalingBlock widest;
  widest.Log = {1, 0, 0};
  widest.AxisLow[0] = -4900;
  widest.AxisHigh[0] = 4900;
  EXPECT_EQ(WriteAndRead(widest), widest);
}

TEST_F(OptionFiles, FlagWordsKeepOnlyTheBitsTheDialogsSet) {
  T3DViewRec wild;
  wild.HideMesh = 7;
  wild.ContourBits = -1;         // 0xFFFF
  wild.LabelBits = -1;           // 0xFFFF
  wild.GridBits = 0x05FF;        // grid level 5, every low bit
  T3DViewRec tame = wild;
  tame.HideMesh = 1;
  tame.ContourBits = 3;
  tame.LabelBits = 1023;
  tame.GridBits = 0x053F;
  EXPECT_EQ(WriteAndRead(wild), tame);

  T3DScalingBlock s;
  s.Auto = {5, 0, -1};
  s.Log = {0, 9, 0};
  s.AxisLow = {0, 0, 0};
  s.AxisHigh = {1, 2, 1};
  const T3DScalingBlock block = WriteAndRead(s);
  EXPECT_EQ(block.Auto, (std::array<std::int16_t, 3>{1, 0, 1}));
  EXPECT_EQ(block.Log, (std::array<std::int16_t, 3>{0, 1, 0}));
}

TEST(OptionRecords, DefaultsMatchTheSettingsFileDefaults) {
  const ProgramSettings settings = DefaultSettings(1280, 1024);
  EXPECT_EQ(EncodeViewRec(DefaultViewRec()), settings.viewRecords[kGraphDataStatus]);
  EXPECT_EQ(EncodeViewRec(DefaultViewRec(ViewRecKind::UserFunctionGraph)),
            settings.viewRecords[kGraphUserFunction]);
  EXPECT_EQ(EncodeViewRec(DefaultViewRec(ViewRecKind::ReviewPane)),
            settings.viewRecords[kGraphReviewPane]);
  EXPECT_EQ(EncodeViewRec(DefaultViewRec(ViewRecKind::Sampler)), settings.viewRecords[kGraphSampler]);
  EXPECT_EQ(EncodePointsRec(DefaultPointsRec()), settings.pointsRecords[kPointsDataStatus]);
  EXPECT_EQ(EncodePointsRec(DefaultPointsRec(true)), settings.pointsRecords[kPointsUserFunction]);
  EXPECT_EQ(EncodeAnimRec(T3DAnimRec{}), settings.animRecord);
  EXPECT_EQ(EncodePrintGraphRec(TPrintGraphRec{}), settings.printGraph);
}

TEST(OptionRecords, SettingsBlocksDecodeAndEncodeUnchanged) {
  // The fit-record word of a points record and the reserved bytes of the print record are
  // carried as they were read.
  Bytes points = {3, 0, 1, 0, 4, 0, 0x02, 0x01, 0xEF, 0xBE, 0xAD, 0xDE};
  T3DPointsRec p;
  ASSERT_TRUE(DecodePointsRec(points, p));
  EXPECT_EQ(p.Display, 0x102);
  EXPECT_EQ(p.FitRecordWord, 0xDEADBEEFu);
  EXPECT_EQ(EncodePointsRec(p), points);

  Bytes print = EncodePrintGraphRec(TPrintGraphRec{});
  for (std::size_t k = 42; k < 54; ++k) print[k] = static_cast<std::uint8_t>(k);
  TPrintGraphRec r;
  ASSERT_TRUE(DecodePrintGraphRec(print, r));
  EXPECT_EQ(r.PortraitMargins[3], 14.0f);
  EXPECT_EQ(EncodePrintGraphRec(r), print);
}

TEST(OptionRecords, DecodersSurviveArbitraryBytes) {
  std::mt19937 gen(7);
  for (std::size_t size = 0; size <= 180; ++size) {
    Bytes b(size);
    for (auto& v : b) v = static_cast<std::uint8_t>(gen());
    T3DViewRec view;
    T3DScalingBlock scale;
    T3DAnimRec anim;
    T3DPointsRec points;
    TPrintGraphRec print;
    const bool v = DecodeViewRec(b, view);
    EXPECT_EQ(v, size == 70 || size == 66);
    // Whether a record is refused is not the question here: only that nothing breaks.
    if (v) (void)SanitizeViewRec(view);
    if (DecodeScalingBlock(b, scale)) (void)SanitizeScalingBlock(scale);
    if (DecodeAnimRec(b, anim)) (void)SanitizeAnimRec(anim);
    EXPECT_EQ(DecodePointsRec(b, points), size == 12);
    EXPECT_EQ(DecodePrintGraphRec(b, print), size == 54);
  }
}

}  // namespace
