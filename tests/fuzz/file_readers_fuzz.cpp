// Fuzz driver of the program's file readers and block decoders: deterministic mutants of
// committed seeds (tests/fuzz/seeds, tests/data, and images our own writers make) go
// through every reader of imported data files, the import detection and its probes, the
// compound-file and statistics-package readers, the worksheet record scan, the settings
// file, the fit blocks (.fit/.ftp), the 3D option files (.v3d/.scl/.ani), the custom title,
// colour, print-layout and text-print files (.ttl/.clr/.cpg/.cpt), the LZW expander of
// compressed blocks, DIB reading and coded text; and two writers on values made of the
// input, the .sav writers (read back) and the code generator (its literals checked).
//
// Besides not crashing (the sanitizer builds catch memory and undefined-behaviour faults),
// each target checks what it got: a read stores no more points than the table can take,
// keeps only points whose values it scanned, counts what it cut, and titles stay within
// their fields; a decoder that accepts a block gives a record that encodes and decodes to
// itself (its clamping is idempotent), and a refused block leaves the record untouched.
//
//   fuzz_file_readers [--iterations N] [--seed S] [--target NAME] [--replay FILE]
//
// ctest runs a short pass of every target. Each input is written to a scratch folder
// before it is read, so after a crash the input that caused it is still there.
#include <unistd.h>

#include <cfloat>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "app/bitmap_files.h"
#include "app/byte_codec.h"
#include "app/coded_text.h"
#include "app/text_file_bytes.h"
#include "app/text_line_buffer.h"
#include "app/data_file_writers.h"
#include "app/data_titles.h"
#include "app/long_double.h"
#include "app/program_files.h"
#include "app/lzw_block.h"
#include "app/settings_file.h"
#include "exchange/ascii_readers.h"
#include "exchange/codegen/code_generator.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/compound_file.h"
#include "exchange/compound_file_builder.h"
#include "exchange/dbase_reader.h"
#include "exchange/dif_reader.h"
#include "exchange/excel_readers.h"
#include "exchange/import_detection.h"
#include "exchange/mvw_builder.h"
#include "exchange/mv5_builder.h"
#include "exchange/mv5_reader.h"
#include "exchange/mv5_records.h"
#include "exchange/mvw_reader.h"
#include "exchange/notebook_readers.h"
#include "exchange/sav_builder.h"
#include "exchange/sav_file.h"
#include "exchange/sav_readers.h"
#include "exchange/sav_writers.h"
#include "exchange/worksheet_builder.h"
#include "exchange/worksheet_cells.h"
#include "exchange/worksheet_readers.h"
#include "fit/fit_blocks.h"
#include "graph3d/color_schemes.h"
#include "graph3d/option_files.h"
#include "graph3d/graph_options.h"
#include "graph3d/option_records.h"
#include "graph3d/text_print_buffer.h"
#include "graph3d/title_block.h"
#include "graph3d/view_function.h"
#include "graph3d/view_function_check.h"
#include "expr/expression.h"
#include "expr/lexer.h"
#include "fit/fit_families.h"
#include "fit/fit_records.h"
#include "support/fuzz_mutator.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Target {
  std::string name;
  std::string extension;  // of the file the input is written to
  std::vector<Bytes> seeds;
  std::vector<std::string> dictionary;
  std::function<void(const Bytes& input, const std::string& path, std::uint64_t iteration)> run;
};

std::string g_current;  // target and iteration, for the failure message

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_file_readers: %s: %s\n", g_current.c_str(), what.c_str());
  std::abort();
}
void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

Bytes FileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The seeds of a folder under tests/fuzz/seeds.
std::vector<Bytes> SeedFiles(const std::string& folder) {
  std::vector<Bytes> seeds;
  for (const fuzz::Bytes& s : fuzz::LoadSeedFolder(fs::path(ONDRAVIK_FUZZ_SEEDS_DIR) / folder))
    seeds.emplace_back(s.begin(), s.end());
  return seeds;
}
Bytes Fixture(const char* name) { return FileBytes(fs::path(ONDRAVIK_TEST_DATA_DIR) / name); }

// The bytes a writer of ours puts in a file.
Bytes Written(const std::function<bool(const std::string& path)>& write) {
  const fs::path path = fs::temp_directory_path() / ("ondravik_fuzz_seed_" + std::to_string(::getpid()));
  const bool ok = write(path.string());
  Bytes bytes = ok ? FileBytes(path) : Bytes{};
  fs::remove(path);
  if (!ok) Fail("a seed could not be written");
  return bytes;
}

// Columns paired by row: none on failure, else one array per column asked for, all of one
// count, every value a usable number.
void CheckPairs(const std::vector<TColumnArray>& arrays, std::size_t columns) {
  if (arrays.empty()) return;
  Check(arrays.size() == columns, "paired arrays and columns differ");
  for (const TColumnArray& a : arrays) {
    Check(!a.empty() && a[0] == static_cast<long double>(a.size() - 1) && a.size() == arrays[0].size(),
          "paired counts and values differ");
    for (std::size_t k = 1; k < a.size(); ++k) Check(IsUsableValue(a[k]), "a paired value that is no number");
  }
}
std::vector<int> ColumnsOf(const TReadArgs& a) { return {a.colX, a.colY, a.colZ}; }

void CheckTitles(const TDataTitles& t) {
  Check(t.Title.size() <= kDataTitleLength, "title longer than its field");
  for (const std::string* n : {&t.XName, &t.YName, &t.ZName})
    Check(n->size() <= kAxisNameLength, "axis name longer than its field");
}

// A value a reader may store: one it scanned (finite) or the missing value.
bool Scanned(long double v) { return std::isfinite(v); }

void CheckRead(const TReadResult& r, const TReadArgs& args, bool positiveWeights) {
  if (r.error != TReadError::kNone) {
    Check(r.points.empty(), "a failed read returned points");
    return;
  }
  Check(static_cast<int>(r.points.size()) <= args.capacity, "more points than the table's room");
  Check(r.pointsInFile >= static_cast<int>(r.points.size()) + r.pointsCut,
        "points read and cut exceed the points in the file");
  Check(r.pointsCut == 0 || static_cast<int>(r.points.size()) == args.capacity,
        "points cut while the table had room");
  Check(r.pointsInFile <= kPointsCountBound, "points counted past the bound");
  Check(!r.cancelled, "a read without progress cancelled");
  Check(r.skippedLines >= 0 && r.skippedRows >= 0 && r.nonFiniteRows >= 0 && r.inactiveRows >= 0,
        "a negative count of rows passed over");
  Check(!r.damagedAfterRow || *r.damagedAfterRow >= 0, "damaged after a negative row");
  Check(r.recordsInHeader >= r.recordsInFile, "more records read than the header counts");
  for (const TXYZPoint& p : r.points) {
    Check(Scanned(p.X) && Scanned(p.Y) && Scanned(p.Z) && Scanned(p.W), "a value not scanned");
    Check(p.Status == kPointActive || p.Status == kPointInactive, "a status neither active nor inactive");
    if (positiveWeights) Check(p.W > 0, "a weight that is not positive");
  }
  CheckTitles(r.titles);
}

// Arguments that vary with the iteration: the digital filter, the room left in the table
// (small now and then, so that cutting is exercised), and the columns chosen.
TReadArgs ArgsFor(const std::string& path, std::uint64_t i, int firstColumn) {
  TReadArgs a;
  a.path = path;
  a.filterN = 1 + static_cast<int>(i % 3);
  a.filterStart = 1 + static_cast<int>((i / 3) % 2);
  a.capacity = i % 5 == 0 ? static_cast<int>(i % 7) : kXYZMaxPoints;
  a.colX = firstColumn + static_cast<int>(i % 2);
  a.colY = a.colX + 1;
  a.colZ = a.colX + 2;
  a.colW = i % 4 == 0 ? a.colX + 3 : -1;
  return a;
}

// A decoder that accepted a block must give a record that encodes and decodes to itself.
template <class Record, class Decode, class Encode>
void RoundTrip(const Bytes& input, Decode decode, Encode encode, const char* name) {
  Record record{};
  const Record before = record;
  if (!decode(input, record)) {
    Check(record == before, (std::string(name) + ": a refused block changed the record").c_str());
    return;
  }
  const Bytes once = encode(record);
  Record again{};
  Check(decode(once, again), (std::string(name) + ": its own encoding refused").c_str());
  Check(encode(again) == once, (std::string(name) + ": decoding is not idempotent").c_str());
}

// The number literals of generated code: digits with an optional fraction and exponent
// ("E" or FORTRAN's "D"), not inside a name.
std::vector<std::string> NumberLiterals(const std::string& text) {
  std::vector<std::string> literals;
  const auto digit = [&](std::size_t k) { return k < text.size() && std::isdigit(static_cast<unsigned char>(text[k])); };
  const auto nameChar = [&](std::size_t k) {
    return k < text.size() && (std::isalnum(static_cast<unsigned char>(text[k])) || text[k] == '_' || text[k] == '#');
  };
  std::size_t i = 0;
  while (i < text.size()) {
    if (std::isalpha(static_cast<unsigned char>(text[i])) || text[i] == '_' || text[i] == '#') {
      while (nameChar(i)) ++i;
    } else if (digit(i) || (text[i] == '.' && digit(i + 1))) {
      const std::size_t start = i;
      while (digit(i)) ++i;
      if (i < text.size() && text[i] == '.') ++i;
      while (digit(i)) ++i;
      if (i < text.size() && std::strchr("EeDd", text[i]) != nullptr) {
        const std::size_t sign = i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-') ? 1 : 0;
        if (digit(i + 1 + sign)) {
          i += 1 + sign;
          while (digit(i)) ++i;
        }
      }
      literals.push_back(text.substr(start, i - start));
    } else {
      ++i;
    }
  }
  return literals;
}

// Whether a dialect's compiler reads a literal as the number it shows: nonzero digits give
// a finite normal number of its reals (the calculation language's literal range in the
// user-function file).
bool LiteralHeld(int dialect, std::string literal) {
  for (char& c : literal)
    if (c == 'D' || c == 'd') c = 'E';
  const std::size_t exponent = literal.find_first_of("Ee");
  const bool zero = literal.substr(0, exponent).find_first_not_of("0.") == std::string::npos;
  if (zero) return true;
  if (dialect == kDialectC80 || dialect == kDialectPascal) {
    const long double v = std::strtold(literal.c_str(), nullptr);
    return std::isfinite(v) && std::isnormal(v);
  }
  if (dialect == kDialectUdf) {
    const long double v = std::strtold(literal.c_str(), nullptr);
    return v >= kExprLiteralMin && v <= kExprLiteralMax;
  }
  const double v = std::strtod(literal.c_str(), nullptr);
  return std::isfinite(v) && std::isnormal(v);
}

std::vector<Target> Targets() {
  std::vector<Target> targets;
  const std::vector<std::string> textTokens = {"1e4932", "1e-4950", "-.", "W", "W-1", "*", "\"", "\r\n",
                                               "1,5", "nan", "inf", "0x1A", "A4", "\x1A", "\t", "e+",
                                               std::string(130, '9')};
  targets.push_back({"ascii_xyz", "txt", SeedFiles("ascii"), textTokens,
                     [](const Bytes&, const std::string& path, std::uint64_t i) {
                       const TReadArgs args = ArgsFor(path, i, 1);
                       CheckRead(ReadAsciiXYZ(args), args, false);
                     }});
  targets.push_back({"ascii_multi_column", "txt", SeedFiles("ascii"), textTokens,
                     [](const Bytes&, const std::string& path, std::uint64_t i) {
                       const TReadArgs args = ArgsFor(path, i, 1);
                       CheckRead(ReadAsciiMultiColumn(args), args, true);
                       std::vector<std::string> list;
                       const int columns = ListAsciiColumns(path, list);
                       Check(columns == static_cast<int>(list.size()), "column list and count differ");
                       const TColumnArray c = ReadAsciiColumn(path, 1 + static_cast<int>(i % 4));
                       CheckPairs(ReadAsciiColumnPairs(path, ColumnsOf(args)), 3);
                       Check(!c.empty() && c[0] == static_cast<long double>(c.size() - 1),
                             "column count and values differ");
                       ProbeAsciiColumns(path);
                     }});
  std::vector<Bytes> difSeeds = SeedFiles("dif");
  difSeeds.push_back(Fixture("gnumeric_points.dif"));
  difSeeds.push_back(Fixture("gnumeric_two_columns.dif"));
  targets.push_back({"dif", "dif", difSeeds,
                     {"TABLE", "VECTORS", "TUPLES", "DATA", "BOT", "EOD", "-1,0", "0,", "1,0", "V",
                      "\"", "NA", "2147483647", "-2147483648", "\r\n"},
                     [](const Bytes&, const std::string& path, std::uint64_t i) {
                       const TReadArgs args = ArgsFor(path, i, 0);
                       CheckRead(ReadDif(args), args, true);
                       std::vector<std::string> list;
                       ListDifColumns(path, list);
                       const TColumnArray c = ReadDifColumn(path, static_cast<int>(i % 4));
                       CheckPairs(ReadDifColumnPairs(path, ColumnsOf(args)), 3);
                       Check(c.empty() || c[0] == static_cast<long double>(c.size() - 1),
                             "column count and values differ");
                       ProbeDif(path);
                     }});

  targets.push_back({"dbase", "dbf", {Fixture("libreoffice_points.dbf")},
                     {"*", "\x0D", "\x1A", "N", "F", "C", "\xFF\xFF", "\xFF\xFF\xFF\x7F", "-1e4932",
                      "*****", " 1.5"},
                     [](const Bytes&, const std::string& path, std::uint64_t i) {
                       const TReadArgs args = ArgsFor(path, i, 1);
                       CheckRead(ReadDbase(args), args, true);
                       std::vector<std::string> list;
                       const int fields = ListDbaseFields(path, list);
                       Check(fields < 0 ? list.empty() : fields == static_cast<int>(list.size()),
                             "field list and count differ");
                       for (const std::string& entry : list) Check(entry.size() <= 19, "a field entry too long");
                       const TColumnArray c = ReadDbaseColumn(path, 1 + static_cast<int>(i % 5));
                       CheckPairs(ReadDbaseColumnPairs(path, 0, ColumnsOf(args)), 3);
                       Check(c.empty() || c[0] == static_cast<long double>(c.size() - 1),
                             "column count and values differ");
                       ProbeDbase(path);
                     }});

  // Binary data files: compound files (workbooks, notebooks), worksheets, .sav.
  const PointTable points = [] {
    PointTable t = NewPointTable(3);
    for (int k = 1; k <= 3; ++k) t[static_cast<std::size_t>(k)].X = k, t[static_cast<std::size_t>(k)].W = 1,
                                   t[static_cast<std::size_t>(k)].Status = kPointActive;
    return t;
  }();
  TDataTitles titles;
  titles.SetTitle("Fuzz");
  std::vector<Bytes> binarySeeds = {
      Fixture("gnumeric_biff7.xls"), Fixture("gnumeric_biff8.xls"),
      DataWorksheet(points, titles, 1), DataWorksheet(points, titles, 3),
      exchange_test::BuildCompoundFile(
          {{"Book", false, Bytes(700, 3), {}},
           {"Excel1RNB", true, {}, {{"Book", false, Bytes(90, 4), {}}}},
           {"Data 2RNB", true, {}, {{"RNBContents", false, Bytes(5000, 2), {}}}}}),
      exchange_test::BuildSavFile({{"XVAR", 0, "x label", {1.0, 2.0}}, {"YVAR", 0, "y"},
                                   {"LONGSTR", 300}, {"S", 8}}),
  };
  // Statistics-package files: PSPP's (compressed, plain, zlib, Windows-1252) and a
  // hand-built dictionary.
  const std::vector<Bytes> savSeeds = {
      Fixture("pspp_compressed.sav"), Fixture("pspp_uncompressed.sav"), Fixture("pspp_zcompressed.sav"),
      Fixture("pspp_windows1252.sav"),
      exchange_test::BuildSavFile({{"XVAR", 0, "x label", {1.0, 2.0}}, {"YVAR", 0, "y"}, {"LONGSTR", 300}, {"S", 8}}),
      Written([&](const std::string& path) {
        PointTable t = points;
        t[2].Status = kPointInactive;
        t[0].W = 1;
        return WriteOkapSav(path, t, titles).status == SavWriteStatus::kWritten;
      }),
      // Cut inside its cases: fewer than its header counts.
      [&] {
        Bytes b = Written([&](const std::string& path) { return WriteOkapSavXYZ(path, points).status == SavWriteStatus::kWritten; });
        b.resize(b.size() - 11);
        return b;
      }(),
  };
  const std::vector<std::string> savTokens = {"$FL2@(#) ", "$FL3@(#) ", std::string("\xE7\x03\x00\x00", 4),
                                              std::string("\x07\x00\x00\x00", 4), std::string("\xFF\xFF\xFF\xFF", 4),
                                              std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xEF\xFF", 8), "\xFC", "\xFD", "\xFE",
                                              "UTF-8", "windows-1252"};
  const std::vector<std::string> binaryTokens = {std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8),
                                                 "$FL2@(#)", std::string("\x00\x00\x02\x00\x06\x04", 6),
                                                 std::string("\xFE\xFF\xFF\xFF", 4), "Workbook", "RNBContents"};
  const auto probeAll = [](const std::string& path) {
    for (const char* ext : {"", ".wk1", ".xls", ".sav"}) {
      std::string p = path;
      if (*ext) {
        p = path + ext;
        fs::copy_file(path, p, fs::copy_options::overwrite_existing);
      }
      DetectImportFileType(p);
      if (*ext) fs::remove(p);
    }
    ProbeSpreadsheet(path);
    ProbeDbase(path);
    ProbeExcelBiff(path);
    ProbeNotebook(path);
    ProbeOkapSav(path);
  };
  targets.push_back({"detection", "dat", binarySeeds, binaryTokens,
                     [probeAll](const Bytes&, const std::string& path, std::uint64_t) { probeAll(path); }});
  targets.push_back({"compound_file", "xls", binarySeeds, binaryTokens,
                     [](const Bytes& input, const std::string& path, std::uint64_t) {
                       TCompoundFile cf;
                       if (cf.Load(input)) {
                         for (const std::string& name : cf.ChildNames(cf.Root())) {
                           const int child = cf.FindChild(cf.Root(), name);
                           Check(child >= 0, "a listed child is not found");
                           if (const auto s = cf.ReadStream(child))
                             Check(s->size() <= input.size() * 64 + 4096, "a stream larger than its file allows");
                           for (const std::string& inner : cf.ChildNames(child))
                             (void)cf.ReadStream(cf.FindChild(child, inner));
                         }
                       }
                       IsOleWorkbook(path);
                       std::vector<std::uint8_t> stream;
                       FindNotebookSection(path, &stream);
                     }});
  targets.push_back({"sav", "sav", savSeeds, savTokens,
                     [](const Bytes&, const std::string& path, std::uint64_t i) {
                       TSavDictionary d;
                       if (ReadSavDictionary(path, d) == TSavStatus::kOk)
                         Check(d.weightVariable < static_cast<int>(d.variables.size()), "a weight variable beyond the list");
                       std::vector<std::string> list;
                       const int listed = ListOkapVariables(path, list);
                       Check((listed == kListMalformed ? 0 : listed) == static_cast<int>(list.size()), "list and count differ");
                       TReadArgs args = ArgsFor(path, i, 1);
                       args.colX = 1 + static_cast<int>(i % 3), args.colY = 2, args.colZ = 1;
                       args.colW = i % 2 ? 3 : -1;
                       CheckRead(ReadOkapSav(args), args, false);  // |w|: a weight of 0 stays 0
                       CheckRead(ReadOkapSavOwn(args), args, false);
                       const TColumnArray c = ReadOkapVariable(path, 1 + static_cast<int>(i % 4));
                       CheckPairs(ReadOkapColumnPairs(path, ColumnsOf(args)), 3);
                       CheckPairs(ReadOkapColumnPairs(path, std::vector<int>{args.colX, args.colY}), 2);
                       Check(c.empty() || c[0] == static_cast<long double>(c.size() - 1), "column count and values differ");
                       ProbeOkapSav(path);
                     }});
  // The .sav writers on point tables made of the input (41 bytes a row: X, Y, Z and W as
  // 80-bit values and a status byte; the first byte the weights flag): a save is refused,
  // leaving the older file whole, or gives back every row it wrote, to a double's digits,
  // through our reader.
  std::vector<Bytes> tableSeeds;
  {
    const auto rowBytes = [](std::initializer_list<long double> values, char status) {
      bytes::ByteWriter w;
      for (const long double v : values) w.Extended(v);
      w.U8(static_cast<std::uint8_t>(status));
      return w.Take();
    };
    const long double big = DBL_MAX, nan = std::numeric_limits<long double>::quiet_NaN();
    const std::vector<std::vector<Bytes>> tables = {
        {rowBytes({1, 2, 3, 1}, ' '), rowBytes({0.5L, -4, 1e10L, 2.5L}, '*'), rowBytes({-7, 8.25L, 9, 0.125L}, ' ')},
        {rowBytes({1, 2, 3, 1}, ' '), rowBytes({1e400L, 2, 1e-400L, 1}, ' '), rowBytes({4, 5, 6, nan}, ' '),
         rowBytes({big, -big, 4.9e-324L, 1}, '*'), rowBytes({ExprErrorValue, 1, 2, 1}, ' ')},
    };
    for (const std::vector<Bytes>& rows : tables) {
      Bytes seed = {1};
      for (const Bytes& row : rows) seed.insert(seed.end(), row.begin(), row.end());
      tableSeeds.push_back(seed);
    }
  }
  const std::vector<std::string> tableTokens = {std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE\x43", 10),
                                                std::string("\x00\x08\xC5\x8F\x31\xB7\xE6\xC0\x0C\xC0", 10),
                                                std::string("\x00\x00\x00\x00\x00\x00\x00\x80\x00\x00", 10),
                                                std::string("\x00\x00\x00\x00\x00\x00\x00\xC0\xFF\x7F", 10), "*"};
  targets.push_back({"sav_writer", "sav", tableSeeds, tableTokens,
                     [titles](const Bytes& input, const std::string& path, std::uint64_t i) {
                       constexpr std::size_t kRowBytes = 4 * bytes::kExtendedSize + 1;
                       const std::size_t n = std::min<std::size_t>(input.empty() ? 0 : (input.size() - 1) / kRowBytes, 200);
                       PointTable table = NewPointTable(static_cast<int>(n));
                       table[0].W = !input.empty() && (input[0] & 1) ? 1 : 0;
                       for (std::size_t r = 0; r < n; ++r) {
                         const std::uint8_t* at = input.data() + 1 + r * kRowBytes;
                         TXYZPoint& p = table[r + 1];
                         long double* values[4] = {&p.X, &p.Y, &p.Z, &p.W};
                         for (std::size_t k = 0; k < 4; ++k) *values[k] = bytes::DecodeExtended(at + k * bytes::kExtendedSize);
                         p.Status = at[4 * bytes::kExtendedSize] == '*' ? kPointInactive : kPointActive;
                       }
                       const std::string out = path + (i % 2 ? ".own.sav" : ".xyz.sav");
                       const Bytes older = {'o', 'l', 'd'};
                       WriteFile(out, older);
                       const bool own = i % 2 == 1;
                       const TSavWriteResult w = own ? WriteOkapSav(out, table, titles) : WriteOkapSavXYZ(out, table);
                       if (w.status != SavWriteStatus::kWritten) {
                         Check(w.status != SavWriteStatus::kValueNotHeld || (w.refusedRow >= 1 && w.refusedRow <= static_cast<int>(n)),
                               "a refusal names no row of the table");
                         Check(FileBytes(out) == older, "a refused save touched the older file");
                         fs::remove(out);
                         return;
                       }
                       // Every row written comes back, in order, as its double.
                       std::vector<const TXYZPoint*> written;
                       for (std::size_t r = 1; r <= n; ++r) {
                         const TXYZPoint& p = table[r];
                         if (!IsUsableValue(p.X) || !IsUsableValue(p.Y) || !IsUsableValue(p.Z)) continue;
                         if (!own && !IsActive(p)) continue;
                         written.push_back(&p);
                       }
                       Check(static_cast<int>(written.size()) == w.casesWritten, "rows written and counted differ");
                       TReadArgs args;
                       args.path = out;
                       args.colX = 1, args.colY = 2, args.colZ = 3;
                       const TReadResult back = own ? ReadOkapSavOwn(args) : ReadOkapSav(args);
                       Check(back.points.size() == written.size(), "a written row did not come back");
                       for (std::size_t k = 0; k < written.size() && k < back.points.size(); ++k) {
                         const TXYZPoint& a = *written[k];
                         const TXYZPoint& b = back.points[k];
                         Check(b.X == static_cast<double>(a.X) && b.Y == static_cast<double>(a.Y) &&
                                   b.Z == static_cast<double>(a.Z),
                               "a written value came back changed");
                         if (own) Check(b.W == std::fabs(static_cast<double>(a.W)) && b.Status == a.Status, "a weight or state came back changed");
                       }
                       fs::remove(out);
                     }});
  // The code generator on fits made of the input: byte 0 the dialect, byte 1 the scope and
  // the fit (a Gauss peak, a term subset with exp(x/s_x) and exp(y/s_y), a Chebyshev and a
  // Fourier series), then 80-bit values for its parameters, the exponential and series
  // scales and the data's X and Y range. A run either refuses the fit, naming a constant, or
  // writes code whose every literal the dialect reads as the number it shows, and no NaN or
  // infinity; a fit whose values all lie well inside the dialect's range is never refused.
  std::vector<Bytes> codeSeeds;
  for (const long double bad : {0.5L, 1e400L, 1e-400L, std::numeric_limits<long double>::quiet_NaN(), 1e-310L}) {
    for (int dialect = 0; dialect < kCodeGenDialectCount; ++dialect) {
      bytes::ByteWriter w;
      w.U8(static_cast<std::uint8_t>(dialect)), w.U8(static_cast<std::uint8_t>(dialect % 8));
      for (const long double v : {1.5L, bad, 0.25L, -1.0L, 3.0L, 1.7L, -2.3L, 2.0L, 1.5L}) w.Extended(v);
      codeSeeds.push_back(w.Take());
    }
  }
  const std::vector<std::string> codeTokens = {std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE\x43", 10),
                                               std::string("\x00\x00\x00\x00\x00\x00\x00\x80\x01\x00", 10),
                                               std::string("\x00\x00\x00\x00\x00\x00\x00\xC0\xFF\x7F", 10),
                                               std::string("\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x03", 10),
                                               std::string("\x00\x00\x00\x00\x00\x00\x00\x80\xE0\x3B", 10)};
  targets.push_back({"codegen", "c", codeSeeds, codeTokens,
                     [titles](const Bytes& input, const std::string& path, std::uint64_t) {
                       if (input.size() < 2) return;
                       const int dialect = input[0] % kCodeGenDialectCount;
                       const int shape = (input[1] >> 1) % 4;
                       std::vector<long double> values;
                       for (std::size_t at = 2; at + bytes::kExtendedSize <= input.size() && values.size() < 40;
                            at += bytes::kExtendedSize)
                         values.push_back(bytes::DecodeExtended(input.data() + at));
                       std::size_t next = 0;
                       const auto value = [&](long double otherwise) { return next < values.size() ? values[next++] : otherwise; };
                       const int equation = shape == 0 ? 2001 : shape == 1 ? 3001 : shape == 2 ? 401 : 1401;
                       TFitEqn fit;
                       fit.equationNumber = equation;
                       fit.kind = KindOfEquation(equation);
                       fit.m = shape == 1 ? 2 : 4;
                       if (shape == 1) fit.terms[1] = 7, fit.terms[2] = 28;  // exp(x/s_x), exp(y/s_y)
                       if (shape >= 2) {
                         const std::uint8_t code = shape == 2 ? 224 : 237;
                         fit.descriptor = {static_cast<std::uint8_t>(kKindX), code, 4, static_cast<std::uint8_t>(kKindY), code, 4};
                       }
                       for (int k = 0; k <= fit.m; ++k) fit.parameters[static_cast<std::size_t>(k)] = value(1);
                       TFitRunScales scales;
                       scales.xScale = value(1.7L), scales.yScale = value(-2.3L);
                       for (TSeriesAxisScale* a : {&scales.series.x, &scales.series.y, &scales.series.z})
                         for (long double* v : {&a->centre, &a->halfRange, &a->logCentre, &a->logHalfRange, &a->origin,
                                                &a->angularScale})
                           *v = value(1);
                       TDataStats stats;
                       ResetDataStats(stats, 25);
                       stats.X.Min = value(0.5L), stats.X.Max = value(3.5L), stats.Y.Min = value(0.75L), stats.Y.Max = value(2.75L);
                       // Values well inside the dialect's range: the run must not refuse them.
                       const bool eightyBit = dialect == kDialectC80 || dialect == kDialectPascal;
                       const long double low = eightyBit ? 1e-4900L : dialect == kDialectUdf ? 1e-299L : 1e-307L;
                       const long double high = eightyBit ? 1e4900L : dialect == kDialectUdf ? 1e299L : 1e307L;
                       bool allInside = true;
                       for (std::size_t k = 0; k < next; ++k)
                         allInside = allInside && (values[k] == 0 || (std::fabs(values[k]) >= low && std::fabs(values[k]) <= high));

                       TCodeGenInput in(fit, scales, stats, titles);
                       in.dialect = dialect;
                       in.scope = input[1] & 1 ? kScopeFullProgram : kScopeFunction;
                       in.date = "Jun 11, 2024", in.time = "9:30:00 AM";
                       in.templateDirectory = ProgramDirectory();
                       std::string text;
                       TCodeGenConstant notHeld;
                       const CodeGenResult result = CodeGenToText(in, path, "eqn", text, &notHeld);
                       if (result == CodeGenResult::kConstantNotHeld) {
                         Check(text.empty() && !notHeld.name.empty(), "a refusal wrote text or named nothing");
                         Check(!allInside, "a fit inside the dialect's range was refused");
                         return;
                       }
                       if (result != CodeGenResult::kDone) return;
                       for (const std::string& literal : NumberLiterals(text))
                         if (!LiteralHeld(dialect, literal)) Fail("a literal the dialect cannot hold: " + literal);
                       std::string upper = text;
                       for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                       for (std::size_t at = 0; (at = upper.find_first_of("NI", at)) != std::string::npos; ++at) {
                         if (at > 0 && (std::isalnum(static_cast<unsigned char>(upper[at - 1])) || upper[at - 1] == '_')) continue;
                         if (upper.compare(at, 3, "NAN") == 0 || upper.compare(at, 3, "INF") == 0)
                           Fail("code holds a NaN or an infinity");
                       }
                     }});
  targets.push_back({"worksheet_records", "wk1", binarySeeds, binaryTokens,
                     [](const Bytes& input, const std::string& path, std::uint64_t) {
                       const long first = FindFirstCellRecord(path);
                       Check(first < 0 || static_cast<std::size_t>(first) < input.size() + 1,
                             "a cell record beyond the file");
                     }});

  // Lotus and Quattro worksheets: our own WK1 and WK3 images, hand-built WQ1 and WB1 sheets.
  std::vector<Bytes> sheetSeeds = {DataWorksheet(points, titles, 1), DataWorksheet(points, titles, 3)};
  {
    exchange_test::SheetBuilder wq1, wb1, wk3;
    wq1.Wq1Bof();
    wb1.Wb1Bof();
    wk3.Wk3Bof();
    for (int c = 0; c < 4; ++c) {
      wq1.Wk1Label(c, 0, "name", true);
      wb1.Wb1Label(c % 2, c, 0, "label");
      for (int r = 1; r < 6; ++r) {
        wq1.Wk1Number(c, r, r * 0.5), wb1.Wb1Number(c % 2, c, r, -r);
        wk3.Wk3Packed(r % 2, c, r, static_cast<std::uint8_t>(0x10 * r + 2 * c + 1), 1);
        wk3.Wk3Label(r % 2, c, r + 10, "t");
      }
    }
    wq1.Wk1Formula(1, 7, 3).Wk1Integer(2, 7, -4).Wk1Eof();
    wk3.Wk3Formula(0, 2, 3, 1.5L).Record(28, {});
    sheetSeeds.push_back(wq1.Take());
    sheetSeeds.push_back(wb1.Record(1, {}).Take());
    sheetSeeds.push_back(wk3.Take());
  }
  {
    // Damaged sheets: a number record shorter than its fixed part mid-file, cells holding
    // infinities and NaN, and a file cut inside its last record without its end.
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    exchange_test::SheetBuilder shortMid, infinite, cut, wk3;
    for (exchange_test::SheetBuilder* b : {&shortMid, &infinite, &cut}) b->Wk1Bof();
    wk3.Wk3Bof();
    for (int r = 1; r <= 10; ++r)
      for (int c = 0; c < 3; ++c) {
        if (r == 7 && c == 0) shortMid.Record(14, {0xFF, 0, 0, 7, 0});
        shortMid.Wk1Number(c, r, r * (c + 1.0));
        infinite.Wk1Number(c, r, r == 3 && c == 2 ? inf : r == 5 && c == 0 ? nan : r * (c + 1.0));
        cut.Wk1Number(c, r, r + c);
        wk3.Wk3Number(0, c, r, r == 4 && c == 1 ? std::numeric_limits<long double>::infinity() : r * 0.5L);
      }
    sheetSeeds.push_back(shortMid.Wk1Eof().Take());
    sheetSeeds.push_back(infinite.Wk1Eof().Take());
    Bytes cutBytes = cut.Take();
    cutBytes.resize(cutBytes.size() - 3);
    sheetSeeds.push_back(cutBytes);
    sheetSeeds.push_back(wk3.Record(28, {}).Take());
  }
  const std::vector<std::string> sheetTokens = {std::string("\x0E\x00\x0D\x00", 4), std::string("\x0F\x00", 2),
                                                std::string("\x01\x00\x00\x00", 4), std::string("\x1C\x00", 2),
                                                std::string("\xFF\xFF", 2), std::string("\x00\x00\x1A\x00", 4),
                                                std::string("\x18\x00\x06\x00", 4)};
  targets.push_back({"worksheets", "wk1", sheetSeeds, sheetTokens,
                     [](const Bytes&, const std::string& path, std::uint64_t i) {
                       const TReadArgs args = [&] {
                         TReadArgs a = ArgsFor(path, i, 0);
                         a.sheet = static_cast<int>(i % 3);
                         return a;
                       }();
                       const std::string wk3 = path.substr(0, path.size() - 1) + "3";
                       fs::copy_file(path, wk3, fs::copy_options::overwrite_existing);
                       for (const std::string& p : {path, wk3}) {
                         TReadArgs a = args;
                         a.path = p;
                         CheckRead(ReadWorksheet(a), a, true);
                         CheckRead(ReadQuattroWQ1(a), a, true);
                         CheckRead(ReadQuattroWB1(a), a, false);
                         CheckRead(ReadWorksheetMatrix(p, a.capacity), a, true);
                         std::vector<std::string> list;
                         for (int kind : {8, 11, 12}) {
                           const int n = ListWorksheetColumns(p, list, kind);
                           Check(n <= 0 ? list.empty() : n == static_cast<int>(list.size()), "column list and count differ");
                           for (const std::string& e : list) Check(e.size() <= 47, "a column entry too long");
                         }
                         (void)ListWB1Columns(p, list);
                         CheckPairs(ReadWorksheetColumnPairs(p, a.sheet, ColumnsOf(a)), 3);
                         CheckPairs(ReadQuattroWQ1ColumnPairs(p, ColumnsOf(a)), 3);
                         CheckPairs(ReadQuattroWB1ColumnPairs(p, a.sheet, ColumnsOf(a)), 3);
                         for (const TColumnArray& c : {ReadWorksheetColumn(p, a.sheet, a.colX), ReadQuattroWQ1Column(p, a.colY),
                                                       ReadQuattroWB1Column(p, a.sheet, a.colZ)})
                           Check(c.empty() || c[0] == static_cast<long double>(c.size() - 1), "column count and values differ");
                       }
                       fs::remove(wk3);
                     }});

  // Excel workbooks: plain BIFF sheets and compound-file workbooks and notebooks.
  std::vector<Bytes> bookSeeds = {Fixture("gnumeric_biff7.xls"), Fixture("gnumeric_biff8.xls"),
                                  Fixture("libreoffice_book.xls"), Fixture("notebook_excel.rnb"),
                                  Fixture("notebook_data.rnb")};
  {
    exchange_test::SheetBuilder biff;
    biff.BiffBof(0x0809, 0x0600, 0x0005).Record(0x00FC, {2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 'x', 2, 0, 1, 0xA9, 3})
        .Record(0x003C, {0, 0, 'y'}).BiffEof();
    biff.BiffBof(0x0809, 0x0600, 0x0010).BiffLabelSst(0, 0, 0).BiffLabelSst(0, 1, 1);
    for (int r = 1; r < 5; ++r)
      biff.BiffMulRk(r, 0, {exchange_test::SheetBuilder::RkInteger(r), exchange_test::SheetBuilder::RkDouble(0.5, true)})
          .BiffFormula(r, 2, exchange_test::SheetBuilder::NumberResult(r * 2.0)).BiffBoolErr(r, 3, 1, r == 2);
    bookSeeds.push_back(biff.BiffEof().Take());
    // A sheet with an infinite number, a short NUMBER record and no EOF record.
    exchange_test::SheetBuilder damaged;
    damaged.BiffBof(0x0409, 0, 0x0010);
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 3; ++c)
        damaged.BiffNumber(r, c, r == 2 && c == 1 ? std::numeric_limits<double>::infinity() : r + c * 0.5);
    bookSeeds.push_back(damaged.Record(0x0203, {6, 0, 0, 0, 15, 0}).BiffNumber(7, 0, 1).Take());
  }
  const std::vector<std::string> bookTokens = {std::string("\x09\x08\x10\x00\x00\x06\x10\x00", 8),
                                               std::string("\x0A\x00\x00\x00", 4), std::string("\xFC\x00", 2),
                                               std::string("\x3C\x00", 2), std::string("\xFD\x00\x0A\x00", 4),
                                               std::string("\xFF\xFF", 2), std::string("\xFE\xFF\xFF\xFF", 4),
                                               std::string("\xBD\x00", 2), "Workbook", "RNBContents"};
  targets.push_back({"workbooks", "xls", bookSeeds, bookTokens,
                     [](const Bytes&, const std::string& path, std::uint64_t i) {
                       TReadArgs a = ArgsFor(path, i, 0);
                       a.sheet = static_cast<int>(i % 2);
                       CheckRead(ReadExcelBiff(a), a, true);
                       CheckRead(ReadOleExcel(a), a, false);
                       CheckRead(ReadNotebook(a), a, false);
                       std::vector<std::string> list;
                       const auto listed = [&list](int n) {
                         Check(n <= 0 ? list.empty() : n == static_cast<int>(list.size()), "column list and count differ");
                         for (const std::string& e : list) Check(e.size() <= 47, "a column entry too long");
                       };
                       listed(ListExcelColumns(path, list));
                       listed(ListOleExcelColumns(path, list));
                       listed(ListNotebookColumns(path, list));
                       CheckPairs(ReadExcelColumnPairs(path, ColumnsOf(a)), 3);
                       CheckPairs(ReadOleExcelColumnPairs(path, a.sheet, ColumnsOf(a)), 3);
                       CheckPairs(ReadNotebookColumnPairs(path, a.sheet, ColumnsOf(a)), 3);
                       for (const TColumnArray& c : {ReadExcelColumn(path, a.colX), ReadOleExcelColumn(path, a.sheet, a.colY),
                                                     ReadNotebookColumn(path, a.sheet, a.colZ)})
                         Check(c.empty() || c[0] == static_cast<long double>(c.size() - 1), "column count and values differ");
                     }});

  using exchange_test::MvwNumber;
  const std::vector<exchange_test::MvwColumn> mvwColumns = {
      {0, "east", {MvwNumber(1), MvwNumber(2), MvwNumber(3), exchange_test::MvwText("x")}},
      {1, "north", {MvwNumber(1e-3L), exchange_test::MvwEmpty(), MvwNumber(-2), MvwNumber(4)}},
      {2, "depth", {MvwNumber(5), MvwNumber(6), MvwNumber(7)}}, {3, "w", {MvwNumber(-1), MvwNumber(0), MvwNumber(2)}}};
  targets.push_back({"mvw", "mvw",
                     {Fixture("worksheet_data.mvw"), exchange_test::BuildMvw(mvwColumns, true),
                      exchange_test::BuildMvw(mvwColumns, false)},
                     {"RKDataWorksheet", std::string("\x00\x81", 2), std::string("\x80\x20", 2),
                      std::string("\x81\x20", 2), std::string("\x02\x20", 2), std::string("\x01\x20", 2),
                      std::string("\xFF\xFF\xFF\x7F", 4), std::string("\x00\x11", 2)},
                     [](const Bytes& input, const std::string& path, std::uint64_t i) {
                       const TReadArgs a = ArgsFor(path, i, 1);
                       CheckRead(ReadMvw(a), a, true);
                       std::vector<std::string> list;
                       const int n = ListMvwColumns(input, list);
                       Check(n <= 0 ? list.empty() : n == static_cast<int>(list.size()), "column list and count differ");
                       for (const std::string& e : list) Check(e.size() <= kMvwEntryChars, "a column entry too long");
                       const TColumnArray c = ReadMvwColumnArray(input, static_cast<int>(i % 5));
                       CheckPairs(ReadMvwColumnPairs(input, ColumnsOf(a)), 3);
                       Check(c.empty() || c[0] == static_cast<long double>(c.size() - 1), "column count and values differ");
                     }});

  // The sibling product's DOS worksheets: files of our record writer (with and without an
  // item 2), through the import routines and the copy of an item.
  using exchange_test::E;
  using exchange_test::N;
  using exchange_test::T;
  const std::vector<exchange_test::Mv5Column> mv5Columns = {
      {0, "east", {N(1), N(2), N(3), T("X"), N(5)}}, {1, "north", {N(1e-3), E(), N(-2), N(4), N(9)}},
      {2, "depth", {N(5), N(6), N(7)}}, {3, std::nullopt, {N(-1), N(0), N(2), N(2)}}};
  const auto mv5 = [&mv5Columns](bool item2) {
    return Written([&](const std::string& path) { return exchange_test::WriteMv5(path, mv5Columns, item2) == MvCode::kOk; });
  };
  targets.push_back({"mv5", "mv5", {mv5(true), mv5(false)},
                     {std::string(kMvHeaderPrefix), "\x1A", std::string("\xFF\xFF", 2), std::string("\xF1\xFF", 2),
                      std::string("\xFF\xFF\xFF\x7F", 4), std::string("\x00\x00\x00\x00\xFF\xFF", 6), "MV500",
                      "rk_dw", "rk_sw"},
                     [](const Bytes&, const std::string& path, std::uint64_t i) {
                       const TReadArgs a = ArgsFor(path, i, 1);
                       CheckRead(ReadMv5(a), a, true);
                       std::vector<std::string> list;
                       const int n = ListMv5Columns(path, list);
                       Check(n <= 0 ? list.empty() : n == static_cast<int>(list.size()), "column list and count differ");
                       for (const std::string& e : list) Check(e.size() <= kMv5EntryChars, "a column entry too long");
                       const TColumnArray c = ReadMv5Column(path, 1 + static_cast<int>(i % 5));
                       CheckPairs(ReadMv5ColumnPairs(path, ColumnsOf(a)), 3);
                       Check(c.empty() || c[0] == static_cast<long double>(c.size() - 1), "column count and values differ");
                       TMvReadHandle in;
                       if (MvOpen(in, path, nullptr, kMvKeepHeaderTexts) == MvCode::kOk) {
                         TMvWriteHandle out;
                         Check(MvCreate(out, path + ".out", std::string(kMvHeaderPrefix) + "\x1A", nullptr) == MvCode::kOk,
                               "a sound header refused");
                         const std::size_t before = out.bytes.size();
                         if (MvCopyItem(out, in, static_cast<int>(i % 3)) != MvCode::kOk)
                           Check(out.bytes.size() == before, "a failed copy left bytes behind");
                         (void)MvClose(in);  // no rows begun
                       }
                     }});

  // Fixed-size blocks: the settings file, the fit blocks, the 3D option files.
  ProgramSettings settings = DefaultSettings(1280, 1024);
  settings.recentFiles[0] = "/data/a.prn";
  // A damaged one: a user colour scheme past the palette, view angles of 1e10 and -3e9.
  Bytes damagedSettings = EncodeSettings(DefaultSettings(1280, 1024), 1280, 1024);
  std::fill_n(damagedSettings.begin() + 1768 + 27, 27, std::uint8_t{200});
  {
    ProgramSettings wild = DefaultSettings(1280, 1024);
    T3DViewRec far = DefaultViewRec();
    far.AngleXY = 1e10L;
    wild.viewRecords[0] = EncodeViewRec(far);
    far.AngleXY = -3e9L;
    wild.viewRecords[2] = EncodeViewRec(far);
    Bytes b = EncodeSettings(wild, 1280, 1024);
    std::fill_n(b.begin() + 1768 + 27, 27, std::uint8_t{200});
    damagedSettings = b;
  }
  targets.push_back({"settings_file", "cfg", {EncodeSettings(settings, 1280, 1024),
                                              EncodeSettings(DefaultSettings(640, 480), 640, 480), damagedSettings}, {},
                     [](const Bytes& input, const std::string&, std::uint64_t) {
                       ProgramSettings s = DefaultSettings(800, 600);
                       if (!DecodeSettings(input, 1280, 1024, s)) return;
                       for (const std::uint8_t c : s.userColorSchemes) Check(c <= 15, "settings: a colour index past the palette");
                       for (int slot = 0; slot < static_cast<int>(kViewRecCount); ++slot) {
                         TGraphOptions options(s, slot, 0, -1);
                         Check(options.view.AngleXY >= 0 && options.view.AngleXY <= 360, "settings: a view angle past a turn");
                       }
                       const Bytes once = EncodeSettings(s, 1280, 1024);
                       ProgramSettings again = DefaultSettings(800, 600);
                       Check(DecodeSettings(once, 1280, 1024, again), "settings: its own encoding refused");
                       Check(EncodeSettings(again, 1280, 1024) == once, "settings: decoding is not idempotent");
                     }});
  Bytes legacy = EncodeFitSelection(DefaultFitSelection());
  legacy.resize(280, 1);
  targets.push_back({"fit_blocks", "fit",
                     {EncodeFitSelection(DefaultFitSelection()), EncodeFitOptions(DefaultFitOptions()), legacy},
                     {},
                     [](const Bytes& input, const std::string& path, std::uint64_t) {
                       RoundTrip<TFitSelection>(input, [](const Bytes& b, TFitSelection& s) { return DecodeFitSelection(b, s); },
                                                EncodeFitSelection, "fit selection");
                       RoundTrip<TFitOptions>(input, [](const Bytes& b, TFitOptions& o) { return DecodeFitOptions(b, o); },
                                              EncodeFitOptions, "fit options");
                       TFitSelection s = DefaultFitSelection();
                       TFitOptions o = DefaultFitOptions();
                       (void)DecodeLegacyFitBlocks(input, s, o);  // mutated bytes: either verdict
                       (void)ReadFitSelectionFile(path, s, o);
                       (void)ReadFitOptionsFile(path, s, o);
                     }});
  T3DViewRec farView = DefaultViewRec();
  farView.AngleXY = 1e4000L;
  targets.push_back({"option_files", "v3d",
                     {EncodeViewRec(DefaultViewRec()), EncodeScalingBlock(T3DScalingBlock{}),
                      EncodeAnimRec(T3DAnimRec{}), EncodePointsRec(DefaultPointsRec()), EncodeViewRec(farView)},
                     {},
                     [](const Bytes& input, const std::string& path, std::uint64_t) {
                       RoundTrip<T3DAnimRec>(input, [](const Bytes& b, T3DAnimRec& r) { return DecodeAnimRec(b, r); },
                                             EncodeAnimRec, "animation record");
                       RoundTrip<T3DPointsRec>(input, [](const Bytes& b, T3DPointsRec& r) { return DecodePointsRec(b, r); },
                                               EncodePointsRec, "points record");
                       // The files: what a reader accepted is clamped, and reads back as itself.
                       const auto again = [&](auto read, auto encode, auto record) {
                         if (read(path, record) != OptionFileStatus::Ok) return;
                         const std::string copy = path + ".again";
                         WriteFile(copy, encode(record));
                         auto back = record;
                         Check(read(copy, back) == OptionFileStatus::Ok && back == record,
                               "an option file read back differs");
                       };
                       again(ReadViewFile, EncodeViewRec, DefaultViewRec());
                       T3DViewRec view = DefaultViewRec();
                       if (ReadViewFile(path, view) == OptionFileStatus::Ok)
                         Check(view.AngleXY >= 0 && view.AngleXY <= 360, "a view file's angle past a turn");
                       again(ReadScalingFile, EncodeScalingBlock, T3DScalingBlock{});
                       again(ReadAnimationFile, EncodeAnimRec, T3DAnimRec{});
                     }});

  // The custom title, colour, print-layout and text-print files: each decoder on every input
  // (their sizes differ, so each seed reaches one of them), and each file reader.
  TTitleBlock titles3d;
  titles3d.lines = {"Plane ~@a~@ fit", "Rank 1  Eqn 1", "r~^2~^=0.99", "a=1 b=2", "c=~*3~*"};
  titles3d.axisTitles = {"x~`1~`", "y [~@m~@m]", "z~~"};
  TTextPrintBuffer textPrint = FillTextPrintBuffer(TTextPrintOptions{}, "Report", TTextPrintOffers{});
  const TColorScheme userColors = DefaultUserColorSchemes()[3];
  targets.push_back({"option_codecs", "ttl",
                     {EncodeTitleBlock(titles3d), EncodeTitleBlock(TTitleBlock{}), EncodeTextPrintBuffer(textPrint),
                      Bytes(userColors.begin(), userColors.end()), EncodePrintGraphRec(TPrintGraphRec{})},
                     {std::string(1, '\0'), "~^", "~@", "~~", "100", "-1", "2.54", "nan"},
                     [](const Bytes& input, const std::string& path, std::uint64_t) {
                       RoundTrip<TTitleBlock>(input, [](const Bytes& b, TTitleBlock& t) { return DecodeTitleBlock(b, t); },
                                              EncodeTitleBlock, "title block");
                       RoundTrip<TTextPrintBuffer>(
                           input, [](const Bytes& b, TTextPrintBuffer& t) { return DecodeTextPrintBuffer(b, t); },
                           EncodeTextPrintBuffer, "text print buffer");
                       RoundTrip<TColorScheme>(input, [](const Bytes& b, TColorScheme& c) { return DecodeUserColors(b, c); },
                                               [](const TColorScheme& c) { return Bytes(c.begin(), c.end()); },
                                               "user colours");
                       RoundTrip<TPrintGraphRec>(
                           input, [](const Bytes& b, TPrintGraphRec& r) { return DecodePrintGraphRec(b, r); },
                           EncodePrintGraphRec, "print layout");
                       TTitleBlock t;
                       if (ReadTitleFile(path, t) == OptionFileStatus::Ok) {
                         for (const std::string& line : t.lines) Check(line.size() < TTitleBlock::kLineField, "a title line too long");
                         for (const std::string& axis : t.axisTitles) Check(axis.size() < TTitleBlock::kAxisField, "an axis title too long");
                       }
                       TColorScheme c{};
                       if (ReadUserColorsFile(path, c) == OptionFileStatus::Ok)
                         for (std::uint8_t index : c) Check(index <= 15, "a colour index beyond 15");
                       TPrintGraphRec r;
                       if (ReadCustomPrintFile(path, r) == OptionFileStatus::Ok)
                         Check(r.Layout >= 0 && r.Layout <= 3, "a print layout outside 0-3");
                       TTextPrintBuffer b;
                       (void)ReadTextPrintFile(path, b);
                     }});

  // View-function files: the record's fields are cut at their last byte whatever the bytes
  // hold, and what a file gives is checked as the dialog checks it (the language's lines
  // run, the function compiles into its slots).
  TViewFnRecord viewFn = ClearedViewFnRecord();
  viewFn.text = "F1=SIN(X)\r\nF2=COS(Y)\r\nB=2\r\nZ=F1*F2*B\r\n";
  TViewFnRecord viewFnRanges = viewFn;
  viewFnRanges.ranges = {"-PI", "PI", "LN(2)", "EXP(1)"};
  TViewFnRecord viewFnLoops = viewFn;
  viewFnLoops.text = "F1=F2\rF2=IF(X>0,F1,1)\r#F9=DX(9,X)\nZ=F1*F9*X*Y";
  targets.push_back({"view_function", "vfz",
                     {EncodeViewFnRecord(viewFn), EncodeViewFnRecord(viewFnRanges), EncodeViewFnRecord(viewFnLoops),
                      Bytes(TViewFnRecord::kSize, 'A')},
                     {std::string(1, '\0'), "\r", "\n", "Z=", "F1=", "#F9=", "=", "A0", "1E4932", "F1(", "DX(1,"},
                     [](const Bytes& input, const std::string& path, std::uint64_t) {
                       RoundTrip<TViewFnRecord>(
                           input, [](const Bytes& b, TViewFnRecord& r) { return DecodeViewFnRecord(b, r); },
                           EncodeViewFnRecord, "view function");
                       static const bool started = (ExprStartUp(), true);
                       (void)started;
                       TViewFnRecord r;
                       if (ReadViewFnFile(path, r) != OptionFileStatus::Ok) return;
                       Check(r.text.size() <= TViewFnRecord::kTextLimit, "a view function text too long");
                       const TViewFnCheck check = ValidateViewFunction(r);
                       Check(check.ok || !check.message.empty(), "a failed check without a message");
                       Check(check.line < static_cast<int>(TextLines(check.text).size()), "a check pointing past the text");
                     }});

  // Compressed blocks: coded streams our coder made (a text, a picture, a block long enough
  // to fill the code table and clear it), expanded into room of their size or less.
  std::vector<Bytes> lzwSeeds;
  std::string text;
  for (int k = 0; k < 200; ++k) text += "z = a + b*x + c*y " + std::to_string(k * k) + "\n";
  Bytes noise(9000);
  std::uint64_t state = 88172645463325252ull;
  for (auto& byte : noise) byte = static_cast<std::uint8_t>((state ^= state << 13, state ^= state >> 7, state ^= state << 17) >> 24);
  const std::uint32_t picture[12] = {0xFF000000u, 0xFFFFFFFFu, 0xFF3366CCu, 0xFF3366CCu, 0xFF000000u, 0xFFFFFFFFu,
                                     0xFF3366CCu, 0xFF808080u, 0xFF000000u, 0xFFFFFFFFu, 0xFF3366CCu, 0xFF808080u};
  for (const Bytes& plain : {Bytes(text.begin(), text.end()), noise, MakeDib(picture, 4, 3, 8), Bytes{}, Bytes(1, 7)})
    lzwSeeds.push_back(LzwCode(plain));
  targets.push_back({"lzw", "lzw", lzwSeeds, {" QVRKLZW", "00000100", std::string(1, '\xFF'), "\x55\x55"},
                     [](const Bytes& input, const std::string& path, std::uint64_t) {
                       const long size = LzwPlainSize(input);
                       Check(size >= 0 && static_cast<std::size_t>(size) < kLzwMaxCodedSize, "a plain size beyond the header's digits");
                       // Room for at most 64 KiB: a larger block must be refused, not overrun.
                       Bytes dest(std::min<std::size_t>(static_cast<std::size_t>(size), 1u << 16));
                       const long got = LzwExpand(dest, input);
                       Check(got == -2 || got == size, "an expansion neither refused nor whole");
                       if (got != size) return;
                       Check(static_cast<std::size_t>(size) <= dest.size(), "more data than its room");
                       const Bytes again = LzwCode(dest);
                       Bytes back(dest.size());
                       Check(LzwExpand(back, again) == size && back == dest, "a block does not code back to itself");
                       TLZW block(dest, 7, true);
                       const std::uint8_t* plain = block.Lock();
                       Check(dest.empty() || (plain && std::equal(dest.begin(), dest.end(), plain)), "a kept block differs");
                       block.Unlock();
                       Check(TLZW::LoadFromFile(path) == dest, "the file reads otherwise than the bytes");
                     }});

  // DIB reading: pictures our writer makes in every bit count, and committed hand-made ones
  // (a core header, top-down rows, a compressed one that is refused).
  std::vector<Bytes> dibSeeds = SeedFiles("dib");
  for (int bits : {1, 4, 8, 24, 32}) dibSeeds.push_back(MakeDib(picture, 4, 3, bits));
  targets.push_back({"dib", "dib", dibSeeds, {std::string("\x28\0\0\0", 4), std::string("\x0C\0\0\0", 4), std::string("\xFF\xFF\xFF\x7F", 4)},
                     [](const Bytes& input, const std::string&, std::uint64_t) {
                       (void)DibNumColors(input);
                       (void)DibPaletteBytes(input);
                       DibPicture picture;
                       if (!ReadDib(input, picture)) return;
                       Check(picture.width > 0 && picture.height > 0, "a picture without pixels");
                       Check(picture.pixels.size() == static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height),
                             "pixels and size differ");
                       Check(picture.pixels.size() <= input.size() * 8, "more pixels than the bits hold");
                       DibPicture back;
                       Check(ReadDib(MakeDib(picture.pixels, picture.width, picture.height, 32), back) &&
                                 back.pixels == picture.pixels,
                             "a picture does not read back from its own DIB");
                     }});

  // Coded text: titles, axis names and result lines with their mark-up, walked, laid out,
  // measured and converted to plain text, at every kind of character limit.
  targets.push_back({"coded_text", "txt", SeedFiles("coded_text"),
                     {"~^", "~`", "~@", "~*", "~&", "~!", "~#", "~$", "~+", "~=", "~-", "~~", "~", "\xB2"},
                     [](const Bytes& input, const std::string&, std::uint64_t i) {
                       const std::string_view coded(reinterpret_cast<const char*>(input.data()), input.size());
                       // Fonts present by the iteration's bits; turned text now and then.
                       struct Metrics : CodedTextMetrics {
                         std::uint64_t fonts;
                         bool turned;
                         bool HasFont(int font) const override { return (fonts >> font & 1) != 0; }
                         CodedTextExtent Extent(int font, std::string_view t) const override {
                           const int w = static_cast<int>(t.size()) * (6 + font), h = 12 + font;
                           return turned ? CodedTextExtent{h, w + h} : CodedTextExtent{w, h};
                         }
                       } metrics;
                       metrics.fonts = i;
                       metrics.turned = i % 7 == 0;
                       const int limits[] = {-1, -2, 0, 1, 5, 80, 255};
                       const int limit = limits[i % 7];
                       std::size_t used = 0;
                       for (const CodedTextPiece& piece : ParseCodedText(coded, limit))
                         used += piece.kind == CodedTextPiece::kRun ? piece.text.size() : 2;
                       Check(limit < 0 ? used <= coded.size() + 1 : used <= static_cast<std::size_t>(limit) + 1,
                             "pieces beyond the limit");
                       const CodedTextLayout layout =
                           LayoutCodedText(metrics, coded, 100, 50, limit, static_cast<int>(i % 3), i % 2 == 0, i % 4 < 2, 0x800000);
                       std::size_t drawn = 0;
                       for (const CodedTextRun& run : layout.runs) drawn += run.text.size();
                       Check(drawn <= coded.size(), "more characters drawn than the text holds");
                       int visible = 0;
                       (void)MeasureCodedText(metrics, coded, limit, &visible);
                       Check(visible >= 0 && static_cast<std::size_t>(visible) <= coded.size(), "more characters measured than held");
                       const std::size_t cut = i % 3 == 0 ? std::string::npos : i % 200;
                       Check(StripTextCodes(coded, cut).size() <= std::min(cut, coded.size() * 3), "plain text beyond its limit");
                       Check(CodedTextToCtrlChars(coded, cut).size() <= std::min(cut, coded.size()), "control text beyond its limit");
                       std::string grey(coded);
                       GreyOutTextCodes(grey);
                       Check(grey.size() == coded.size(), "greying changed the length");
                     }});

  // Text files a user views: bytes that are UTF-8 or not (cut sequences, overlong forms,
  // surrogates, a byte order mark alone), read in their own encoding by the viewer's line
  // buffer, and the program's text written and read back as the text files take it.
  targets.push_back({"viewed_text", "txt", SeedFiles("ascii"),
                     {"\xEF\xBB\xBF", "\xC3\xA9", "\xC3", "\xE2\x82\xAC", "\xE2\x82", "\xF0\x9F\x98\x80", "\xC0\xAF",
                      "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xB0", "\x80", "~", "\t", "\r\n"},
                     [](const Bytes& input, const std::string& path, std::uint64_t) {
                       TMFile lines("", 1 << 16);
                       if (!lines.Load(path, FileTildes::kLiteral)) return;
                       Check(lines.UnheldCharacters() >= 0 &&
                                 static_cast<std::size_t>(lines.UnheldCharacters()) <= input.size(),
                             "more characters unheld than bytes");
                       const std::string_view bytes(reinterpret_cast<const char*>(input.data()), input.size());
                       const std::string text = TextOfUserFile(bytes, UserFileEncoding(bytes, false));
                       Check(text.size() <= bytes.size(), "the program's text longer than the file's bytes");
                       Check(TextOfOwnTextFile(TextFileBytes(text)) == text, "the program's text does not come back");
                     }});
  return targets;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t iterations = 300, seed = 1;
  std::string only, replay;
  for (int k = 1; k + 1 < argc; k += 2) {
    const std::string flag = argv[k];
    if (flag == "--iterations") iterations = std::strtoull(argv[k + 1], nullptr, 10);
    else if (flag == "--seed") seed = std::strtoull(argv[k + 1], nullptr, 10);
    else if (flag == "--target") only = argv[k + 1];
    else if (flag == "--replay") replay = argv[k + 1];
    else {
      std::fprintf(stderr, "unknown option %s\n", flag.c_str());
      return 2;
    }
  }
  // Memory-backed when the system has it: a disk file system flushes every rewritten input.
  std::error_code ec;
  const fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                            ? fs::path("/dev/shm")
                            : fs::temp_directory_path();
  const fs::path dir = base / ("ondravik_fuzz_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  int ran = 0;
  for (const Target& t : Targets()) {
    if (!only.empty() && t.name != only) continue;
    ++ran;
    const std::string path = (dir / ("input." + t.extension)).string();
    if (!replay.empty()) {
      const Bytes input = FileBytes(replay);
      WriteFile(path, input);
      g_current = t.name + " replaying " + replay;
      t.run(input, path, 0);
      continue;
    }
    // Each target has its own stream, so a target's inputs do not depend on the others.
    std::uint64_t nameHash = 1469598103934665603ull;  // FNV-1a: the same on every machine
    for (char c : t.name) nameHash = (nameHash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    std::vector<fuzz::Bytes> seeds;
    for (const Bytes& b : t.seeds) seeds.emplace_back(b.begin(), b.end());
    fuzz::Mutator mutator(seeds, t.dictionary, seed ^ nameHash, 1 << 16);
    for (std::uint64_t i = 0; i < iterations; ++i) {
      Bytes input = t.seeds[i % t.seeds.size()];
      if (i >= t.seeds.size()) {
        const fuzz::Bytes next = mutator.Next();
        input.assign(next.begin(), next.end());
      }
      WriteFile(path, input);
      g_current = t.name + " seed " + std::to_string(seed) + " iteration " + std::to_string(i) +
                  " (input in " + path + ")";
      t.run(input, path, i);
    }
    std::printf("%-20s %llu inputs\n", t.name.c_str(), static_cast<unsigned long long>(iterations));
  }
  fs::remove_all(dir);
  if (ran == 0) {
    std::fprintf(stderr, "no target named %s\n", only.c_str());
    return 2;
  }
  return 0;
}
