// .udf files in their text and raw forms, and .udl libraries.
#include <cmath>

#include "app/byte_codec.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_limits.h"
#include "tools/udf/udf_record_codec.h"
#include "udf_test_support.h"

namespace {

class UdfFilesTest : public UdfTest {
 protected:
  static TUdfRecord& Plane(int k = 0) {
    TUdfRecord& r = Define(k, "PLANE", "Z=A0+A1*X+A1*Y\r\n", {{"-1e+25", "1", "1e+25"}, {"-1e+25", "1", "1e+25"}});
    ParseUdfParams(k);
    return r;
  }
  // Every function's record as bytes, to tell that a refused file changed nothing.
  static std::vector<std::vector<std::uint8_t>> Snapshot() {
    std::vector<std::vector<std::uint8_t>> s;
    for (const auto& r : UdfTable) s.push_back(r ? EncodeUdfRecord(*r) : std::vector<std::uint8_t>{});
    return s;
  }
};

// The two-parameter PLANE of the text form's description, line by line.
constexpr std::string_view kPlaneText =
    "PLANE\r\n2\r\n1\r\nZ=A0+A1*X+A1*Y\r\n-1e+25 1 1e+25\r\n-1e+25 1 1e+25\r\n";

TEST_F(UdfFilesTest, PlaneIsWrittenAsItsTextFormWithCrLf) {
  Plane();
  ASSERT_EQ(WriteUdfFile(0, File("plane.udf")), 1);
  EXPECT_EQ(AsText(ReadBytes(File("plane.udf"))), kPlaneText);
}

TEST_F(UdfFilesTest, TextFormReadsBackWithLimitsEvaluated) {
  WriteText(File("plane.udf"), kPlaneText);
  ASSERT_EQ(ReadUdfFile(4, File("plane.udf")), 1);
  const TUdfRecord& r = *Udf(4);
  EXPECT_EQ(Str(r.Name), "PLANE");
  EXPECT_EQ(r.ParamCount, 2);
  EXPECT_EQ(r.LineCount, 1);
  EXPECT_EQ(Str(r.Text), "Z=A0+A1*X+A1*Y\r\n");
  EXPECT_EQ(Str(r.StartText[1]), "1");
  EXPECT_EQ(r.Lower[0], -1e25L);  // as the language reads "-1e+25"
  EXPECT_EQ(r.Start[1], 1);
  EXPECT_EQ(r.Upper[1], 1e25L);
  EXPECT_EQ(r.DataMask, 0u);
  // Parameters beyond the count hold the defaults.
  for (std::size_t i = 2; i < 10; ++i) {
    EXPECT_EQ(r.Lower[i], static_cast<long double>(-1e25));
    EXPECT_EQ(r.Start[i], 1);
    EXPECT_EQ(r.Upper[i], static_cast<long double>(1e25));
  }
}

TEST_F(UdfFilesTest, TextIsTakenInUpperCaseAndTheNameKeepsItsCase) {
  // LF line ends are read as well as CR LF.
  WriteText(File("low.udf"), "Lower\n1\n2\nf1=a0*x\nz=f1+y\n0 1 2\n");
  ASSERT_EQ(ReadUdfFile(0, File("low.udf")), 1);
  EXPECT_EQ(Str(Udf(0)->Name), "Lower");
  EXPECT_EQ(Str(Udf(0)->Text), "F1=A0*X\r\nZ=F1+Y\r\n");
  EXPECT_EQ(Udf(0)->LineCount, 2);
}

TEST_F(UdfFilesTest, DataDependentStartMakesARawFile) {
  // A start expression reading ZMEAN sets mask bit 1 for parameter 2.
  Define(2, "DEP", "Z=A0+A1*X*Y\r\n", {{"-10", "1", "10"}, {"0", "ZMEAN", "100"}});
  ParseUdfParams(2);
  EXPECT_EQ(Udf(2)->DataMask, 0x2u);
  EXPECT_EQ(Udf(2)->Start[1], 4);
  ASSERT_EQ(WriteUdfFile(2, File("dep.udf")), 1);
  const std::vector<std::uint8_t> b = ReadBytes(File("dep.udf"));
  ASSERT_EQ(b.size(), 3945u);
  EXPECT_EQ(bytes::DecodeExtended(b.data() + 1039), -10);  // A0's lower limit
  EXPECT_EQ(b[3739], 0x2);                                 // the mask
  // Read back, the limits follow today's data.
  DataStats.Z.Mean = 7;
  ASSERT_EQ(ReadUdfFile(5, File("dep.udf")), 1);
  EXPECT_EQ(Udf(5)->Start[1], 7);
  EXPECT_EQ(Str(Udf(5)->StartText[1]), "ZMEAN");
}

TEST_F(UdfFilesTest, FunctionsTheTextFormCannotCarryAreWrittenRaw) {
  struct Case {
    const char* what;
    const char* text;
    Limits limits;
  };
  const Case cases[] = {
      {"blank inside an expression", "Z=A0*X+Y\r\n", {"-1", "2 + 1", "10"}},
      {"empty expression", "Z=A0*X+Y\r\n", {"", "1", "10"}},
      {"text in lower case", "Z=A0*X+y\r\n", {"-1", "1", "10"}},
      {"text without a last line end", "Z=A0*X+Y", {"-1", "1", "10"}},
      {"Ctrl-Z in the text", "Z=A0*X+Y\x1a\r\n", {"-1", "1", "10"}},
  };
  for (const Case& c : cases) {
    Define(1, "RAW", c.text, {c.limits});
    ParseUdfParams(1);
    ASSERT_EQ(Udf(1)->DataMask, 0u) << c.what;
    ASSERT_EQ(WriteUdfFile(1, File("raw.udf")), 1) << c.what;
    EXPECT_EQ(ReadBytes(File("raw.udf")).size(), 3945u) << c.what;
    ASSERT_EQ(ReadUdfFile(3, File("raw.udf")), 1) << c.what;
    EXPECT_EQ(Str(Udf(3)->Text), c.text) << c.what;
    EXPECT_EQ(Str(Udf(3)->StartText[0]), c.limits.start) << c.what;
  }
}

TEST_F(UdfFilesTest, TextFileOfRawRecordSizeIsStillReadAsText) {
  // A text form padded by a long line to exactly 3945 bytes: no sound record, so it is
  // read as the text it is (its long line cut where the record's text ends).
  const std::string head = "PLANE\r\n2\r\n2\r\nZ=A0+A1*X+A1*Y\r\nQ=";
  const std::string tail = "\r\n-1e+25 1 1e+25\r\n-1e+25 1 1e+25\r\n";
  const std::string file = head + std::string(3945 - head.size() - tail.size(), '1') + tail;
  ASSERT_EQ(file.size(), 3945u);
  WriteText(File("text3945.udf"), file);
  ASSERT_EQ(ReadUdfFile(0, File("text3945.udf")), 1);
  EXPECT_EQ(Str(Udf(0)->Name), "PLANE");
  EXPECT_EQ(Udf(0)->ParamCount, 2);
  EXPECT_EQ(Str(Udf(0)->Text).size(), 1023u);
  EXPECT_TRUE(Str(Udf(0)->Text).starts_with("Z=A0+A1*X+A1*Y\r\nQ=111"));
}

TEST_F(UdfFilesTest, HostileTextFilesAreRefusedAndChangeNothing) {
  Plane(0);
  Plane(6);
  const auto before = Snapshot();
  const std::string longWord(80, '1');
  const std::string cases[] = {
      "",                                                            // empty
      "PLANE\r\n",                                                   // no count
      "PLANE\r\n0\r\n1\r\nZ=A0\r\n",                                  // count 0
      "PLANE\r\n11\r\n1\r\nZ=A0\r\n",                                 // count 11
      "PLANE\r\n32767\r\n1\r\nZ=A0\r\n1 2 3\r\n",                     // oversize count
      "PLANE\r\n-1\r\n1\r\nZ=A0\r\n",                                 // negative count
      "PLANE\r\n2x\r\n1\r\nZ=A0\r\n1 2 3\r\n1 2 3\r\n",               // not a number
      "PLANE\r\n1\r\n-1\r\n1 2 3\r\n",                                // negative line count
      "PLANE\r\n1\r\n5\r\nZ=A0*X+Y\r\n0 1 2\r\n",                     // line count past the end
      "PLANE\r\n1\r\n99999999999\r\nZ=A0*X+Y\r\n0 1 2\r\n",           // line count overflows
      "PLANE\r\n2\r\n1\r\nZ=A0*X+A1*Y\r\n0 1 2\r\n",                  // parameter line missing
      "PLANE\r\n1\r\n1\r\nZ=A0*X+Y\r\n0 1\r\n",                       // two words
      "PLANE\r\n1\r\n1\r\nZ=A0*X+Y\r\n0 1 2 3\r\n",                   // four words
      "PLANE\r\n1\r\n1\r\nZ=A0*X+Y\r\n0 " + longWord + " 2\r\n",      // 80-character word
      std::string("PLANE\r\n1\r\n1\r\nZ=A0*X\0+Y\r\n0 1 2\r\n", 30),  // NUL inside
      "PLANE\r\n1\r\n1\r\nZ=A0*X+Y\r\n\x1a" "0 1 2\r\n",              // ends at Ctrl-Z
  };
  for (const std::string& c : cases) {
    WriteText(File("bad.udf"), c);
    EXPECT_EQ(ReadUdfFile(6, File("bad.udf")), c.empty() ? kUdfFileNotOpened : kUdfFileMalformed) << c;
    EXPECT_EQ(Snapshot(), before) << c;
  }
  EXPECT_EQ(ReadUdfFile(6, File("missing.udf")), kUdfFileNotOpened);
  EXPECT_EQ(ReadUdfFile(15, File("bad.udf")), kUdfFileNotOpened);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(UdfFilesTest, LongTextIsCutToTheRecord) {
  std::string file = "LONG\r\n1\r\n3\r\n";
  file += "B=" + std::string(1500, '1') + "\r\n";
  file += "C=2\r\nZ=A0*X+Y\r\n-1 1 10\r\n";
  WriteText(File("long.udf"), file);
  ASSERT_EQ(ReadUdfFile(0, File("long.udf")), 1);
  EXPECT_EQ(Str(Udf(0)->Text), "B=" + std::string(1021, '1'));
  EXPECT_EQ(Str(Udf(0)->StartText[0]), "1");
}

TEST_F(UdfFilesTest, HostileRawRecordsAreRefused) {
  Plane(0);
  std::vector<std::uint8_t> good = EncodeUdfRecord(*Udf(0));
  FreeUdf(0);
  const auto before = Snapshot();
  std::vector<std::uint8_t> b = good;
  b[11] = 0xFF;  // count 32767
  b[12] = 0x7F;
  WriteBytes(File("raw.udf"), b);
  EXPECT_EQ(ReadUdfFile(0, File("raw.udf")), kUdfFileMalformed);
  b = good;
  std::fill_n(b.begin() + 15, 1024, 'Z');  // text without terminator
  WriteBytes(File("raw.udf"), b);
  EXPECT_EQ(ReadUdfFile(0, File("raw.udf")), kUdfFileMalformed);
  EXPECT_EQ(Snapshot(), before);
  // One byte short is no raw record, and no text either.
  good.pop_back();
  WriteBytes(File("raw.udf"), good);
  EXPECT_EQ(ReadUdfFile(0, File("raw.udf")), kUdfFileMalformed);
}

TEST_F(UdfFilesTest, WritersReportWhatHappened) {
  EXPECT_EQ(WriteUdfFile(0, File("none.udf")), kUdfNothingToWrite);
  EXPECT_FALSE(std::filesystem::exists(File("none.udf")));
  Plane(0);
  // A folder that cannot exist: its parent is a file.
  WriteText(File("plain"), "x");
  EXPECT_EQ(WriteUdfFile(0, File("plain") / "p.udf"), kUdfFileNotWritten);
  EXPECT_EQ(WriteUdfLibrary(File("plain") / "p.udl"), kUdfFileNotWritten);
  Udf(0)->ParamCount = 0;  // no reader would take this record
  EXPECT_EQ(WriteUdfFile(0, File("bad.udf")), kUdfNothingToWrite);
  EXPECT_FALSE(std::filesystem::exists(File("bad.udf")));
}

TEST_F(UdfFilesTest, LibraryOfFunctionsOneAndFifteen) {
  Plane(0);
  Define(14, "LAST", "Z=A0*X*Y\r\n", {{"0", "2", "5"}});
  ParseUdfParams(14);
  ASSERT_EQ(WriteUdfLibrary(File("two.udl")), 2);
  const std::vector<std::uint8_t> b = ReadBytes(File("two.udl"));
  ASSERT_EQ(b.size(), 7902u);
  EXPECT_EQ(AsText(std::vector<std::uint8_t>(b.begin(), b.begin() + 8)), "QKUDFLIB");
  EXPECT_EQ(b[8], 0x01);  // mask 0x00004001, little-endian
  EXPECT_EQ(b[9], 0x40);
  EXPECT_EQ(b[10], 0);
  EXPECT_EQ(b[11], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()) + 12), "PLANE");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()) + 12 + 3945), "LAST");

  // Reading it leaves exactly functions 1 and 15 defined.
  FreeAllUdfs();
  for (int k : {3, 7, 13}) Plane(k);
  int dropped = -1;
  ASSERT_EQ(ReadUdfLibrary(File("two.udl"), &dropped), 2);
  EXPECT_EQ(dropped, 0);
  for (int k = 0; k < 15; ++k) EXPECT_EQ(Udf(k) != nullptr, k == 0 || k == 14) << k;
  EXPECT_EQ(Str(Udf(14)->Name), "LAST");
  EXPECT_EQ(Udf(14)->Start[0], 2);
  EXPECT_EQ(Udf(14)->Compiled, 0);
}

TEST_F(UdfFilesTest, LibraryWithNothingDefinedWritesNoFile) {
  EXPECT_EQ(WriteUdfLibrary(File("empty.udl")), 0);
  EXPECT_FALSE(std::filesystem::exists(File("empty.udl")));
}

TEST_F(UdfFilesTest, ShortLibraryDropsThePartialRecord) {
  for (int k : {1, 2, 3}) Plane(k);
  ASSERT_EQ(WriteUdfLibrary(File("three.udl")), 3);
  std::vector<std::uint8_t> b = ReadBytes(File("three.udl"));
  b.resize(12 + 2 * 3945 + 1000);
  WriteBytes(File("short.udl"), b);
  FreeAllUdfs();
  Plane(9);
  int dropped = 0;
  ASSERT_EQ(ReadUdfLibrary(File("short.udl"), &dropped), 2);
  EXPECT_EQ(dropped, 1);
  for (int k = 0; k < 15; ++k) EXPECT_EQ(Udf(k) != nullptr, k == 1 || k == 2) << k;
}

TEST_F(UdfFilesTest, HostileLibrariesChangeNothing) {
  for (int k : {0, 4}) Plane(k);
  ASSERT_EQ(WriteUdfLibrary(File("good.udl")), 2);
  const std::vector<std::uint8_t> good = ReadBytes(File("good.udl"));
  Plane(8);
  const auto before = Snapshot();
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int result;
  };
  auto with = [&](std::size_t offset, std::uint8_t v) {
    std::vector<std::uint8_t> b = good;
    b[offset] = v;
    return b;
  };
  auto cut = [&](std::size_t n) { return std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(n)); };
  const Case cases[] = {
      {"wrong magic", with(0, 'X'), kUdfFileNotOpened},
      {"magic only", cut(8), kUdfFileMalformed},
      {"mask cut", cut(10), kUdfFileMalformed},
      {"no function in the mask", [&] { auto b = with(8, 0); b[10] = 0x80; return b; }(), kUdfFileMalformed},
      {"no whole record", cut(12 + 3944), kUdfFileMalformed},
      {"oversize count in record 2", with(12 + 3945 + 11, 0x7F), kUdfFileMalformed},
      {"unterminated name in record 1", [&] { auto b = good; std::fill_n(b.begin() + 12, 11, 'N'); return b; }(),
       kUdfFileMalformed},
      {"short magic", cut(5), kUdfFileNotOpened},
  };
  for (const Case& c : cases) {
    WriteBytes(File("bad.udl"), c.bytes);
    EXPECT_EQ(ReadUdfLibrary(File("bad.udl")), c.result) << c.what;
    EXPECT_EQ(Snapshot(), before) << c.what;
  }
  EXPECT_EQ(ReadUdfLibrary(File("missing.udl")), kUdfFileNotOpened);
  // Mask bits 15..31 name no function and are ignored.
  std::vector<std::uint8_t> b = good;
  b[11] = 0xFF;
  WriteBytes(File("high.udl"), b);
  EXPECT_EQ(ReadUdfLibrary(File("high.udl")), 2);
}

TEST_F(UdfFilesTest, LibraryRoundTripKeepsRecordsAsStored) {
  Plane(0);
  Define(3, "DEP", "F1=A0*X\r\nZ=F1+A1*Y\r\n", {{"XMIN", "XMEAN", "XMAX"}, {"-1", "ZMEAN", "10"}});
  ParseUdfParams(3);
  const auto before = Snapshot();
  ASSERT_EQ(WriteUdfLibrary(File("all.udl")), 2);
  FreeAllUdfs();
  ASSERT_EQ(ReadUdfLibrary(File("all.udl")), 2);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Udf(3)->DataMask, 0xC0000003u);
}

}  // namespace

namespace {

// Random damage to good files: every reader answers with a count or a refusal, and what
// it accepted is storable again. (The generator is the classic 32-bit LCG of Numerical
// Recipes, so every run damages the same bytes.)
class Damage {
 public:
  std::uint32_t Next() { return state_ = state_ * 1664525u + 1013904223u; }
  void Apply(std::vector<std::uint8_t>& b) {
    const int hits = 1 + static_cast<int>(Next() % 6);
    for (int i = 0; i < hits && !b.empty(); ++i) b[Next() % b.size()] = static_cast<std::uint8_t>(Next() >> 24);
    if (Next() % 4 == 0) b.resize(Next() % (b.size() + 1));
  }

 private:
  std::uint32_t state_ = 12345;
};

TEST_F(UdfFilesTest, RandomlyDamagedFilesAreReadOrRefusedCleanly) {
  Plane(0);
  Define(9, "DEP", "F1=A0*X\r\nZ=F1+A1*Y\r\n", {{"XMIN", "XMEAN", "XMAX"}, {"-1", "2", "10"}});
  ParseUdfParams(9);
  ASSERT_EQ(WriteUdfLibrary(File("good.udl")), 2);
  ASSERT_EQ(WriteUdfFile(0, File("text.udf")), 1);
  ASSERT_EQ(WriteUdfFile(9, File("raw.udf")), 1);
  const std::vector<std::uint8_t> library = ReadBytes(File("good.udl"));
  const std::vector<std::uint8_t> text = ReadBytes(File("text.udf"));
  const std::vector<std::uint8_t> raw = ReadBytes(File("raw.udf"));
  Damage damage;
  for (int round = 0; round < 600; ++round) {
    std::vector<std::uint8_t> b = round % 3 == 0 ? library : round % 3 == 1 ? text : raw;
    damage.Apply(b);
    WriteBytes(File("bad"), b);
    const int n = round % 3 == 0 ? ReadUdfLibrary(File("bad")) : ReadUdfFile(round % 15, File("bad"));
    EXPECT_GE(n, -1);
    EXPECT_LE(n, 2);
    for (const auto& r : UdfTable) {
      if (r) {
        EXPECT_TRUE(UdfRecordIsSound(*r)) << round;
      }
    }
  }
}

}  // namespace
