// Reading a full table of 16384 points (the most an import can hold) from the program's
// own XYZ text, from multi-column text, from DIF and from a dBASE table; detecting the file's kind; writing the
// data text and a worksheet image back.
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
#include "exchange/import_detection.h"

namespace {

constexpr int kPoints = kXYZMaxPoints;

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("ondravik_bench_" + std::to_string(::getpid()) + "_" + name))
      .string();
}

// Files of the same points in each format, written once.
struct Files {
  std::string xyz = TempPath("xyz.txt"), multi = TempPath("multi.csv"), dif = TempPath("data.dif"),
              dbf = TempPath("data.dbf");
  Files() {
    std::ofstream a(xyz), b(multi), c(dif), d(dbf, std::ios::binary);
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
    b << "id,x,y,z,w\n";
    c << "TABLE\n0,1\n\"\"\nVECTORS\n0,3\n\"\"\nTUPLES\n0," << kPoints << "\n\"\"\nDATA\n0,0\n\"\"\n";
    char line[160];
    for (int i = 1; i <= kPoints; ++i) {
      const double x = i * 0.001, y = (i % 97) * 0.25, z = x * y + 1.0 / i;
      std::snprintf(line, sizeof line, "%.15g %.15g %.15g\n", x, y, z);
      a << line;
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
    std::remove(multi.c_str());
    std::remove(dif.c_str());
    std::remove(dbf.c_str());
  }
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

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
