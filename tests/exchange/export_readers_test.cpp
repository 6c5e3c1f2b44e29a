// Every table kind of every worksheet format opened by the spreadsheet programs people use
// with these files: gnumeric (ssconvert) and LibreOffice (soffice --convert-to csv). The
// cells they show are compared with the cells the table holds: to the bit with gnumeric,
// which prints 20 significant digits, and with LibreOffice to the digits its imports keep
// (about 8 in Lotus and Quattro Pro files, 15 in Excel files). The ASCII surface files are
// read back by python3's csv module.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "exchange/export/ascii_export.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/xls_export.h"
#include "exchange/export_fixture.h"
#include "platform/cp1252.h"
#include "support/german_locale.h"

namespace {

namespace fs = std::filesystem;

// The program's Windows-1252 text as the UTF-8 the CSV files hold.
std::string Utf8(std::string_view cp1252) {
  std::string out;
  for (char c : cp1252) {
    const char32_t u = platform::Cp1252ToUnicode(static_cast<unsigned char>(c));
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | u >> 6), out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | u >> 12), out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

bool HaveProgram(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

using Grid = std::vector<std::vector<std::string>>;

Grid ReadCsv(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string s{std::istreambuf_iterator<char>(in), {}};
  Grid rows(1);
  std::string field;
  bool quoted = false, any = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quoted) {
      if (c == '"' && i + 1 < s.size() && s[i + 1] == '"') field += '"', ++i;
      else if (c == '"') quoted = false;
      else field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(field), field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      rows.back().push_back(field), field.clear();
      rows.emplace_back();
    } else {
      field += c;
    }
    any = true;
  }
  if (!field.empty() || (any && !rows.back().empty())) rows.back().push_back(field);
  return rows;
}

struct Expected : TExportCellSink {
  struct Cell {
    bool label;
    long double value;
    std::string text;
  };
  std::map<std::pair<int, int>, Cell> cells;  // by row, column
  std::map<std::pair<int, int>, std::string> shownAs;  // UTF-8 a reader shows instead of a label
  void Number(int c, int r, long double v) override { cells[{r, c}] = {false, v, {}}; }
  void Label(int c, int r, std::string_view t, bool) override { cells[{r, c}] = {true, 0, std::string(t)}; }
};

struct Format {
  const char* extension;
  int maxRow;
  ExportGridRules rule;
  double loTolerance;
};

const Format kFormats[] = {{"wk1", kLotusMaxRow, ExportGridRules::kLotusExcel, 1e-7},
                           {"wk3", kLotusMaxRow, ExportGridRules::kLotusExcel, 1e-7},
                           {"xls", kBiff4MaxRow, ExportGridRules::kLotusExcel, 1e-14},
                           {"wb1", kQpwMaxRow, ExportGridRules::kQuattroPro, 1e-7}};

// Converts one file to CSV with gnumeric (its Lotus importer for .wk1 and .wk3, whose probe
// misses WK3) and returns the sheet.
Grid GnumericSheet(const fs::path& path, const fs::path& csv) {
  const std::string ext = path.extension().string();
  const std::string importer = ext.starts_with(".wk") ? "-I Gnumeric_lotus:lotus " : "";
  const std::string command = "LC_ALL=C.UTF-8 ssconvert " + importer + "'" + path.string() + "' '" + csv.string() + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return ReadCsv(csv);
}

// Converts the files to CSV in `outdir` with one LibreOffice run (a private profile, C locale,
// the CSV written in UTF-8: its default is the system's 8-bit code page).
void LibreOfficeConvert(const std::string& files, const fs::path& profile, const fs::path& outdir) {
  const std::string command = "LC_ALL=C.UTF-8 soffice --headless -env:UserInstallation=file://" + profile.string() +
                              " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir '" +
                              outdir.string() + "'" + files + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TExportOutcome Write(const Format& f, const fs::path& path, const TExportTableInput& in) {
  const std::string e = f.extension;
  if (e == "wk1") return LotusExportTable(path, 1, in);
  if (e == "wk3") return LotusExportTable(path, 3, in);
  if (e == "xls") return XlsExportTable(path, in);
  return QpwExportTable(path, in);
}

class ExportReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("ssconvert") || !HaveProgram("soffice")) GTEST_SKIP() << "gnumeric or LibreOffice missing";
    dir_ = fs::temp_directory_path() / ("ondravik_export_readers_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  // Compares a reader's sheet with the table; tolerance 0 asks for the same double.
  static void Compare(const Grid& sheet, const Expected& want, double tolerance, const std::string& what) {
    std::size_t seen = 0;
    for (std::size_t r = 0; r < sheet.size(); ++r) {
      for (std::size_t c = 0; c < sheet[r].size(); ++c) {
        const std::string& text = sheet[r][c];
        if (text.empty()) continue;
        ++seen;
        const auto it = want.cells.find({static_cast<int>(r), static_cast<int>(c)});
        ASSERT_NE(it, want.cells.end()) << what << " extra cell " << r << "," << c << ": " << text;
        if (it->second.label) {
          const auto shown = want.shownAs.find(it->first);
          EXPECT_EQ(text, shown != want.shownAs.end() ? shown->second : Utf8(it->second.text))
              << what << " " << r << "," << c;
          continue;
        }
        const double want_value = static_cast<double>(it->second.value);
        double got = std::nan("");
        std::from_chars(text.data(), text.data() + text.size(), got);  // C locale
        if (tolerance == 0)
          EXPECT_EQ(got, want_value) << what << " " << r << "," << c << ": " << text;
        else
          EXPECT_NEAR(got, want_value, tolerance * std::max(1.0, std::fabs(want_value))) << what << " " << r << "," << c;
      }
    }
    EXPECT_EQ(seen, want.cells.size()) << what;
  }
  fs::path dir_;
};

TEST_F(ExportReaders, EveryKindOfEveryFormatReadsBackInGnumericAndLibreOffice) {
  GermanLocale german;
  TPlaneExport plane(20);
  plane.points[6].Status = '*';
  plane.review.ReviewEvalZ = [](long double x, long double y) {
    return x == 1 && y == 2 ? ExprErrorValue : (1 + 2 * x + 3 * y) / 3;
  };
  std::map<std::string, Expected> expected;
  std::string files;
  for (const Format& f : kFormats) {
    for (int kind = 0; kind < 4; ++kind) {
      plane.SetGrid(kind, {0, 0.3L, 1}, {0, 0.7L, 2});
      const std::string name = std::string("k") + std::to_string(kind) + "_" + f.extension;
      const fs::path path = dir_ / (name + "." + f.extension);
      ASSERT_GT(Write(f, path, plane.Input()).result, 0) << name;
      Expected& want = expected[name];
      (void)WriteExportCells(plane.Input(), MakeExportGrid(plane.request), f.rule, f.maxRow, want);
      Compare(GnumericSheet(path, dir_ / (name + ".gnumeric.csv")), want, 0, name + " gnumeric");
      files += " '" + path.string() + "'";
    }
  }
  const fs::path lo = dir_ / "lo";
  LibreOfficeConvert(files, dir_ / "profile", lo);
  for (const Format& f : kFormats) {
    for (int kind = 0; kind < 4; ++kind) {
      const std::string name = std::string("k") + std::to_string(kind) + "_" + f.extension;
      ASSERT_TRUE(fs::exists(lo / (name + ".csv"))) << name;
      Compare(ReadCsv(lo / (name + ".csv")), expected[name], f.loTolerance, name + " LibreOffice");
    }
  }
}

// A full worksheet of 16384 points: gnumeric and LibreOffice read all 16386 rows of the
// Lotus and Quattro Pro files; the Excel file stops at row 16383, past which gnumeric drops
// rows, and says so in its result.
TEST_F(ExportReaders, FullWorksheetOf16384PointsReadsBackWhole) {
  GermanLocale german;
  TPlaneExport plane(16384);
  plane.SetGrid(0, {0, 0.01L, 1.28L}, {0, 0.01L, 1.27L});
  std::string files;
  std::map<std::string, Expected> expected;
  for (const Format& f : kFormats) {
    const std::string name = std::string("full_") + f.extension;
    const fs::path path = dir_ / (name + "." + f.extension);
    const TExportOutcome out = Write(f, path, plane.Input());
    ASSERT_GT(out.result, 0) << name;
    EXPECT_EQ(out.rowsCut, f.maxRow == kBiff4MaxRow ? 2 : 0) << name;
    (void)WriteExportCells(plane.Input(), MakeExportGrid(plane.request), f.rule, f.maxRow, expected[name]);
    Compare(GnumericSheet(path, dir_ / (name + ".gnumeric.csv")), expected[name], 0, name + " gnumeric");
    files += " '" + path.string() + "'";
  }
  const fs::path lo = dir_ / "lo";
  LibreOfficeConvert(files, dir_ / "profile", lo);
  for (const Format& f : kFormats) {
    const std::string name = std::string("full_") + f.extension;
    Compare(ReadCsv(lo / (name + ".csv")), expected[name], f.loTolerance, name + " LibreOffice");
  }
}

// One hostile row in every format: values a double cannot hold (beyond its range, below its
// normal range, infinite) and NaN, in the observed data, the summary, a parameter's limits
// and the surface, and a title with accents, micro, plus-minus and degree signs. Each reader
// must show each value as the table has it: a number to the bit, the value's digits as text,
// or nothing for NaN; never an error, a 0 or a wrong number. The title reads back in every
// file but one: LibreOffice takes Quattro Pro notebooks' text as code page 437 where the
// format (and gnumeric) keep the Windows code page.
TEST_F(ExportReaders, HostileValuesAndNonAsciiLabelsReadBackAsWritten) {
  GermanLocale german;
  constexpr long double kInf = std::numeric_limits<long double>::infinity();
  const long double kNaN = std::numeric_limits<long double>::quiet_NaN();
  TPlaneExport plane(3);
  plane.fit.dataTitle = "H\xF6he \xB5m \xB1 2\xB0";
  plane.fit.f = 1e4900L;
  plane.fit.fitStdError = kInf;
  plane.fit.r2 = 1e-310L;  // a subnormal double
  plane.parameters = {1.0L, 1e4932L, 3.0L};
  plane.errors = {0.125L, 1e4931L, 0.5L};  // value + t se overflows the 80-bit range
  plane.fit.parameters = plane.parameters;
  plane.fit.standardErrors = plane.errors;
  plane.points[1].X = 1e400L;
  plane.points[1].Y = -1e-400L;
  plane.points[1].Z = -1e4000L;
  plane.review.ReviewEvalZ = [kNaN](long double x, long double y) {
    return x > 1e300L ? kNaN : x == 1 && y == 0 ? 2.8e308L : 1 + 2 * x + 3 * y;
  };
  plane.SetGrid(0, {0, 1, 1}, {0, 1, 1});
  std::map<std::string, Expected> expected;
  std::string files;
  for (const Format& f : kFormats) {
    const std::string name = std::string("hostile_") + f.extension;
    const fs::path path = dir_ / (name + "." + f.extension);
    ASSERT_GT(Write(f, path, plane.Input()).result, 0) << name;
    Expected& want = expected[name];
    (void)WriteExportCells(plane.Input(), MakeExportGrid(plane.request), f.rule, f.maxRow, want);
    // What the readers must show, spelled out for the hostile cells.
    const std::pair<std::pair<int, int>, const char*> texts[] = {
        {{6, 1}, "inf"},     {{7, 1}, "1e+4900"},   {{4, 1}, "1e-310"},     // summary
        {{3, 3}, "1e+4932"}, {{3, 7}, "inf"},                                // parameter b
        {{3, 10}, "1e+400"}, {{3, 11}, "-1e-400"}, {{3, 12}, "-1e+4000"},   // point 2
        {{4, 23}, "2.8e+308"}};                                              // z at (1, 0)
    for (const auto& [cell, text] : texts) {
      ASSERT_TRUE(want.cells.contains(cell) && want.cells[cell].label) << name << " " << text;
      EXPECT_EQ(want.cells[cell].text, text) << name;
    }
    EXPECT_FALSE(want.cells.contains({3, 13})) << "the NaN prediction of point 2 gives no cell";
    EXPECT_FALSE(want.cells.contains({3, 14}));
    Compare(GnumericSheet(path, dir_ / (name + ".gnumeric.csv")), want, 0, name + " gnumeric");
    files += " '" + path.string() + "'";
  }
  const fs::path lo = dir_ / "lo";
  LibreOfficeConvert(files, dir_ / "profile", lo);
  for (const Format& f : kFormats) {
    const std::string name = std::string("hostile_") + f.extension;
    Expected want = expected[name];
    if (std::string(f.extension) == "wb1") want.shownAs[{0, 0}] = "H\u00F7he \u2561m \u2592 2\u2591";
    Compare(ReadCsv(lo / (name + ".csv")), want, f.loTolerance, name + " LibreOffice");
  }
}

// Quattro Pro generated tables of 16384 x 2 points: both readers show every cell down to
// row 16382, where each column's run ends, and nothing below it.
TEST_F(ExportReaders, Wb1GeneratedTablesOf16384By2ReadBackToRow16382) {
  TPlaneExport plane(0);
  std::string files;
  std::map<std::string, Expected> expected;
  for (const int kind : {1, 2}) {
    plane.SetGrid(kind, {0, 0.25L, 4095.75L}, {0, 1, 1});
    const std::string name = "generated" + std::to_string(kind) + "_wb1";
    const fs::path path = dir_ / (name + ".wb1");
    ASSERT_EQ(QpwExportTable(path, plane.Input()).lastRowWritten, 16382) << name;
    Expected& want = expected[name];
    (void)WriteExportCells(plane.Input(), MakeExportGrid(plane.request), ExportGridRules::kQuattroPro, kQpwMaxRow, want);
    ASSERT_EQ(want.cells.rbegin()->first.first, 16382);
    Compare(GnumericSheet(path, dir_ / (name + ".gnumeric.csv")), want, 0, name + " gnumeric");
    files += " '" + path.string() + "'";
  }
  const fs::path lo = dir_ / "lo";
  LibreOfficeConvert(files, dir_ / "profile", lo);
  for (const auto& [name, want] : expected) Compare(ReadCsv(lo / (name + ".csv")), want, 1e-7, name + " LibreOffice");
}

// The FORMAT records of the settings block as the readers take them: cells whose XF (added
// after the block's 21) names the formats 6, 10 and 12 ("#,##0" red, and the two dollar
// ones) show a negative number in parentheses, the dollar ones with the "$" inside them.
TEST_F(ExportReaders, Biff4MoneyFormatsShowAsWrittenInGnumericAndLibreOffice) {
  bytes::ByteWriter header;
  Biff4PutHeader(header, 1, 3);
  std::vector<std::uint8_t> bytes = header.Take();
  bytes::ByteWriter w;
  const std::uint8_t formats[] = {6, 10, 12};
  for (std::uint8_t format : formats) {  // a cell XF whose own number format is used
    w.U16(0x0443), w.U16(12);
    for (std::uint8_t b : {std::uint8_t{0}, format, std::uint8_t{1}, std::uint8_t{0}, std::uint8_t{0x20},
                           std::uint8_t{0x04}, std::uint8_t{0}, std::uint8_t{0xCE}, std::uint8_t{0}, std::uint8_t{0},
                           std::uint8_t{0}, std::uint8_t{0}})
      w.U8(b);
  }
  const std::vector<std::uint8_t> xfs = w.Take();
  bytes.insert(bytes.end() - 14, xfs.begin(), xfs.end());  // before DIMENSIONS
  bytes::ByteWriter cells;
  for (std::uint16_t column = 0; column < 3; ++column) {  // NUMBER -1234 with XF 21 + column
    cells.U16(0x0203), cells.U16(14), cells.U16(0), cells.U16(column);
    cells.U16(static_cast<std::uint16_t>(21 + column));
    cells.F64(-1234);
  }
  Biff4PutClosing(cells);
  const std::vector<std::uint8_t> tail = cells.Take();
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  const fs::path path = dir_ / "money.xls";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const std::vector<std::string> want{"(1,234)", "($1,234)", "($1,234.00)"};
  const fs::path gnumeric = dir_ / "money.gnumeric.csv";
  // The cells as shown, not their values.
  const std::string command = "LC_ALL=C.UTF-8 ssconvert -T Gnumeric_stf:stf_assistant -O 'separator=, format=preserve' '" +
                              path.string() + "' '" + gnumeric.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const Grid gnumericSheet = ReadCsv(gnumeric);
  ASSERT_FALSE(gnumericSheet.empty());
  EXPECT_EQ(gnumericSheet[0], want);
  const fs::path lo = dir_ / "lo";
  LibreOfficeConvert(" '" + path.string() + "'", dir_ / "profile", lo);
  const Grid loSheet = ReadCsv(lo / "money.csv");
  ASSERT_FALSE(loSheet.empty());
  EXPECT_EQ(loSheet[0], want);
}

TEST_F(ExportReaders, AsciiFilesReadBackByPythonsCsvModule) {
  GermanLocale german;
  TPlaneExport plane;
  const TAsciiExportRequest request{AsciiDelimiter::kComma, AsciiLayout::kWithLimits, 18, {0, 0.3L, 1}, {0, 0.7L, 2}};
  const fs::path path = dir_ / "surface.csv";
  ASSERT_GT(AsciiExportTable(path, request, plane.review), 0);
  const std::string out = (dir_ / "python.txt").string();
  const std::string command = "/usr/bin/python3 -c \"import csv,sys; "
                              "rows=list(csv.reader(open(sys.argv[1], newline=''))); "
                              "print(len(rows), len(rows[0]), rows[0][3], repr(float(rows[-1][2])))\" '" +
                              path.string() + "' > '" + out + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(out);
  std::string line;
  std::getline(in, line);
  // 4 x 3 grid points and the title line; z at (1, 2) = 9.
  EXPECT_EQ(line, "13 7 95.00% Conf Lim 9.0");
}

}  // namespace
