// Reading a full table of 16384 points (the most an import can hold) from the program's
// own XYZ text, from multi-column text, from DIF and from a dBASE table, and 16382 rows (the
// most the export tables write) from WK1, WK3, a plain BIFF sheet, a compound-file workbook,
// a Windows worksheet, a statistics-package file and a DOS worksheet; detecting the file's
// kind; writing the data text, a worksheet image, the .sav file and the DOS worksheet.
#include <cstdlib>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/data_file_writers.h"
#include "app/data_files.h"
#include "app/data_session.h"
#include "exchange/ascii_readers.h"
#include "exchange/dbase_reader.h"
#include "exchange/dif_reader.h"
#include "exchange/compound_file_builder.h"
#include "exchange/excel_readers.h"
#include "exchange/export/xls_export.h"
#include "exchange/import_detection.h"
#include "exchange/mv5_builder.h"
#include "exchange/mv5_reader.h"
#include "exchange/mvw_builder.h"
#include "exchange/mvw_reader.h"
#include "exchange/sav_builder.h"
#include "exchange/sav_readers.h"
#include "exchange/sav_writers.h"
#include "exchange/worksheet_builder.h"
#include "exchange/worksheet_readers.h"

namespace {

constexpr int kPoints = kXYZMaxPoints;
constexpr int kSheetRows = 16382;

// The point of row i (1-based) of every file.
long double BenchX(int i) { return i * 0.001L; }
long double BenchY(int i) { return (i % 97) * 0.25L; }
long double BenchZ(int i) { return BenchX(i) * BenchY(i) + 1.0L / i; }

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("ondravik_bench_" + std::to_string(::getpid()) + "_" + name))
      .string();
}

// Files of the same points in each format, written once.
struct Files {
  std::string xyz = TempPath("xyz.txt"), xyzCrLf = TempPath("xyz_crlf.txt"), multi = TempPath("multi.csv"), dif = TempPath("data.dif"),
              dbf = TempPath("data.dbf");
  Files() {
    std::ofstream a(xyz), b(multi), c(dif), d(dbf, std::ios::binary), e(xyzCrLf, std::ios::binary);
    // A dBASE III header: three numeric fields of 20 characters after the deletion flag.
    constexpr int kFields = 3, kWidth = 20, kHeader = 32 + 32 * kFields + 1, kRecord = 1 + kFields * kWidth;
    std::string header(kHeader, '\0');
    header[0] = 3;
    for (int k = 0; k < 4; ++k) header[static_cast<std::size_t>(4 + k)] = static_cast<char>(kPoints >> (8 * k));
    header[8] = static_cast<char>(kHeader & 0xFF), header[9] = static_cast<char>(kHeader >> 8);
    header[10] = static_cast<char>(kRecord & 0xFF), header[11] = static_cast<char>(kRecord >> 8);
    for (int k = 0; k < kFields; ++k) {
      const std::size_t at = static_cast<std::size_t>(32 + 32 * k);
      header[at] = static_cast<char>('X' + k), header[at + 11] = 'N', header[at + 16] = kWidth;
    }
    header[kHeader - 1] = 0x0D;
    d << header;
    a << "\"Bench\"\nx\ny\nz\n";
    e << "\"Bench\"\r\nx\r\ny\r\nz\r\n";
    b << "id,x,y,z,w\n";
    c << "TABLE\n0,1\n\"\"\nVECTORS\n0,3\n\"\"\nTUPLES\n0," << kPoints << "\n\"\"\nDATA\n0,0\n\"\"\n";
    char line[160];
    for (int i = 1; i <= kPoints; ++i) {
      const double x = i * 0.001, y = (i % 97) * 0.25, z = x * y + 1.0 / i;
      std::snprintf(line, sizeof line, "%.15g %.15g %.15g\n", x, y, z);
      a << line;
      std::snprintf(line, sizeof line, "%.15g %.15g %.15g\r\n", x, y, z);
      e << line;
      std::snprintf(line, sizeof line, "%d,%.15g,%.15g,%.15g,1\n", i, x, y, z);
      b << line;
      std::snprintf(line, sizeof line, "-1,0\nBOT\n0,%.15g\nV\n0,%.15g\nV\n0,%.15g\nV\n", x, y, z);
      c << line;
      std::snprintf(line, sizeof line, " %20.15g%20.15g%20.15g", x, y, z);
      d << line;
    }
    d << '\x1A';
    c << "-1,0\nEOD\n";
  }
  ~Files() {
    std::remove(xyz.c_str());
    std::remove(xyzCrLf.c_str());
    std::remove(multi.c_str());
    std::remove(dif.c_str());
    std::remove(dbf.c_str());
  }
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

// The spreadsheet files: a title, the names and 16382 rows of X, Y and Z.
struct SheetFiles {
  std::string wk1 = TempPath("data.wk1"), wk3 = TempPath("data.wk3"), biff = TempPath("plain.xls"),
              xls = TempPath("book.xls"), mvw = TempPath("data.mvw"), sav = TempPath("data.sav"),
              mv5 = TempPath("data.mv5");
  PointTable table = NewPointTable(kSheetRows);
  TDataTitles titles;
  std::vector<exchange_test::Mv5Column> mv5Columns = {{0, "x", {}}, {1, "y", {}}, {2, "z", {}}};
  SheetFiles() {
    for (int i = 1; i <= kSheetRows; ++i) {
      TXYZPoint& p = table[static_cast<std::size_t>(i)];
      p.X = BenchX(i), p.Y = BenchY(i), p.Z = BenchZ(i), p.W = 1, p.Status = kPointActive;
    }
    titles.SetTitle("Bench"), titles.SetXName("x"), titles.SetYName("y"), titles.SetZName("z");
    Write(wk1, DataWorksheet(table, titles, 1));
    Write(wk3, DataWorksheet(table, titles, 3));

    bytes::ByteWriter plain;
    Biff4PutHeader(plain, kSheetRows + 1, 3);
    Biff4PutLabel(plain, 0, 0, "x"), Biff4PutLabel(plain, 1, 0, "y"), Biff4PutLabel(plain, 2, 0, "z");
    exchange_test::SheetBuilder book;
    book.BiffBof(0x0809, 0x0600, 0x0005).BiffEof().BiffBof(0x0809, 0x0600, 0x0010);
    std::vector<exchange_test::MvwColumn> columns = {{0, "x", {}}, {1, "y", {}}, {2, "z", {}}};
    for (int i = 1; i <= kSheetRows; ++i) {
      const double v[3] = {static_cast<double>(BenchX(i)), static_cast<double>(BenchY(i)), static_cast<double>(BenchZ(i))};
      for (int c = 0; c < 3; ++c) {
        Biff4PutNumber(plain, c, i, v[c]);
        book.BiffNumber(i, c, v[c]);
      }
      columns[0].cells.push_back(exchange_test::MvwNumber(BenchX(i)));
      columns[1].cells.push_back(exchange_test::MvwNumber(BenchY(i)));
      columns[2].cells.push_back(exchange_test::MvwNumber(BenchZ(i)));
      for (int c = 0; c < 3; ++c) mv5Columns[static_cast<std::size_t>(c)].cells.push_back(exchange_test::N(v[c]));
    }
    Biff4PutClosing(plain);
    Write(biff, plain.Take());
    Write(xls, exchange_test::BuildCompoundFile({{"Workbook", false, book.BiffEof().Take(), {}}}));
    Write(mvw, exchange_test::BuildMvw(columns));
    if (WriteOkapSav(sav, table, titles).status != SavWriteStatus::kWritten ||
        exchange_test::WriteMv5(mv5, mv5Columns) != MvCode::kOk)
      std::abort();  // nothing to time without the files
  }
  ~SheetFiles() {
    for (const std::string* p : {&wk1, &wk3, &biff, &xls, &mvw, &sav, &mv5}) std::remove(p->c_str());
  }
  static void Write(const std::string& path, const std::vector<std::uint8_t>& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
};

const SheetFiles& TheSheets() {
  static const SheetFiles files;
  return files;
}

// Times one reader over one file, which must give all its rows.
template <class Read>
void TimeSheetRead(benchmark::State& state, Read read, const std::string& path, int x, int y, int z) {
  TReadArgs args;
  args.path = path;
  args.colX = x, args.colY = y, args.colZ = z;
  for (auto _ : state) {
    const TReadResult r = read(args);
    if (r.Count() != kSheetRows) state.SkipWithError("the sheet was not read whole");
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations() * kSheetRows);
}

void BM_ReadWorksheetWK1(benchmark::State& state) { TimeSheetRead(state, ReadWorksheet, TheSheets().wk1, 0, 1, 2); }
BENCHMARK(BM_ReadWorksheetWK1)->Unit(benchmark::kMillisecond);
void BM_ReadWorksheetWK3(benchmark::State& state) { TimeSheetRead(state, ReadWorksheet, TheSheets().wk3, 0, 1, 2); }
BENCHMARK(BM_ReadWorksheetWK3)->Unit(benchmark::kMillisecond);
void BM_ReadExcelBiff(benchmark::State& state) { TimeSheetRead(state, ReadExcelBiff, TheSheets().biff, 0, 1, 2); }
BENCHMARK(BM_ReadExcelBiff)->Unit(benchmark::kMillisecond);
void BM_ReadOleExcel(benchmark::State& state) { TimeSheetRead(state, ReadOleExcel, TheSheets().xls, 0, 1, 2); }
BENCHMARK(BM_ReadOleExcel)->Unit(benchmark::kMillisecond);
void BM_ReadMvw(benchmark::State& state) { TimeSheetRead(state, ReadMvw, TheSheets().mvw, 1, 2, 3); }
BENCHMARK(BM_ReadMvw)->Unit(benchmark::kMillisecond);
void BM_ReadOkapSav(benchmark::State& state) { TimeSheetRead(state, ReadOkapSav, TheSheets().sav, 1, 2, 3); }
BENCHMARK(BM_ReadOkapSav)->Unit(benchmark::kMillisecond);
void BM_ReadOkapSavOwn(benchmark::State& state) { TimeSheetRead(state, ReadOkapSavOwn, TheSheets().sav, 0, 0, 0); }
BENCHMARK(BM_ReadOkapSavOwn)->Unit(benchmark::kMillisecond);
void BM_ReadMv5(benchmark::State& state) { TimeSheetRead(state, ReadMv5, TheSheets().mv5, 1, 2, 3); }
BENCHMARK(BM_ReadMv5)->Unit(benchmark::kMillisecond);

// The writers, each saving through a temporary file (synced before it is renamed).
void BM_WriteOkapSav(benchmark::State& state) {
  const SheetFiles& f = TheSheets();
  const std::string path = TempPath("written.sav");
  for (auto _ : state)
    if (WriteOkapSav(path, f.table, f.titles).status != SavWriteStatus::kWritten) state.SkipWithError("not written");
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * kSheetRows);
}
BENCHMARK(BM_WriteOkapSav)->Unit(benchmark::kMillisecond);

void BM_WriteMv5(benchmark::State& state) {
  const SheetFiles& f = TheSheets();
  const std::string path = TempPath("written.mv5");
  for (auto _ : state)
    if (exchange_test::WriteMv5(path, f.mv5Columns) != MvCode::kOk) state.SkipWithError("not written");
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * kSheetRows);
}
BENCHMARK(BM_WriteMv5)->Unit(benchmark::kMillisecond);

// The session the readers' points are committed to.
TDataSession& Session() {
  static TDataSession session;
  return session;
}

void Table() {
  Session().Table.FreePointArray();
  if (!Session().Table.AllocPointArray()) std::abort();  // nothing to time without a table
}

void BM_ReadAsciiXYZ(benchmark::State& state) {
  TReadArgs args;
  args.path = TheFiles().xyz;
  for (auto _ : state) benchmark::DoNotOptimize(ReadAsciiXYZ(args));
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ReadAsciiXYZ)->Unit(benchmark::kMillisecond);

// The same points with CR LF line ends, as files from other systems have them.
void BM_ReadAsciiXYZCrLf(benchmark::State& state) {
  TReadArgs args;
  args.path = TheFiles().xyzCrLf;
  for (auto _ : state) benchmark::DoNotOptimize(ReadAsciiXYZ(args));
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ReadAsciiXYZCrLf)->Unit(benchmark::kMillisecond);

void BM_ReadAsciiMultiColumn(benchmark::State& state) {
  TReadArgs args;
  args.path = TheFiles().multi;
  args.colX = 2, args.colY = 3, args.colZ = 4, args.colW = 5;
  for (auto _ : state) benchmark::DoNotOptimize(ReadAsciiMultiColumn(args));
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ReadAsciiMultiColumn)->Unit(benchmark::kMillisecond);

void BM_ReadDif(benchmark::State& state) {
  TReadArgs args;
  args.path = TheFiles().dif;
  args.colX = 0, args.colY = 1, args.colZ = 2;
  for (auto _ : state) benchmark::DoNotOptimize(ReadDif(args));
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ReadDif)->Unit(benchmark::kMillisecond);

void BM_ReadDbase(benchmark::State& state) {
  TReadArgs args;
  args.path = TheFiles().dbf;
  args.colX = 1, args.colY = 2, args.colZ = 3;
  for (auto _ : state) {
    const TReadResult r = ReadDbase(args);
    if (r.Count() != kPoints) state.SkipWithError("the table was not read whole");
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ReadDbase)->Unit(benchmark::kMillisecond);

// A statistics-package file of 20,000,000 bytecode-compressed cases (60 MB; the same cases
// zlib-compressed take 263 KB): the read stops once the table is full and kPointsCountBound
// points are counted, instead of going through every case.
void BM_ReadHugeCompressedSav(benchmark::State& state) {
  constexpr std::int64_t kCases = 20000000;
  const std::string path = TempPath("huge.sav");
  {
    std::vector<std::uint8_t> bytes = exchange_test::BuildSavFile({{"X", 0}, {"Y", 0}, {"Z", 0}});
    exchange_test::AppendCompressedCases(bytes, {1, 2, 3}, kCases);
    SheetFiles::Write(path, bytes);
  }
  TReadArgs args;
  args.path = path;
  args.colX = 1, args.colY = 2, args.colZ = 3;
  for (auto _ : state) {
    const TReadResult r = ReadOkapSav(args);
    if (r.Count() != kPoints || !r.morePointsInFile) state.SkipWithError("the read did not stop at the bound");
    benchmark::DoNotOptimize(r);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadHugeCompressedSav)->Unit(benchmark::kMillisecond);

void BM_DetectImportFileType(benchmark::State& state) {
  for (auto _ : state) {
    std::string path = TheFiles().dif;
    benchmark::DoNotOptimize(DetectImportFileType(path));
  }
}
BENCHMARK(BM_DetectImportFileType)->Unit(benchmark::kMicrosecond);

void BM_WriteDataTextAndWorksheet(benchmark::State& state) {
  Table();
  TReadArgs args;
  args.path = TheFiles().xyz;
  if (!CommitReadResult(Session().Table, ReadAsciiXYZ(args), false))
    state.SkipWithError("no room for the points");
  for (auto _ : state) {
    benchmark::DoNotOptimize(DataTableToText(Session()));
    benchmark::DoNotOptimize(DataTableToWorksheet(Session(), 3));
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_WriteDataTextAndWorksheet)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
