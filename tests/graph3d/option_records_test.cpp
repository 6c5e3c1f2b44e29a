#include "graph3d/option_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#include "app/byte_codec.h"
#include "app/settings_file.h"
#include "graph3d/option_files.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("ondravik_graph3d_" + std::to_string(std::random_device{}()));
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  fs::path File(const std::string& name, const Bytes& bytes) const {
    const fs::path p = path_ / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p;
  }
  fs::path Path(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A view record written field by field, as another program would lay it out.
Bytes HandMadeViewFile() {
  bytes::ByteWriter w;
  w.I16(17);    // graph type
  w.I16(40);    // mesh X
  w.I16(25);    // mesh Y
  w.I16(1);     // hide mesh
  w.Extended(123.5L);
  w.Extended(-30);
  w.Extended(-170);
  w.Extended(80);
  w.I16(0x0327);  // grid level 3, families 0x27
  w.I16(2);
  w.I16(3);
  w.I16(0x3C3);
  w.Extended(1.1L);
  w.I32(4);
  return w.Take();
}

Bytes HandMadeScalingFile() {
  bytes::ByteWriter w;
  for (int v : {1, 0, 1}) w.I16(static_cast<std::int16_t>(v));  // auto
  for (int v : {0, 1, 0}) w.I16(static_cast<std::int16_t>(v));  // log
  for (long double v : {1.0L, 2.5L, 10.0L}) w.Extended(v);      // zoom
  for (long double v : {-4.0L, -2.0L, 0.1L}) w.Extended(v);     // axis low
  for (long double v : {4.0L, 3.0L, 7.25L}) w.Extended(v);      // axis high
  for (int v : {8, 5, 20}) w.I16(static_cast<std::int16_t>(v));  // divisions
  for (long double v : {-3.9L, -1.5L, 0.2L}) w.Extended(v);     // data low
  for (long double v : {3.9L, 2.5L, 7.0L}) w.Extended(v);       // data high
  for (int v : {8, 5, 20}) w.I16(static_cast<std::int16_t>(v));
  return w.Take();
}

Bytes HandMadeAnimationFile() {
  bytes::ByteWriter w;
  for (int v : {0x0103, 10, 350, -5, 45, -45, 15}) w.I16(static_cast<std::int16_t>(v));
  return w.Take();
}

TEST(OptionRecords, EncodedSizesArePinned) {
  EXPECT_EQ(EncodeViewRec(T3DViewRec{}).size(), 70u);
  EXPECT_EQ(EncodePointsRec(T3DPointsRec{}).size(), 12u);
  EXPECT_EQ(EncodeAnimRec(T3DAnimRec{}).size(), 14u);
  EXPECT_EQ(EncodeScalingBlock(T3DScalingBlock{}).size(), 174u);
  EXPECT_EQ(EncodePrintGraphRec(TPrintGraphRec{}).size(), 54u);
}

TEST(OptionRecords, ViewRecordFieldsSitAtTheirOffsets) {
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

TEST(OptionFiles, EachFileRoundTripsByteForByte) {
  TempDir dir;
  struct Case {
    const char* name;
    Bytes bytes;
  };
  const Case cases[] = {{"view.v3d", HandMadeViewFile()},
                        {"scale.scl", HandMadeScalingFile()},
                        {"anim.ani", HandMadeAnimationFile()}};
  for (const Case& c : cases) {
    const fs::path in = dir.File(c.name, c.bytes);
    const fs::path out = dir.Path(std::string("copy_") + c.name);
    SCOPED_TRACE(c.name);
    if (in.extension() == ".v3d") {
      T3DViewRec rec;
      ASSERT_EQ(ReadViewFile(in, rec), OptionFileStatus::Ok);
      ASSERT_TRUE(WriteViewFile(out, rec));
    } else if (in.extension() == ".scl") {
      T3DScalingBlock block;
      ASSERT_EQ(ReadScalingFile(in, block), OptionFileStatus::Ok);
      ASSERT_TRUE(WriteScalingFile(out, block));
    } else {
      T3DAnimRec rec;
      ASSERT_EQ(ReadAnimationFile(in, rec), OptionFileStatus::Ok);
      ASSERT_TRUE(WriteAnimationFile(out, rec));
    }
    EXPECT_EQ(ReadAll(out), c.bytes);
  }
}

TEST(OptionFiles, ShortViewFileMeansNoPerspective) {
  TempDir dir;
  Bytes shortFile = HandMadeViewFile();
  shortFile.resize(66);
  T3DViewRec rec;
  ASSERT_EQ(ReadViewFile(dir.File("old.v3d", shortFile), rec), OptionFileStatus::Ok);
  EXPECT_EQ(rec.Perspective, 0);
  EXPECT_EQ(rec.MeshX, 40);
  const Bytes again = EncodeViewRec(rec);
  ASSERT_EQ(again.size(), 70u);
  EXPECT_TRUE(std::equal(shortFile.begin(), shortFile.end(), again.begin()));
  EXPECT_EQ(again[66] | again[67] | again[68] | again[69], 0);
}

TEST(OptionFiles, WrongSizesAreRefusedAndChangeNothing) {
  TempDir dir;
  const T3DViewRec viewBefore;
  const T3DScalingBlock scaleBefore;
  const T3DAnimRec animBefore;
  for (std::size_t size : {0u, 65u, 67u, 69u, 71u}) {
    T3DViewRec rec = viewBefore;
    EXPECT_EQ(ReadViewFile(dir.File("v.v3d", Bytes(size, 0)), rec), OptionFileStatus::Refused);
    EXPECT_EQ(rec, viewBefore);
  }
  for (std::size_t size : {173u, 175u}) {
    T3DScalingBlock block = scaleBefore;
    EXPECT_EQ(ReadScalingFile(dir.File("s.scl", Bytes(size, 0)), block), OptionFileStatus::Refused);
    EXPECT_EQ(block, scaleBefore);
  }
  for (std::size_t size : {13u, 15u}) {
    T3DAnimRec rec = animBefore;
    EXPECT_EQ(ReadAnimationFile(dir.File("a.ani", Bytes(size, 0)), rec), OptionFileStatus::Refused);
    EXPECT_EQ(rec, animBefore);
  }
  T3DViewRec rec;
  EXPECT_EQ(ReadViewFile(dir.Path("missing.v3d"), rec), OptionFileStatus::CannotOpen);
  EXPECT_EQ(ReadViewFile(dir.Path(""), rec), OptionFileStatus::CannotOpen);  // a directory
  EXPECT_EQ(rec, viewBefore);
}

TEST(OptionFiles, RealsThatAreNotNumbersRefuseTheFile) {
  TempDir dir;
  Bytes view = HandMadeViewFile();
  bytes::EncodeExtended(std::numeric_limits<long double>::quiet_NaN(), &view[8]);
  T3DViewRec rec;
  EXPECT_EQ(ReadViewFile(dir.File("nan.v3d", view), rec), OptionFileStatus::Refused);
  EXPECT_EQ(rec, T3DViewRec{});

  Bytes scale = HandMadeScalingFile();
  bytes::EncodeExtended(std::numeric_limits<long double>::infinity(), &scale[82]);
  T3DScalingBlock block;
  EXPECT_EQ(ReadScalingFile(dir.File("inf.scl", scale), block), OptionFileStatus::Refused);
}

TEST(OptionFiles, ValuesAreClampedToTheDialogRanges) {
  TempDir dir;
  T3DViewRec wild;
  wild.MeshX = 500;
  wild.MeshY = 0;
  wild.AngleZ = 135;
  wild.LightXY = -400;
  wild.GridBits = 0x3F3F;  // grid level 63
  wild.BackPlanes = 9;
  wild.FrameSize = 5;
  wild.Perspective = 9;
  ASSERT_TRUE(WriteViewFile(dir.Path("w.v3d"), wild));
  T3DViewRec rec;
  ASSERT_EQ(ReadViewFile(dir.Path("w.v3d"), rec), OptionFileStatus::Ok);
  EXPECT_EQ(rec.MeshX, 120);
  EXPECT_EQ(rec.MeshY, 5);
  EXPECT_EQ(rec.AngleZ, 90);
  EXPECT_EQ(rec.LightXY, -180);
  EXPECT_EQ(rec.GridBits, 0x0A3F);
  EXPECT_EQ(rec.BackPlanes, 3);
  EXPECT_EQ(rec.FrameSize, 1.25L);
  EXPECT_EQ(rec.Perspective, 5);

  T3DScalingBlock s;
  s.Zoom = {0, 50, 1};
  s.Divs = {0, 99, -3};
  s.DataDivs = {0, 1, 1};
  s.AxisLow = {5, 2, 0};
  s.AxisHigh = {1, 2, 1};
  ASSERT_TRUE(WriteScalingFile(dir.Path("s.scl"), s));
  T3DScalingBlock block;
  ASSERT_EQ(ReadScalingFile(dir.Path("s.scl"), block), OptionFileStatus::Ok);
  EXPECT_EQ(block.Zoom[0], 1);  // a zoom of 0 reads as 1
  EXPECT_EQ(block.Zoom[1], 10);
  EXPECT_EQ(block.Divs[0], 1);  // 0 divisions read as 1
  EXPECT_EQ(block.Divs[1], 20);
  EXPECT_EQ(block.Divs[2], 1);
  EXPECT_EQ(block.DataDivs[0], 1);
  EXPECT_EQ(block.AxisLow[0], 1);  // reversed range put in order
  EXPECT_EQ(block.AxisHigh[0], 5);
  EXPECT_EQ(block.AxisHigh[1], 3);  // empty range widened by 1

  T3DAnimRec a;
  a.StartXY = -20;
  a.EndXY = 720;
  a.StepXY = 300;
  a.StepZ = -120;
  ASSERT_TRUE(WriteAnimationFile(dir.Path("a.ani"), a));
  T3DAnimRec anim;
  ASSERT_EQ(ReadAnimationFile(dir.Path("a.ani"), anim), OptionFileStatus::Ok);
  EXPECT_EQ(anim.StartXY, 0);
  EXPECT_EQ(anim.EndXY, 360);
  EXPECT_EQ(anim.StepXY, 180);
  EXPECT_EQ(anim.StepZ, -90);
}

TEST(OptionRecords, DefaultsMatchTheSettingsFileDefaults) {
  const ProgramSettings settings = DefaultSettings(1280, 1024);
  EXPECT_EQ(EncodeViewRec(DefaultViewRec()), settings.viewRecords[kGraphDataStatus]);
  EXPECT_EQ(EncodeViewRec(DefaultViewRec(ViewRecKind::UserFunctionGraph)),
            settings.viewRecords[kGraphUserFunction]);
  EXPECT_EQ(EncodeViewRec(DefaultViewRec(ViewRecKind::ReviewPane)),
            settings.viewRecords[kGraphReviewPane]);
  EXPECT_EQ(EncodeViewRec(DefaultViewRec(ViewRecKind::Sampler)),
            settings.viewRecords[kGraphSampler]);
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
    if (v) SanitizeViewRec(view);
    if (DecodeScalingBlock(b, scale)) SanitizeScalingBlock(scale);
    if (DecodeAnimRec(b, anim)) SanitizeAnimRec(anim);
    EXPECT_EQ(DecodePointsRec(b, points), size == 12);
    EXPECT_EQ(DecodePrintGraphRec(b, print), size == 54);
  }
}

}  // namespace
