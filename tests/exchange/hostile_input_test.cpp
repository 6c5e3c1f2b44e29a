// Malformed and hostile files through the detection and every reader: nothing may read
// past its data, loop for ever or leave the table with more points than it holds. Run
// under AddressSanitizer and UndefinedBehaviorSanitizer (scripts/sanitize).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_file_writers.h"
#include "app/data_table.h"
#include "app/long_double.h"
#include "app/test_points.h"
#include "exchange/ascii_readers.h"
#include "exchange/compound_file.h"
#include "exchange/compound_file_builder.h"
#include "exchange/dbase_reader.h"
#include "exchange/dif_reader.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_detection.h"
#include "exchange/import_registration.h"
#include "exchange/sav_builder.h"
#include "exchange/sav_file.h"
#include "exchange/sav_readers.h"
#include "exchange/excel_readers.h"
#include "exchange/mvw_builder.h"
#include "exchange/mv5_builder.h"
#include "exchange/mv5_reader.h"
#include "exchange/mvw_reader.h"
#include "exchange/notebook_readers.h"
#include "exchange/worksheet_builder.h"
#include "exchange/worksheet_cells.h"
#include "exchange/worksheet_readers.h"

namespace {

using namespace exchange_test;
using Bytes = std::vector<std::uint8_t>;

// A small deterministic generator, so that a failure can be replayed.
struct Lcg {
  std::uint64_t s;
  std::uint8_t Next() {
    s = s * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint8_t>(s >> 56);
  }
};

class HostileInput : public TableTest {
 protected:
  // A worksheet of our record writer, as bytes.
  Bytes Mv5Bytes(const std::vector<Mv5Column>& columns) {
    const std::string path = dir_.File("built.mv5");
    EXPECT_EQ(WriteMv5(path, columns, true), MvCode::kOk);
    return ReadBytes(path);
  }
  // Runs every reader on the bytes under each extension and checks what it read and the
  // table afterwards: every coordinate a reader returns must be one of the numbers written
  // in the bytes (`numbers`, the missing value standing for one too long to read); bytes
  // without numbers must give no point, so a reader that makes points out of garbage
  // fails here.
  void Feed(const Bytes& bytes, const std::vector<long double>& numbers = {}) {
    const auto written = [&](long double v) { return std::find(numbers.begin(), numbers.end(), v) != numbers.end(); };
    for (const char* ext : {"txt", "wk1", "wk3", "dif", "xls", "rnb", "sav", "dbf", "mvw"}) {
      std::string path = dir_.Write(std::string("f.") + ext, bytes);
      DetectImportFileType(path);
      FindFirstCellRecord(path);
      FindNotebookSection(path);
      TDataTitles titles;
      TReadArgs a = Args(path);
      a.colY = 2, a.colZ = 3, a.colW = 4;
      for (auto* read : {&ReadAsciiXYZ, &ReadAsciiMultiColumn, &ReadDif, &ReadDbase}) {
        a.colX = read == &ReadDif ? 0 : 1;
        const char* reader = read == &ReadAsciiXYZ ? "ASCII XYZ" : read == &ReadDif ? "DIF" : "ASCII columns";
        const TReadResult r = read(a);
        ASSERT_LE(r.points.size(), static_cast<std::size_t>(a.capacity));
        // Whatever garbage gave points, each is a scanned point: finite values (or the
        // missing value), an active or inactive status, a positive weight where the
        // reader makes one, and the table holds exactly those points.
        for (const TXYZPoint& p : r.points) {
          ASSERT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.Z) && std::isfinite(p.W));
          ASSERT_TRUE(p.Status == kPointActive || p.Status == kPointInactive);
          if (read != &ReadAsciiXYZ) {
            ASSERT_GT(p.W, 0);
          }
        }
        if (numbers.empty()) {
          ASSERT_TRUE(r.points.empty()) << reader << " made points of " << bytes.size() << " bytes of ." << ext;
          ASSERT_LE(r.Count(), 0) << reader << ", ." << ext;
        }
        for (std::size_t i = 0; i < r.points.size(); ++i) {
          const TXYZPoint& p = r.points[i];
          ASSERT_TRUE(written(p.X) && written(p.Y) && written(p.Z))
              << reader << ", ." << ext << ": point " << i + 1 << " (" << static_cast<double>(p.X) << ", "
              << static_cast<double>(p.Y) << ", " << static_cast<double>(p.Z) << ") is not made of the numbers written";
        }
        if (r.Count() >= 0) {
          ASSERT_TRUE(CommitReadResult(session_.Table, r, false));
          const auto data = session_.Table.XYZData();
          ASSERT_EQ(PointCount(data), r.Count());
          for (std::size_t k = 0; k < r.points.size(); ++k) {
            ASSERT_EQ(data[k + 1].X, r.points[k].X);
            ASSERT_EQ(data[k + 1].Status, r.points[k].Status);
          }
        }
        ASSERT_LE(PointCount(session_.Table.XYZData()), session_.Table.XYZCapacity());
        ASSERT_GE(session_.Table.XYZData()[0].X, 0);
      }
      std::vector<std::string> list;
      ListAsciiColumns(path, list);
      ListDifColumns(path, list);
      ReadAsciiColumn(path, 2);
      ReadDifColumn(path, 1);
      ListDbaseFields(path, list);
      ReadDbaseColumn(path, 1);
      if (ext == std::string_view("sav")) FeedSavReaders(path);
      FeedColumnPairs(path);
      TCompoundFile cf;
      if (cf.Open(path))
        for (const std::string& name : cf.ChildNames(cf.Root())) cf.ReadStream(cf.FindChild(cf.Root(), name));
      // The binary readers go by the bytes, not the name; only the Lotus layout may follow
      // the name when the header names none.
      if (ext == std::string_view("wk1") || ext == std::string_view("wk3")) FeedBinaryReaders(path);
    }
  }

  // The paired column reads of every kind: the arrays agree in their counts, and every
  // value they pair is a usable number.
  void FeedColumnPairs(const std::string& path) {
    RegisterImportReaders();
    const int two[] = {1, 2}, three[] = {1, 2, 3};
    for (std::size_t kind = 1; kind <= kImportKindCount; ++kind) {
      const auto& read = ImportReaders().ReadColumnPairs[kind];
      if (!read) continue;
      for (const std::span<const int> columns : {std::span<const int>(two), std::span<const int>(three)}) {
        const std::vector<TColumnArray> arrays = read(path, 0, columns);
        if (arrays.empty()) continue;
        ASSERT_EQ(arrays.size(), columns.size()) << kind;
        for (const TColumnArray& a : arrays) {
          ASSERT_FALSE(a.empty()) << kind;
          ASSERT_EQ(a[0], static_cast<long double>(a.size() - 1)) << kind;
          ASSERT_EQ(a.size(), arrays[0].size()) << kind;
          for (std::size_t i = 1; i < a.size(); ++i) ASSERT_TRUE(IsUsableValue(a[i])) << kind;
        }
      }
    }
  }

  // The .sav readers decode numbers from bytes: what they give must be sound.
  void FeedSavReaders(const std::string& path) {
    TSavDictionary dictionary;
    (void)ReadSavDictionary(path, dictionary);  // hostile bytes: either verdict, no fault
    TReadArgs a = Args(path);
    a.colX = 1, a.colY = 2, a.colZ = 1, a.colW = 2;
    for (const TReadResult& r : {ReadOkapSav(a), ReadOkapSavOwn(a)}) {
      ASSERT_LE(r.points.size(), static_cast<std::size_t>(a.capacity));
      for (const TXYZPoint& p : r.points) {
        ASSERT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.Z) && std::isfinite(p.W));
        ASSERT_TRUE(p.Status == kPointActive || p.Status == kPointInactive);
        ASSERT_NE(p.X, ExprErrorValue);
      }
      ASSERT_LE(r.titles.Title.size(), kDataTitleLength);
      ASSERT_LE(r.titles.XName.size(), kAxisNameLength);
    }
    std::vector<std::string> list;
    const int n = ListOkapVariables(path, list);
    ASSERT_EQ(n == kListMalformed ? 0 : n, static_cast<int>(list.size()));
    const TColumnArray c = ReadOkapVariable(path, 1);
    ASSERT_TRUE(c.empty() || c[0] == static_cast<long double>(c.size() - 1));
  }

  // The worksheet, workbook, notebook and worksheet-file readers decode numbers from bytes,
  // so garbage may give points: each must still be finite, active or inactive, within the
  // table's room, and every list entry within its field.
  void FeedBinaryReaders(const std::string& path) {
    TReadArgs a = Args(path);
    a.colX = 1, a.colY = 2, a.colZ = 3, a.colW = 4;
    using Reader = TReadResult (*)(const TReadArgs&);
    for (Reader read : {&ReadWorksheet, &ReadQuattroWQ1, &ReadQuattroWB1, &ReadExcelBiff, &ReadOleExcel,
                        &ReadNotebook, &ReadMvw, &ReadMv5}) {
      const TReadResult r = read(a);
      ASSERT_LE(r.points.size(), static_cast<std::size_t>(a.capacity));
      for (const TXYZPoint& p : r.points) {
        ASSERT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.Z) && std::isfinite(p.W));
        ASSERT_TRUE(p.Status == kPointActive || p.Status == kPointInactive);
      }
      ASSERT_LE(r.titles.Title.size(), kDataTitleLength);
    }
    FeedSavReaders(path);
    (void)ReadWorksheetMatrix(path, kXYZMaxPoints);
    std::vector<std::string> list;
    const auto listed = [&list](int n, std::size_t width) {
      ASSERT_TRUE(n <= 0 ? list.empty() : n == static_cast<int>(list.size()));
      for (const std::string& e : list) ASSERT_LE(e.size(), width);
    };
    listed(ListWorksheetColumns(path, list, 12), 47);
    listed(ListWB1Columns(path, list), 47);
    listed(ListExcelColumns(path, list), 47);
    listed(ListOleExcelColumns(path, list), 47);
    listed(ListNotebookColumns(path, list), 47);
    listed(ListMvwColumns(path, list), kMvwEntryChars);
    listed(ListMv5Columns(path, list), kMv5EntryChars);
    for (const TColumnArray& c : {ReadWorksheetColumn(path, 0, 1), ReadQuattroWQ1Column(path, 1),
                                  ReadQuattroWB1Column(path, 0, 1), ReadExcelColumn(path, 1),
                                  ReadOleExcelColumn(path, 0, 1), ReadNotebookColumn(path, 0, 1), ReadMvwColumn(path, 1),
                                  ReadMv5Column(path, 1)})
      ASSERT_TRUE(c.empty() || c[0] == static_cast<long double>(c.size() - 1));
  }
};

TEST_F(HostileInput, RandomBytesAndFlippedBytesOfStructuredFiles) {
  Lcg rng{12345};
  for (int size : {1, 2, 7, 56, 200, 511, 512, 513, 1500, 5000}) {
    Bytes b(static_cast<std::size_t>(size));
    for (auto& v : b) v = rng.Next();
    Feed(b);
  }
  const Bytes cfb = BuildCompoundFile({{"Book", false, Bytes(4200, 3), {}},
                                       {"Excel1RNB", true, {}, {{"Book", false, Bytes(90, 4), {}}}}});
  const Bytes sav = BuildSavFile({{"XVAR", 0, "x"}, {"YVAR", 0, "y"}, {"LONGSTR", 300}});
  const Bytes book = ReadBytes(FixturePath("gnumeric_biff8.xls"));
  const Bytes notebook = ReadBytes(FixturePath("notebook_data.rnb"));
  const Bytes mvw = ReadBytes(FixturePath("worksheet_data.mvw"));
  const Bytes pspp = ReadBytes(FixturePath("pspp_compressed.sav"));
  const Bytes mv5 = Mv5Bytes({{0, "x", {N(1), N(2), N(3)}}, {1, "y", {N(4), N(5), T("t")}}, {2, "z", {N(7), E(), N(9)}}});
  for (const Bytes* base : {&cfb, &sav, &book, &notebook, &mvw, &pspp, &mv5}) {
    // The fuzz driver flips many more bytes of the spreadsheet files; a few rounds here.
    const int rounds = base == &cfb || base == &sav ? 40 : 12;
    for (int round = 0; round < rounds; ++round) {
      Bytes b = *base;
      for (int k = 0; k < 8; ++k) b[rng.Next() * b.size() / 256] = rng.Next();
      Feed(b);
    }
  }
}

TEST_F(HostileInput, EveryTruncationOfValidFiles) {
  TDataTitles titles;
  titles.Title = "T";
  const PointTable t = TableOf({{1, 2, 3}, {4, 5, 6}});
  const std::string dif =
      "TABLE\r\n0,1\r\n\"\"\r\nVECTORS\r\n0,3\r\n\"\"\r\nTUPLES\r\n0,1\r\n\"\"\r\nDATA\r\n0,0\r\n"
      "\"\"\r\n-1,0\r\nBOT\r\n1,0\r\n\"x\"\r\n0,1\r\nV\r\n0,2\r\nV\r\n-1,0\r\nEOD\r\n";
  const std::vector<Bytes> files = {
      DataWorksheet(t, titles, 1),
      DataWorksheet(t, titles, 3),
      Bytes(dif.begin(), dif.end()),
      BuildSavFile({{"XVAR", 0, "a label"}, {"S", 8}, {"M", 0, "", {1.0, 2.0}}}),
      BuildCompoundFile({{"Workbook", false, Bytes(700, 1), {}},
                         {"Data 1RNB", true, {}, {{"RNBContents", false, Bytes(5000, 2), {}}}}}),
  };
  // The DIF is text: the ASCII readers read the numbers written in it.
  const std::vector<long double> difNumbers = {0, 1, 2, 3, -1};
  for (const Bytes& full : files) {
    const bool text = full == Bytes(dif.begin(), dif.end());
    for (std::size_t n = 0; n < full.size(); n += (full.size() > 2000 ? 97 : 13)) {
      Feed(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)),
           text ? difNumbers : std::vector<long double>{});
    }
  }
  // The binary formats through their own readers only.
  const std::vector<Bytes> binary = {
      ReadBytes(FixturePath("gnumeric_biff8.xls")),
      ReadBytes(FixturePath("notebook_excel.rnb")),
      BuildMvw({{0, "a", {MvwNumber(1), MvwNumber(2)}}, {1, "b", {MvwNumber(3), MvwText("t")}}}, false),
      Mv5Bytes({{0, "a", {N(1), N(2), N(3)}}, {1, "b", {N(4), T("t"), E()}}}),
      SheetBuilder().Wb1Bof().Wb1Label(0, 0, 0, "x").Wb1Number(0, 0, 1, 1).Wb1Number(0, 1, 1, 2).Record(1, {}).Take(),
      SheetBuilder().BiffBof(0x0409, 0, 0x10).BiffLabel(0, 0, "x").BiffMulRk(1, 0, {2, 6, 10}).BiffEof().Take(),
  };
  for (const Bytes& full : binary)
    for (std::size_t n = 0; n < full.size(); n += (full.size() > 2000 ? 97 : 7))
      FeedBinaryReaders(dir_.Write("t.wk1", Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n))));
}

TEST_F(HostileInput, SpecificTraps) {
  // A compound file whose sector chain loops and whose directory claims huge sizes.
  Bytes cfb = BuildCompoundFile({{"Workbook", false, Bytes(5000, 5), {}}});
  TCompoundFile file;
  ASSERT_TRUE(file.Load(cfb));
  for (std::size_t i = 512; i < 1024; i += 4) {  // the FAT: every sector points to itself
    cfb[i] = static_cast<std::uint8_t>((i - 512) / 4);
    cfb[i + 1] = cfb[i + 2] = cfb[i + 3] = 0;
  }
  EXPECT_FALSE(file.Load(cfb));
  // A .sav whose label length is negative or beyond the file.
  Bytes sav = BuildSavFile({{"XVAR", 0, "abcd"}});
  sav[176 + 28 + 4] = 0xFF;
  sav[176 + 28 + 7] = 0xFF;
  TSavDictionary d;
  EXPECT_NE(ReadSavDictionary(dir_.Write("neg.sav", sav), d), TSavStatus::kOk);
  sav[176 + 28 + 7] = 0x7F;
  EXPECT_NE(ReadSavDictionary(dir_.Write("long.sav", sav), d), TSavStatus::kOk);
  // A DIF claiming 2^31 vectors, an ASCII file with a 100000-digit number, NUL bytes and
  // endless words.
  Feed(Bytes{});
  const std::string dif = "TABLE\n0,1\n\"\"\nVECTORS\n0,2147483647\n\"\"\nTUPLES\n0,1\n\"\"\nDATA\n0,0\n\"\"\n"
                          "-1,0\nBOT\n0,1\nV\n-1,0\nEOD\n";
  Feed(Bytes(dif.begin(), dif.end()), {0, 1, 2147483647, -1});
  std::string ascii = "1 " + std::string(100000, '9') + " 3\n" + std::string("1\0 2 3\n", 7) +
                      std::string(5000, 'x') + " 1 2 3\n" + std::string(3000, '-') + "\n";
  Feed(Bytes(ascii.begin(), ascii.end()), {1, 2, 3, ExprErrorValue});
}

// The table is filled to its capacity, and the read tells how many points the file held.
TEST_F(HostileInput, ASCIIFileBeyondTheTableLimitStopsAtTheLimit) {
  std::string text;
  text.reserve(20000 * 8);
  for (int i = 0; i < 20000; ++i) text += "1 2 3 *\n";
  TDataTitles titles;
  const TReadResult read = ReadAsciiXYZ(Args(dir_.Write("big.txt", text)));
  const int n = Commit(read, titles);
  EXPECT_EQ(n, kXYZMaxPoints);
  EXPECT_EQ(read.pointsInFile, 20000);
  EXPECT_EQ(read.pointsCut, 20000 - kXYZMaxPoints);
  EXPECT_EQ(HeaderCount(), n);
  EXPECT_EQ(Row(n).Status, '*');  // the mark after the last point that fitted still applies
}

}  // namespace

namespace {

using namespace exchange_test;

// Loops in the tables of a compound file: a stream chain that comes back on itself, a DIFAT
// chain that points to itself, directory entries whose siblings or child lead back to an
// ancestor, and a mini stream chain that loops. Each file opens or is refused at once, and
// no stream is read past its file.
TEST(CompoundFileLoops, FatDifatDirectoryAndMiniChains) {
  const Bytes base = BuildCompoundFile({{"Workbook", false, Bytes(9000, 5), {}},
                                        {"Data 3RNB", true, {}, {{"RNBContents", false, Bytes(300, 2), {}}}}});
  const auto u32 = [](Bytes& b, std::size_t at, std::uint32_t v) { bytes::StoreU32(&b[at], v); };
  TCompoundFile file;
  ASSERT_TRUE(file.Load(base));
  const int workbook = file.FindChild(file.Root(), "Workbook");
  ASSERT_EQ(file.ReadStream(workbook)->size(), 9000u);

  struct Trap {
    const char* name;
    std::function<void(Bytes&)> patch;
  };
  const Trap traps[] = {
      {"a stream's chain loops", [&](Bytes& b) {
         // The workbook's sectors follow the directory, mini FAT and mini stream: make its
         // second sector point back to its first.
         const std::uint32_t start = bytes::LoadU32(&b[512 + 512 + 128 + 116]);
         u32(b, 512 + 4 * (start + 1), start);
       }},
      {"the DIFAT chain points to itself", [&](Bytes& b) {
         u32(b, 0x2C, 20);               // more FAT sectors than the header lists
         u32(b, 0x44, 3), u32(b, 0x48, 0xFFFFFFFF);
         u32(b, 512 * 4 + 508, 3);        // its last entry: itself
       }},
      {"a sibling leads back to its parent", [&](Bytes& b) { u32(b, 512 + 512 + 128 + 72, 0); }},
      {"a storage is its own child", [&](Bytes& b) { u32(b, 512 + 512 + 2 * 128 + 76, 2); }},
      {"the directory chain loops", [&](Bytes& b) { u32(b, 512 + 4 * 1, 1); }},
      {"the mini stream chain loops", [&](Bytes& b) {
         const std::uint32_t miniFat = bytes::LoadU32(&b[0x3C]);
         u32(b, 512 * (miniFat + 1) + 4, 0);
       }},
  };
  for (const Trap& t : traps) {
    SCOPED_TRACE(t.name);
    Bytes b = base;
    t.patch(b);
    if (!file.Load(b)) continue;
    for (const std::string& name : file.ChildNames(file.Root())) {
      const int child = file.FindChild(file.Root(), name);
      if (const auto s = file.ReadStream(child)) {
        EXPECT_LE(s->size(), b.size());
      }
      for (const std::string& inner : file.ChildNames(child)) (void)file.ReadStream(file.FindChild(child, inner));
    }
  }
}

}  // namespace
