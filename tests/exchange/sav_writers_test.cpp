// The .sav writers: the program's own files read back as kind 24 with their states and
// weights, the point-table writer, the refusals, and PSPP reading what we write (when it is
// installed; scripts/test installs it).
#include <gtest/gtest.h>
#include <readstat.h>
#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/long_double.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_detection.h"
#include "exchange/sav_file.h"
#include "exchange/sav_readers.h"
#include "exchange/sav_writers.h"

namespace {

using namespace exchange_test;
using Rows = std::vector<RowValues>;

struct TableRow {
  long double x, y, z, w;
  char status = kPointActive;
};

PointTable TableOf(const std::vector<TableRow>& rows, bool weighted) {
  PointTable t = NewPointTable(static_cast<int>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    TXYZPoint& p = t[i + 1];
    p.X = rows[i].x, p.Y = rows[i].y, p.Z = rows[i].z, p.W = rows[i].w, p.Status = rows[i].status;
  }
  t[0].W = weighted ? 1 : 0;
  return t;
}

// Values a double holds exactly, so the read-back compares with ==; the fourth row has a
// missing Z and is not written.
const std::vector<TableRow> kRows = {{1, 2, 3, 1},           {0.5L, -4, 1e10L, 2.5L, kPointInactive},
                                {-7, 8.25L, 9, 0.125L}, {10, 11, ExprErrorValue, 1},
                                {13, 14, 15, 4, kPointInactive}};

TDataTitles Titles() {
  TDataTitles t;
  t.SetTitle("Gel\xE4nde \x80 Messung");
  t.SetXName("L\xE4nge");
  t.SetYName("");  // no name: the variable's name is its label
  t.SetZName("H\xF6he");
  return t;
}

bool Have(const char* program) { return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0; }

// The cases of a file as PSPP reads them (pspp-convert to CSV), after its header line of
// variable names; nothing when PSPP cannot read the file.
struct PsppCases {
  std::string header;
  std::vector<std::vector<double>> rows;
};
PsppCases PsppRead(const std::string& path, const std::string& csv) {
  PsppCases out;
  if (std::system(("LC_ALL=C.UTF-8 pspp-convert '" + path + "' '" + csv + "' >/dev/null 2>&1").c_str()) != 0) return out;
  std::ifstream in(csv);
  std::getline(in, out.header);
  for (std::string line; std::getline(in, line);) {
    std::vector<double> values;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) values.push_back(std::strtod(field.c_str(), nullptr));
    out.rows.push_back(values);
  }
  return out;
}

class SavWriters : public TableTest {};

TEST_F(SavWriters, OwnFilesReadBackWithTheSameStatesAndWeights) {
  for (const bool weighted : {true, false}) {
    SCOPED_TRACE(weighted);
    std::string path = dir_.File(weighted ? "w.sav" : "u.sav");
    const TSavWriteResult written = WriteOkapSav(path, TableOf(kRows, weighted), Titles());
    EXPECT_EQ(written.status, SavWriteStatus::kWritten);
    EXPECT_EQ(written.Code(), 5);
    EXPECT_EQ(written.casesWritten, 4);
    EXPECT_EQ(DetectImportFileType(path), 24);
    const TReadResult r = ReadOkapSavOwn(Args(path));
    EXPECT_EQ(RowsOf(r), (Rows{Point(1, 2, 3, 1), Point(0.5L, -4, 1e10L, 2.5L, '*'), Point(-7, 8.25L, 9, 0.125L),
                               Point(13, 14, 15, 4, '*')}));
    EXPECT_EQ(r.weighted, weighted);
    EXPECT_EQ(r.titles.Title, "Gel\xE4nde \x80 Messung");
    EXPECT_EQ(r.titles.XName, "L\xE4nge");
    EXPECT_EQ(r.titles.YName, "YVAR");
    EXPECT_EQ(r.titles.ZName, "H\xF6he");
    TSavDictionary d;
    ASSERT_EQ(ReadSavDictionary(path, d), TSavStatus::kOk);
    EXPECT_EQ(d.variables[3].label, "State");
    EXPECT_EQ(d.variables[4].label, "Weights");
    EXPECT_EQ(d.caseCount, 4);
  }
}

// The id string holds the first 64 characters of the title; in UTF-8 a character that no
// longer fits whole in the header's 64 bytes is left out rather than cut.
TEST_F(SavWriters, IdStringIsTheTitleCutToTheHeader) {
  TDataTitles t = Titles();
  t.SetTitle(std::string(62, 'a') + "\xE4\xE4xyz");
  const std::string path = dir_.File("t.sav");
  ASSERT_EQ(WriteOkapSav(path, TableOf(kRows, false), t).status, SavWriteStatus::kWritten);
  EXPECT_EQ(ReadOkapSavOwn(Args(path)).titles.Title, std::string(62, 'a') + "\xE4");
  t.SetTitle(std::string(70, 'b'));
  ASSERT_EQ(WriteOkapSav(path, TableOf(kRows, false), t).status, SavWriteStatus::kWritten);
  EXPECT_EQ(ReadOkapSavOwn(Args(path)).titles.Title, std::string(64, 'b'));
}

TEST_F(SavWriters, TooFewRowsOrAFileThatCannotBeWrittenKeepTheOldFile) {
  const std::string path = dir_.Write("old.sav", "the user's old file");
  const std::vector<TableRow> two(kRows.begin(), kRows.begin() + 2);
  TSavWriteResult r = WriteOkapSav(path, TableOf(two, false), Titles());
  EXPECT_EQ(r.status, SavWriteStatus::kTooFewRows);
  EXPECT_EQ(r.Code(), -2);
  EXPECT_EQ(WriteOkapSavXYZ(path, TableOf(two, false)).Code(), -2);
  EXPECT_EQ(ReadText(path), "the user's old file");
  // A write-protected file is not replaced, not even by a user the system would let.
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  r = WriteOkapSav(path, TableOf(kRows, false), Titles());
  EXPECT_EQ(r.status, SavWriteStatus::kCannotWrite);
  EXPECT_EQ(r.Code(), -1);
  EXPECT_EQ(ReadText(path), "the user's old file");
  EXPECT_EQ(WriteOkapSav(dir_.Path().string(), TableOf(kRows, false), Titles()).Code(), -1);  // a folder
}

// The point-table writer: the active points with all three values, no labels, no id string.
TEST_F(SavWriters, PointTableWriterKeepsActivePoints) {
  std::string path = dir_.File("xyz.sav");
  const TSavWriteResult r = WriteOkapSavXYZ(path, TableOf(kRows, true));
  EXPECT_EQ(r.Code(), 5);
  EXPECT_EQ(r.casesWritten, 2);
  EXPECT_EQ(DetectImportFileType(path), 23);
  const TReadResult read = ReadOkapSav(ChosenColumns(path, 1, 2, 3));
  EXPECT_EQ(RowsOf(read), (Rows{Point(1, 2, 3), Point(-7, 8.25L, 9)}));
  EXPECT_EQ(read.titles.Title, "");
  EXPECT_EQ(read.titles.XName, "XVAR");
  std::vector<std::string> list;
  EXPECT_EQ(ListOkapVariables(path, list), 3);
}

// PSPP reads what we write: every value to its last digit (as a double holds it), the title,
// the five variables with their labels and the weight variable.
TEST_F(SavWriters, PsppReadsOurFiles) {
  if (!Have("pspp") || !Have("pspp-convert")) GTEST_SKIP() << "PSPP is not installed";
  // Values that need all 17 digits, the extremes of the double range (the largest one that
  // is no mark of the format) and a long double narrowed to the nearest double.
  const std::vector<TableRow> rows = {{1.0L / 3, 2, -1e-300L, 1},
                                 {2.2250738585072014e-308L, 4.9406564584124654e-324L, 1.7976931348623155e308L, 0.5L},
                                 {123456789.123456789123L, -0.1L, 6.02214076e23L, 3, kPointInactive}};
  const std::string path = dir_.File("ours.sav");
  ASSERT_EQ(WriteOkapSav(path, TableOf(rows, true), Titles()).status, SavWriteStatus::kWritten);
  const PsppCases read = PsppRead(path, dir_.File("ours.csv"));
  EXPECT_EQ(read.header, "XVAR,YVAR,ZVAR,ACTIVE,WEIGHT");
  ASSERT_EQ(read.rows.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TableRow& row = rows[i];
    const std::vector<double>& values = read.rows[i];
    ASSERT_EQ(values.size(), 5u) << i;
    EXPECT_EQ(values[0], static_cast<double>(row.x)) << i;
    EXPECT_EQ(values[1], static_cast<double>(row.y)) << i;
    EXPECT_EQ(values[2], static_cast<double>(row.z)) << i;
    EXPECT_EQ(values[3], row.status == kPointInactive ? 0 : 1) << i;
    EXPECT_EQ(values[4], static_cast<double>(row.w)) << i;
  }

  const std::string syntax = dir_.Write("info.sps", "SYSFILE INFO FILE='" + path + "'.\n");
  const std::string report = dir_.File("info.txt");
  ASSERT_EQ(std::system(("LC_ALL=C.UTF-8 pspp -o '" + report + "' '" + syntax + "' >/dev/null 2>&1").c_str()), 0);
  const std::string text = ReadText(report);
  // PSPP's table, in UTF-8: the title, each variable with its label, the weight variable
  // (shown by its label).
  EXPECT_TRUE(std::regex_search(text, std::regex("\\|Label +\\|Gel\xC3\xA4nde \xE2\x82\xAC Messung"))) << text;
  for (const char* v : {"XVAR *\\| +1\\|L\xC3\xA4nge", "YVAR *\\| +2\\|YVAR", "ZVAR *\\| +3\\|H\xC3\xB6he",
                        "ACTIVE *\\| +4\\|State", "WEIGHT *\\| +5\\|Weights"})
    EXPECT_TRUE(std::regex_search(text, std::regex(std::string("\\|") + v))) << v << "\n" << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("\\|Weight +\\|Weights"))) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("\\|Cases +\\| +3\\|"))) << text;
}

// The print formats of a file's variables, in order, as ReadStat reads them.
std::vector<std::string> PrintFormats(const std::string& path) {
  std::vector<std::string> formats;
  readstat_parser_t* parser = readstat_parser_init();
  readstat_set_variable_handler(parser, [](int, readstat_variable_t* v, const char*, void* context) {
    const char* format = readstat_variable_get_format(v);
    static_cast<std::vector<std::string>*>(context)->push_back(format != nullptr ? format : "");
    return static_cast<int>(READSTAT_HANDLER_OK);
  });
  readstat_parse_sav(parser, path.c_str(), &formats);
  readstat_parser_free(parser);
  return formats;
}

// Every variable is shown in a statistics package with the digits its values were written
// with: map coordinates kept their cents (5400013.11 showed as 5400013 under the default
// F8.2, 96.3986 as 96.40, 0.0021775489 as .00). The values themselves were always whole.
TEST_F(SavWriters, EveryVariableShowsItsValuesAsWritten) {
  const struct {
    std::vector<double> values;
    const char* format;
  } cases[] = {
      {{5400013.11, 5403996.2}, "F10.2"},
      {{431491.99, 430001.97}, "F9.2"},
      {{96.3986, 105.6604}, "F8.4"},
      {{0.00086080047, 0.5}, "F13.11"},
      {{0, 1}, "F1.0"},
      {{-3, 2.5}, "F4.1"},
      {{1e14}, "F15.0"},
      {{1e20}, "E8.0"},  // F21.0: more digits than a double shows as written
      {{1.0 / 3}, "F18.16"},
      {{1.0 / 3, 1e-300}, "E22.14"},              // no F format holds both
      {{431491.99, 0.00086080047}, "E15.7"},      // F18.11 showed 431491.98999999999
      {{5400013.11, 0.5}, "F10.2"},
      {{-1.5e300}, "E9.1"},
      {{std::numeric_limits<double>::quiet_NaN()}, "F8.2"},
      {{}, "F8.2"},
  };
  for (const auto& c : cases) EXPECT_EQ(SavPrintFormat(c.values), c.format) << c.format;

  const std::vector<TableRow> rows = {{5400013.11L, 431491.99L, 96.3986L, 1},
                                      {5403996.2L, 430001.97L, 105.6604L, 2.5L, kPointInactive},
                                      {5401976.8L, 0.00086080047L, 100, 1}};
  const std::string path = dir_.File("map.sav");
  ASSERT_EQ(WriteOkapSav(path, TableOf(rows, true), Titles()).status, SavWriteStatus::kWritten);
  EXPECT_EQ(PrintFormats(path), (std::vector<std::string>{"F10.2", "E15.7", "F8.4", "F1.0", "F3.1"}));
  const std::string points = dir_.File("points.sav");
  ASSERT_EQ(WriteOkapSavXYZ(points, TableOf(rows, false)).status, SavWriteStatus::kWritten);
  EXPECT_EQ(PrintFormats(points), (std::vector<std::string>{"F10.2", "E15.7", "F8.4"}));

  // PSPP lists the values as written.
  if (!Have("pspp")) GTEST_SKIP() << "PSPP is not installed";
  const std::string syntax = dir_.Write("list.sps", "GET FILE='" + path + "'.\nLIST.\n");
  const std::string report = dir_.File("list.txt");
  ASSERT_EQ(std::system(("LC_ALL=C.UTF-8 pspp -O format=txt -o '" + report + "' '" + syntax + "' >/dev/null 2>&1").c_str()), 0);
  const std::string text = ReadText(report);
  for (const char* shown : {"5400013.11", "4.3149199E+005", "96.3986", "5403996.20", "105.6604", "8.6080047E-004"})
    EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
}

// A value a .sav file cannot give back refuses the save, the first one named: 1e400 would
// be infinite, 1e-400 and 1e-330 zero, -DBL_MAX is the format's system-missing value, DBL_MAX
// and the double above -DBL_MAX mark the ends of missing ranges (read as missing by our
// reader), a NaN weight is no number at all, the program's missing value is no point. An
// older file stays as it was.
TEST_F(SavWriters, AValueTheFileCannotHoldRefusesTheSave) {
  const std::string path = dir_.Write("old.sav", "the user's old file");
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double sysmis = -static_cast<long double>(DBL_MAX), highest = DBL_MAX;
  const long double lowest = -std::nextafter(DBL_MAX, 0.0);
  const long double nearMissing = std::nextafter(ExprErrorValue, 0.0L);
  const struct {
    TableRow row;
    const char* axis;
    long double value;
  } cases[] = {
      {{1e400L, 2, 3, 1}, "X", 1e400L},  {{1, -1e400L, 3, 1}, "Y", -1e400L}, {{1, 2, 1e-400L, 1}, "Z", 1e-400L},
      {{1, 2, sysmis, 1}, "Z", sysmis},  {{1, 2, 3, nan}, "W", nan},          {{1, 2, 3, -1e-330L}, "W", -1e-330L},
      {{highest, 2, 3, 1}, "X", highest}, {{1, lowest, 3, 1}, "Y", lowest},
      // A value a hair from the missing value, whose double is the missing value, and a weight
      // that is it: our reader would take neither row for a point.
      {{1, 2, nearMissing, 1}, "Z", nearMissing}, {{1, 2, 3, ExprErrorValue}, "W", ExprErrorValue},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.value));
    const std::vector<TableRow> rows = {{1, 2, 3, 1}, c.row, {4, 5, 6, 1}};
    const TSavWriteResult r = WriteOkapSav(path, TableOf(rows, true), Titles());
    EXPECT_EQ(r.status, SavWriteStatus::kValueNotHeld);
    EXPECT_EQ(r.Code(), -1);
    EXPECT_EQ(r.refusedRow, 2);
    EXPECT_STREQ(r.refusedAxis, c.axis);
    EXPECT_TRUE(r.refusedValue == c.value || (std::isnan(r.refusedValue) && std::isnan(c.value)));
    EXPECT_EQ(ReadText(path), "the user's old file");
    // The point-table writer writes no weight: only X, Y and Z can refuse it.
    const TSavWriteResult xyz = WriteOkapSavXYZ(path, TableOf(rows, false));
    EXPECT_EQ(xyz.status, std::string_view(c.axis) == "W" ? SavWriteStatus::kWritten : SavWriteStatus::kValueNotHeld);
    (void)std::filesystem::remove(path);
    (void)dir_.Write("old.sav", "the user's old file");
  }
  TSavWriteResult r;
  r.status = SavWriteStatus::kValueNotHeld, r.refusedRow = 7, r.refusedAxis = "Z", r.refusedValue = 1e-400L;
  EXPECT_EQ(SavRefusalText(r), "Row 7, Z: 1E-400 Cannot Be Held by a .sav File\nNothing Was Written");
  // An inactive row is no row of the point table: it cannot refuse it.
  const std::vector<TableRow> inactive = {{1, 2, 3, 1}, {1e400L, 2, 3, 1, kPointInactive}, {4, 5, 6, 1}, {7, 8, 9, 1}};
  EXPECT_EQ(WriteOkapSavXYZ(path, TableOf(inactive, false)).casesWritten, 3);
  EXPECT_EQ(WriteOkapSav(path, TableOf(inactive, false), Titles()).refusedRow, 2);
}

// The edges of what the file holds: the largest doubles of both signs that are no marks,
// the smallest normal and subnormal ones. Written, and read back to the last digit by our
// reader and by PSPP.
TEST_F(SavWriters, TheEdgesOfTheDoublesAreWrittenAndReadBack) {
  const double belowMax = std::nextafter(DBL_MAX, 0.0);
  const long double max = belowMax, nextToLowest = -std::nextafter(belowMax, 0.0);
  const long double minNormal = DBL_MIN, minSubnormal = std::numeric_limits<double>::denorm_min();
  const std::vector<TableRow> rows = {{max, nextToLowest, minNormal, 1},
                                      {-minSubnormal, minSubnormal, -1e308L, 2},
                                      {1e-320L, -minNormal, 1e308L, 0.5L, kPointInactive}};
  const std::string path = dir_.File("edges.sav");
  const TSavWriteResult written = WriteOkapSav(path, TableOf(rows, true), Titles());
  ASSERT_EQ(written.status, SavWriteStatus::kWritten);
  EXPECT_EQ(written.casesWritten, 3);
  const TReadResult r = ReadOkapSavOwn(Args(path));
  ASSERT_EQ(r.Count(), 3);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(r.points[i].X, static_cast<double>(rows[i].x)) << i;
    EXPECT_EQ(r.points[i].Y, static_cast<double>(rows[i].y)) << i;
    EXPECT_EQ(r.points[i].Z, static_cast<double>(rows[i].z)) << i;
  }
  if (!Have("pspp-convert")) GTEST_SKIP() << "PSPP is not installed";
  const PsppCases read = PsppRead(path, dir_.File("edges.csv"));
  ASSERT_EQ(read.rows.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(read.rows[i].size(), 5u) << i;
    EXPECT_EQ(read.rows[i][0], static_cast<double>(rows[i].x)) << i;
    EXPECT_EQ(read.rows[i][1], static_cast<double>(rows[i].y)) << i;
    EXPECT_EQ(read.rows[i][2], static_cast<double>(rows[i].z)) << i;
  }
}

}  // namespace
