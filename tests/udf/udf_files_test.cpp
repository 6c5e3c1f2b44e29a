// .udf files in their text and raw forms, and .udl libraries.

#include "tools/udf/udf_files.h"
#include "tools/udf/udf_record_codec.h"
#include "udf_test_support.h"

namespace {

class UdfFilesTest : public UdfTest {
 protected:
  // Every function's record as bytes, to tell that a refused file changed nothing.
  static std::vector<std::vector<std::uint8_t>> Snapshot() {
    std::vector<std::vector<std::uint8_t>> s;
    for (const auto& r : BoundUdfTable()) s.push_back(r ? EncodeUdfRecord(*r) : std::vector<std::uint8_t>{});
    return s;
  }
};

// The two-parameter PLANE of the text form's description, line by line.
constexpr std::string_view kPlaneText = "PLANE\r\n2\r\n1\r\nZ=A0+A1*X+A1*Y\r\n-1e+25 1 1e+25\r\n-1e+25 1 1e+25\r\n";

TEST_F(UdfFilesTest, PlaneRoundTripsThroughItsTextFormWithCrLf) {
  Plane(0);
  ASSERT_EQ(WriteUdfFile(udfs_.UdfTable, 0, File("plane.udf")), 1);
  EXPECT_EQ(AsText(ReadBytes(File("plane.udf"))), kPlaneText);
  ASSERT_EQ(ReadUdfFile(udfs_.UdfTable, 4, File("plane.udf")), 1);
  const TUdfRecord& r = *Udf(4);
  EXPECT_EQ(Str(r.Name), "PLANE");
  EXPECT_EQ(r.ParamCount, 2);
  EXPECT_EQ(r.LineCount, 1);
  EXPECT_EQ(Str(r.Text), "Z=A0+A1*X+A1*Y\r\n");
  EXPECT_EQ(Str(r.StartText[1]), "1");
  EXPECT_EQ(r.DataMask, 0u);
  // The limits as the language reads "-1e+25"; parameters beyond the count hold the defaults.
  EXPECT_EQ((std::vector{r.Lower[0], r.Start[1], r.Upper[1]}), (std::vector{-1e25L, 1.0L, 1e25L}));
  for (std::size_t i = 2; i < 10; ++i) {
    EXPECT_EQ((std::vector{r.Lower[i], r.Start[i], r.Upper[i]}),
              (std::vector<long double>{static_cast<long double>(-1e25), 1, static_cast<long double>(1e25)}));
  }
}

// The readers fill the table they are handed and no other: a second session's table, not
// the one the language is bound to; the writers write the table they are handed.
TEST_F(UdfFilesTest, ReadersFillTheTableTheyAreHanded) {
  Plane(0);
  Plane(7, "3");
  ASSERT_EQ(WriteUdfFile(udfs_.UdfTable, 0, File("plane.udf")), 1);
  ASSERT_EQ(WriteUdfLibrary(udfs_.UdfTable, File("two.udl")), 2);
  const auto bound = Snapshot();
  TUdfSession other;
  ASSERT_EQ(ReadUdfFile(other.UdfTable, 4, File("plane.udf")), 1);
  ASSERT_TRUE(other.UdfTable[4]);
  EXPECT_EQ(EncodeUdfRecord(*other.UdfTable[4]), EncodeUdfRecord(*Udf(0)));
  EXPECT_EQ(Snapshot(), bound);
  TUdfSession library;
  ASSERT_EQ(ReadUdfLibrary(library.UdfTable, File("two.udl")), 2);
  EXPECT_EQ(UdfTableDefinedCount(library.UdfTable), 2);
  EXPECT_EQ(library.UdfTable[7]->Start[0], 3);
  EXPECT_EQ(Snapshot(), bound);
  // The other table's function goes to a file of its own; the bound table has no function 4.
  EXPECT_EQ(WriteUdfFile(udfs_.UdfTable, 4, File("four.udf")), kUdfNothingToWrite);
  EXPECT_EQ(WriteUdfFile(other.UdfTable, 4, File("four.udf")), 1);
  EXPECT_EQ(ReadBytes(File("four.udf")), ReadBytes(File("plane.udf")));
}

TEST_F(UdfFilesTest, TextFormsAreReadInUpperCaseAndCutToTheRecord) {
  // The text in upper case, the name as it stands, LF line ends read too; a line too long
  // for the record's text cut where the text ends (also when it pads the file to exactly
  // 3945 bytes: no sound record, so it is read as the text it is).
  const std::string head = "PLANE\r\n2\r\n2\r\nZ=A0+A1*X+A1*Y\r\nQ=";
  const std::string tail = "\r\n-1e+25 1 1e+25\r\n-1e+25 1 1e+25\r\n";
  const std::string raw3945 = head + std::string(3945 - head.size() - tail.size(), '1') + tail;
  ASSERT_EQ(raw3945.size(), 3945u);
  const std::string longLine = "LONG\r\n1\r\n3\r\nB=" + std::string(1500, '1') + "\r\nC=2\r\nZ=A0*X+Y\r\n-1 1 10\r\n";
  const std::tuple<std::string, const char*, int, std::string> cases[] = {
      {raw3945, "PLANE", 2, "Z=A0+A1*X+A1*Y\r\nQ=" + std::string(1023 - 18, '1')},
      {longLine, "LONG", 1, "B=" + std::string(1021, '1')},
      {"Lower\n1\n2\nf1=a0*x\nz=f1+y\n0 1 2\n", "Lower", 1, "F1=A0*X\r\nZ=F1+Y\r\n"}};
  for (const auto& [file, name, count, text] : cases) {
    WriteText(File("text.udf"), file);
    ASSERT_EQ(ReadUdfFile(udfs_.UdfTable, 0, File("text.udf")), 1) << name;
    EXPECT_EQ(std::tuple(Str(Udf(0)->Name), int{Udf(0)->ParamCount}, Str(Udf(0)->Text), Str(Udf(0)->StartText[0])),
              std::tuple(name, count, text, "1"));
  }
  EXPECT_EQ(Udf(0)->LineCount, 2);  // of "Lower"
}

TEST_F(UdfFilesTest, DataDependentStartMakesARawFile) {
  // A start expression reading ZMEAN sets mask bit 1 for parameter 2.
  Parsed(2, "DEP", "Z=A0+A1*X*Y\r\n", {{"-10", "1", "10"}, {"0", "ZMEAN", "100"}});
  EXPECT_EQ(Udf(2)->DataMask, 0x2u);
  EXPECT_EQ(Udf(2)->Start[1], 4);
  ASSERT_EQ(WriteUdfFile(udfs_.UdfTable, 2, File("dep.udf")), 1);
  const std::vector<std::uint8_t> b = ReadBytes(File("dep.udf"));
  ASSERT_EQ(b.size(), 3945u);
  EXPECT_EQ(ExtendedAt(b, 1039), -10);  // A0's lower limit
  EXPECT_EQ(U32At(b, 3739), 0x2u);      // the mask
  stats_.Z.Mean = 7;                 // read back, the limits follow today's data
  ASSERT_EQ(ReadUdfFile(udfs_.UdfTable, 5, File("dep.udf")), 1);
  EXPECT_EQ(Udf(5)->Start[1], 7);
  EXPECT_EQ(Str(Udf(5)->StartText[1]), "ZMEAN");
}

TEST_F(UdfFilesTest, FunctionsTheTextFormCannotCarryAreWrittenRaw) {
  struct Case {
    const char* what;
    const char* text;
    Limits limits;
  };
  const Case cases[] = {{"blank inside an expression", "Z=A0*X+Y\r\n", {"-1", "2 + 1", "10"}},
                        {"empty expression", "Z=A0*X+Y\r\n", {"", "1", "10"}},
                        {"text in lower case", "Z=A0*X+y\r\n", {"-1", "1", "10"}},
                        {"text without a last line end", "Z=A0*X+Y", {"-1", "1", "10"}},
                        {"Ctrl-Z in the text", "Z=A0*X+Y\x1a\r\n", {"-1", "1", "10"}}};
  for (const Case& c : cases) {
    Parsed(1, "RAW", c.text, {c.limits});
    ASSERT_EQ(Udf(1)->DataMask, 0u) << c.what;
    ASSERT_EQ(WriteUdfFile(udfs_.UdfTable, 1, File("raw.udf")), 1) << c.what;
    EXPECT_EQ(ReadBytes(File("raw.udf")).size(), 3945u) << c.what;
    ASSERT_EQ(ReadUdfFile(udfs_.UdfTable, 3, File("raw.udf")), 1) << c.what;
    EXPECT_EQ(Str(Udf(3)->Text), c.text) << c.what;
    EXPECT_EQ(Str(Udf(3)->StartText[0]), c.limits.start) << c.what;
  }
}

TEST_F(UdfFilesTest, HostileFilesAreRefusedAndChangeNothing) {
  const std::vector<std::uint8_t> raw = EncodeUdfRecord(Plane(0));
  Plane(6);
  const auto before = Snapshot();
  const std::string longWord(80, '1');
  // Empty; no count; counts 0, 11, 32767 (oversize), -1 and "2x"; line counts -1, past the
  // end and overflowing; a parameter line missing; two, four and 80-character words; a NUL
  // inside; the end at Ctrl-Z.
  const std::string texts[] = {
      "", "PLANE\r\n", "PLANE\r\n0\r\n1\r\nZ=A0\r\n", "PLANE\r\n11\r\n1\r\nZ=A0\r\n",
      "PLANE\r\n32767\r\n1\r\nZ=A0\r\n1 2 3\r\n", "PLANE\r\n-1\r\n1\r\nZ=A0\r\n",
      "PLANE\r\n2x\r\n1\r\nZ=A0\r\n1 2 3\r\n1 2 3\r\n", "PLANE\r\n1\r\n-1\r\n1 2 3\r\n",
      "PLANE\r\n1\r\n5\r\nZ=A0*X+Y\r\n0 1 2\r\n", "PLANE\r\n1\r\n99999999999\r\nZ=A0*X+Y\r\n0 1 2\r\n",
      "PLANE\r\n2\r\n1\r\nZ=A0*X+A1*Y\r\n0 1 2\r\n", "PLANE\r\n1\r\n1\r\nZ=A0*X+Y\r\n0 1\r\n",
      "PLANE\r\n1\r\n1\r\nZ=A0*X+Y\r\n0 1 2 3\r\n", "PLANE\r\n1\r\n1\r\nZ=A0*X+Y\r\n0 " + longWord + " 2\r\n",
      std::string("PLANE\r\n1\r\n1\r\nZ=A0*X\0+Y\r\n0 1 2\r\n", 30), "PLANE\r\n1\r\n1\r\nZ=A0*X+Y\r\n\x1a" "0 1 2\r\n",
  };
  std::vector<std::vector<std::uint8_t>> files;
  for (const std::string& t : texts) files.emplace_back(t.begin(), t.end());
  // Raw records: count 32767; the text without terminator; one byte short (no raw record,
  // and no text either).
  files.insert(files.end(), {raw, raw, std::vector<std::uint8_t>(raw.begin(), raw.end() - 1)});
  files[files.size() - 3][11] = 0xFF;
  files[files.size() - 3][12] = 0x7F;
  std::fill_n(files[files.size() - 2].begin() + 15, 1024, 'Z');
  for (const auto& f : files) {
    WriteBytes(File("bad.udf"), f);
    EXPECT_EQ(ReadUdfFile(udfs_.UdfTable, 6, File("bad.udf")), f.empty() ? kUdfFileNotOpened : kUdfFileMalformed) << AsText(f);
    EXPECT_EQ(Snapshot(), before) << AsText(f);
  }
  EXPECT_EQ(ReadUdfFile(udfs_.UdfTable, 6, File("missing.udf")), kUdfFileNotOpened);
  EXPECT_EQ(ReadUdfFile(udfs_.UdfTable, 15, File("bad.udf")), kUdfFileNotOpened);
}

TEST_F(UdfFilesTest, WritersReportWhatHappened) {
  EXPECT_EQ(WriteUdfFile(udfs_.UdfTable, 0, File("none.udf")), kUdfNothingToWrite);
  EXPECT_EQ(WriteUdfLibrary(udfs_.UdfTable, File("empty.udl")), 0);  // nothing defined: no library
  EXPECT_FALSE(std::filesystem::exists(File("none.udf")));
  EXPECT_FALSE(std::filesystem::exists(File("empty.udl")));
  Plane(0);
  WriteText(File("plain"), "x");  // a folder that cannot exist: its parent is a file
  EXPECT_EQ(WriteUdfFile(udfs_.UdfTable, 0, File("plain") / "p.udf"), kUdfFileNotWritten);
  EXPECT_EQ(WriteUdfLibrary(udfs_.UdfTable, File("plain") / "p.udl"), kUdfFileNotWritten);
  Udf(0)->ParamCount = 0;  // no reader would take this record
  EXPECT_EQ(WriteUdfFile(udfs_.UdfTable, 0, File("bad.udf")), kUdfNothingToWrite);
  EXPECT_FALSE(std::filesystem::exists(File("bad.udf")));
}

TEST_F(UdfFilesTest, LibraryOfFunctionsOneAndFifteenRoundTrips) {
  Plane(0);
  Parsed(14, "DEP", "F1=A0*X\r\nZ=F1+A1*Y\r\n", {{"XMIN", "XMEAN", "XMAX"}, {"-1", "ZMEAN", "10"}});
  EXPECT_EQ(Udf(14)->DataMask, 0xC0000003u);
  const auto stored = Snapshot();
  ASSERT_EQ(WriteUdfLibrary(udfs_.UdfTable, File("two.udl")), 2);
  const std::vector<std::uint8_t> b = ReadBytes(File("two.udl"));
  ASSERT_EQ(b.size(), 7902u);
  EXPECT_EQ(AsText(std::vector<std::uint8_t>(b.begin(), b.begin() + 8)), "QKUDFLIB");
  EXPECT_EQ(U32At(b, 8), 0x00004001u);
  EXPECT_EQ(TextAt(b, 12), "PLANE");
  EXPECT_EQ(TextAt(b, 12 + 3945), "DEP");
  // Reading it leaves exactly functions 1 and 15 defined, as they were stored.
  FreeAllUdfs();
  for (int k : {3, 7, 13}) Plane(k);
  int dropped = -1;
  ASSERT_EQ(ReadUdfLibrary(udfs_.UdfTable, File("two.udl"), &dropped), 2);
  EXPECT_EQ(dropped, 0);
  EXPECT_EQ(Snapshot(), stored);
  EXPECT_EQ(Udf(14)->Compiled, 0);
}

TEST_F(UdfFilesTest, ShortLibraryDropsThePartialRecord) {
  for (int k : {1, 2, 3}) Plane(k);
  ASSERT_EQ(WriteUdfLibrary(udfs_.UdfTable, File("three.udl")), 3);
  std::vector<std::uint8_t> b = ReadBytes(File("three.udl"));
  b.resize(12 + 2 * 3945 + 1000);
  WriteBytes(File("short.udl"), b);
  FreeAllUdfs();
  Plane(9);
  int dropped = 0;
  ASSERT_EQ(ReadUdfLibrary(udfs_.UdfTable, File("short.udl"), &dropped), 2);
  EXPECT_EQ(dropped, 1);
  for (int k = 0; k < 15; ++k) EXPECT_EQ(Udf(k) != nullptr, k == 1 || k == 2) << k;
}

TEST_F(UdfFilesTest, HostileLibrariesChangeNothing) {
  for (int k : {0, 4}) Plane(k);
  ASSERT_EQ(WriteUdfLibrary(udfs_.UdfTable, File("good.udl")), 2);
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
  auto cut = [&](std::size_t n) { return std::vector<std::uint8_t>(good.begin(),
                                                                   good.begin() + static_cast<long>(n)); };
  const Case cases[] = {
      {"wrong magic", with(0, 'X'), kUdfFileNotOpened},  {"short magic", cut(5), kUdfFileNotOpened},
      {"magic only", cut(8), kUdfFileMalformed},          {"mask cut", cut(10), kUdfFileMalformed},
      {"no function in the mask", [&] { auto b = with(8, 0); b[10] = 0x80; return b; }(), kUdfFileMalformed},
      {"no whole record", cut(12 + 3944), kUdfFileMalformed},
      {"oversize count in record 2", with(12 + 3945 + 11, 0x7F), kUdfFileMalformed},
      {"unterminated name in record 1", [&] { auto b = good; std::fill_n(b.begin() + 12, 11, 'N'); return b; }(),
       kUdfFileMalformed},
  };
  for (const Case& c : cases) {
    WriteBytes(File("bad.udl"), c.bytes);
    EXPECT_EQ(ReadUdfLibrary(udfs_.UdfTable, File("bad.udl")), c.result) << c.what;
    EXPECT_EQ(Snapshot(), before) << c.what;
  }
  EXPECT_EQ(ReadUdfLibrary(udfs_.UdfTable, File("missing.udl")), kUdfFileNotOpened);
  WriteBytes(File("high.udl"), with(11, 0xFF));  // mask bits 15..31 name no function: ignored
  EXPECT_EQ(ReadUdfLibrary(udfs_.UdfTable, File("high.udl")), 2);
}

// Random damage to good files: every reader answers with a count or a refusal, and what
// it accepted is storable again. (The generator is the classic 32-bit LCG of Numerical
// Recipes, so every run damages the same bytes.)
TEST_F(UdfFilesTest, RandomlyDamagedFilesAreReadOrRefusedCleanly) {
  Plane(0);
  Parsed(9, "DEP", "F1=A0*X\r\nZ=F1+A1*Y\r\n", {{"XMIN", "XMEAN", "XMAX"}, {"-1", "2", "10"}});
  ASSERT_EQ(WriteUdfLibrary(udfs_.UdfTable, File("good.udl")), 2);
  ASSERT_EQ(WriteUdfFile(udfs_.UdfTable, 0, File("text.udf")), 1);
  ASSERT_EQ(WriteUdfFile(udfs_.UdfTable, 9, File("raw.udf")), 1);
  const std::vector<std::uint8_t> files[3] = {ReadBytes(File("good.udl")), ReadBytes(File("text.udf")),
                                              ReadBytes(File("raw.udf"))};
  std::uint32_t state = 12345;
  const auto next = [&state] { return state = state * 1664525u + 1013904223u; };
  for (int round = 0; round < 600; ++round) {
    std::vector<std::uint8_t> b = files[round % 3];
    const int hits = 1 + static_cast<int>(next() % 6);
    for (int i = 0; i < hits && !b.empty(); ++i) b[next() % b.size()] = static_cast<std::uint8_t>(next() >> 24);
    if (next() % 4 == 0) b.resize(next() % (b.size() + 1));
    WriteBytes(File("bad"), b);
    const int n = round % 3 == 0 ? ReadUdfLibrary(udfs_.UdfTable, File("bad")) : ReadUdfFile(udfs_.UdfTable, round % 15, File("bad"));
    EXPECT_GE(n, -1);
    EXPECT_LE(n, 2);
    for (const auto& r : BoundUdfTable()) EXPECT_TRUE(!r || UdfRecordIsSound(*r)) << round;
  }
}

}  // namespace
