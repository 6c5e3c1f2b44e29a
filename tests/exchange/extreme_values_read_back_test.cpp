// Every file the program writes, read back by its own import, with the values at the edges of
// what the data hold and titles beyond ASCII: +-1e300 (the data's limit, which no double
// holds), +-1e-300 (the text readers' floor), 1e-310 (subnormal as a double), +-1e308, a long
// double beyond a double, 1e400 and 1e4000, -12345.6789 (a hair from the missing value, whose
// double is the missing value) and the missing value itself; titles holding "Ã©" in
// Windows-1252 (bytes that form UTF-8), "été", "µm", "°C", "€" and "–". Each value and title
// comes back as the format holds it, or the user is told, on writing or on reading: a
// silent change is a failure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/c_format.h"
#include "app/data_file_writers.h"
#include "app/data_files.h"
#include "app/data_statistics.h"
#include "app/file_utils.h"
#include "app/long_double.h"
#include "app/number_scanner.h"
#include "app/settings_file.h"
#include "app/text_exports.h"
#include "app/text_file_bytes.h"
#include "app/text_line_buffer.h"
#include "app/worksheet_records.h"
#include "exchange/export/ascii_export.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/mv5_export.h"
#include "exchange/export/parms_summary.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/xls_export.h"
#include "exchange/export_fixture.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_registration.h"
#include "platform/message_box.h"
#include "review/residual_table.h"
#include "tools/data_generation.h"
#include "tools/evaluation_table.h"

namespace {

namespace fs = std::filesystem;
using namespace exchange_test;

struct TValue {
  const char* name;
  long double v;
};
// A long double just above the largest double.
const long double kBeyondDouble = static_cast<long double>(DBL_MAX) * (1 + 0x1p-60L);
const TValue kValues[] = {
    {"1e300", 1e300L},        {"-1e300", -1e300L},      {"1e-300", 1e-300L},     {"-1e-300", -1e-300L},
    {"1e-310", 1e-310L},      {"1e308", 1e308L},        {"-1e308", -1e308L},     {"beyond a double", kBeyondDouble},
    {"1e400", 1e400L},        {"-1e4000", -1e4000L},    {"-12345.6789", -12345.6789L},
    {"the missing value", ExprErrorValue},
};

// Titles in the program's text (Windows-1252): "Plate Ã© 5", "été", "µm", "°C € –".
const char* const kTitle = "Plate \xC3\xA9 5";
const char* const kXName = "\xE9t\xE9";
const char* const kYName = "\xB5m";
const char* const kZName = "\xB0" "C \x80 \x96";

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// A value as text of `digits` significant digits gives it back.
long double AsText(long double v, int digits) {
  long double back = 0;
  if (!ConvertDecimalNumber(CFormat("%.*Lg", digits, v), back)) return ExprErrorValue;
  return back;
}
// A value as a file of doubles gives it back.
long double AsDouble(long double v) { return DataValueOfDouble(static_cast<double>(v)); }

// The tally of a hunt: the pairs of writer and reader covered, the values tried, and how each
// came back.
struct TTally {
  int pairs = 0, values = 0, asWritten = 0, told = 0;
};

class ExtremeValuesReadBack : public TableTest {
 protected:
  void SetUp() override {
    TableTest::SetUp();
    PrepareImport();
    ImportReaders().ChooseColumns = [this](const std::string&, const std::string&, int kind, int&, int&,
                                           TImportColumns& c) {
      // Columns count from 1 in text, statistics-package and DOS worksheet files, from 0 in
      // the other worksheets.
      const int first = (kind <= 4 || kind >= 23 || kind == 14 ? 1 : 0) + firstColumn_;
      c = TImportColumns{first, first + 1, first + 2, -1, 0, 0, 0, 0};
      return 1;
    };
  }
  void TearDown() override {
    DataFileHooks() = TDataFileHooks{};
    ImportReaders().ChooseColumns = nullptr;
    TableTest::TearDown();
  }
  // Five points, the second holding `v` in Z, with the titles (plain ones, or those beyond
  // ASCII); pre-scanned as the program has them.
  void Load(long double v, bool accented = false) {
    const long double rows[5][3] = {{1, 2, 3}, {2, 3, v}, {3, 5, 6}, {4, 1, 2}, {5, 5, 5}};
    auto data = session_.Table.XYZData();
    for (std::size_t i = 0; i < 5; ++i) {
      TXYZPoint& p = data[i + 1];
      p = TXYZPoint{};
      p.X = rows[i][0], p.Y = rows[i][1], p.Z = rows[i][2], p.W = 1, p.Status = kPointActive;
    }
    data[0].X = 5, data[0].W = 0;
    session_.Table.SetXYZRows(5);
    TDataTitles& t = session_.DataTitles();
    if (accented)
      t.Title = kTitle, t.XName = kXName, t.YName = kYName, t.ZName = kZName;
    else
      t.Title = "Plate 5", t.XName = "x", t.YName = "y", t.ZName = "z";
    PrescanData(session_);
  }
  int Import(const std::string& path, std::string_view shown = {}) {
    session_.AppendMode = 0;
    session_.DataFileName = path;
    return ImportDataFile(session_, 0, shown);
  }
  std::size_t Boxes() const { return boxes_.Boxes().size(); }
  std::string Told(std::size_t from) const {
    std::string all;
    const auto boxes = boxes_.Boxes();
    for (std::size_t k = from; k < boxes.size(); ++k) all += boxes[k].text + "\n";
    return all;
  }
  // The point of the table at x, or null.
  const TXYZPoint* At(long double x) const {
    for (int i = 1; i <= session_.Table.XYZRows(); ++i)
      if (session_.Table.XYZData()[static_cast<std::size_t>(i)].X == x) return &session_.Table.XYZData()[static_cast<std::size_t>(i)];
    return nullptr;
  }

  int firstColumn_ = 0;
  platform::ScriptedAnswers boxes_;
};

// A data save of one format: how it writes, what its reading gives back of a value, and
// whether it keeps the inactive mark.
struct TDataSave {
  const char* name;
  std::function<bool(TDataSession&, const std::string&)> write;  // false: nothing written
  std::function<long double(long double)> kept;
  bool keepsMark;
  bool keepsTitles;  // worksheets keep the titles whose characters they hold
};

// Save As in text, WK1, WK3 and .sav, and Edit > Copy pasted back (its text, and its WK3
// image where one is offered): every value comes back as the format holds it, or the save
// or the read says why not. 1e300 came back from WK1 and .sav as the double above it,
// beyond the data's limit, and its point inactive without a word; -12345.6789 came back from
// WK1 as a missing cell, told as text or nothing; a point holding the missing value was left
// out of the .sav file without a word; "Plate Ã© 5" came back from the text as "Plate é 5",
// and "€ –" from the worksheets as "? ?", unasked.
TEST_F(ExtremeValuesReadBack, DataSavesGiveEachValueAndTitleBackOrTellIt) {
  const auto save = [](TDataSession& s, const std::string& path) { return SaveDataAs(s, path) == 1; };
  const auto text = [](int digits) { return [digits](long double v) { return AsText(v, digits); }; };
  const TDataSave formats[] = {
      {".prn", save, text(15), true, true},
      {".wk1", save, AsDouble, false, false},
      {".wk3", save, [](long double v) { return v; }, false, false},
      {".sav", save, AsDouble, true, true},
      {"clipboard text",
       [](TDataSession& s, const std::string& path) { return SaveGlobalToFile(TextFileBytes(DataTableToText(s)), path); },
       text(16), true, true},
      {"clipboard WK3",
       [](TDataSession& s, const std::string& path) {
         // Not offered when its labels cannot hold the titles (the paste takes the text).
         if (!TitleCharactersNotHeld(s.DataTitles()).empty()) return false;
         return SaveGlobalToFile(DataTableToWorksheet(s, 3), path);
       },
       [](long double v) { return v; }, false, false},
      {"clipboard WK1",
       [](TDataSession& s, const std::string& path) {
         if (!TitleCharactersNotHeld(s.DataTitles()).empty()) return false;
         const std::vector<std::uint8_t> image = DataTableToWorksheet(s, 1);  // empty: not offered
         return !image.empty() && SaveGlobalToFile(image, path);
       },
       AsDouble, false, false},
  };
  TTally tally;
  std::map<std::string, std::string> toldOf;  // format and value: what the user heard
  for (const TDataSave& f : formats) {
    ++tally.pairs;
    const bool clipboard = std::string(f.name).starts_with("clipboard");
    const std::map<std::string, std::string> clipboardFiles = {
        {"clipboard text", "CLIPBRD.PRN"}, {"clipboard WK3", "CLIPBRD.WK3"}, {"clipboard WK1", "CLIPBRD.WK1"}};
    const std::string path = dir_.File(clipboard ? clipboardFiles.at(f.name) : std::string("plate") + f.name);
    // Writes the table and reads it back: false when nothing was written (what was said is
    // in `told`).
    const auto roundTrip = [&](std::string& told) {
      fs::remove(path);
      for (int k = 0; k < 3; ++k) boxes_.Answer(platform::kIdYes);  // Save Anyway, to every question
      const std::size_t from = Boxes();
      const bool written = f.write(session_, path);
      const std::size_t afterSave = Boxes();
      if (written) {
        EXPECT_GE(Import(path, clipboard ? kClipboardSourceName : ""), 4) << Told(from);
        EXPECT_EQ(Told(afterSave), "") << "the read, of a file the save described";
      } else {
        EXPECT_FALSE(fs::exists(path));
      }
      told = Told(from);
      return written;
    };
    for (const TValue& value : kValues) {
      SCOPED_TRACE(std::string(f.name) + " " + value.name);
      ++tally.values;
      Load(value.v);
      const TXYZPoint before = *At(2);
      std::string told;
      if (!roundTrip(told)) {
        if (std::string(f.name).starts_with("clipboard WK")) continue;  // not offered: the paste takes another
        EXPECT_NE(told, "") << "nothing written, nothing said";
        ++tally.told;
        toldOf[std::string(f.name) + " " + value.name] = told;
        continue;
      }
      const TXYZPoint* back = At(2);
      const long double want = IsMissingValue(value.v) ? 0 : f.kept(value.v);
      bool asWritten = back && SameBits(back->Z, want);
      if (back) {
        TXYZPoint expected = *back;
        expected.Z = want;
        const char status = f.keepsMark ? before.Status : (PointUsable(expected) ? kPointActive : kPointInactive);
        asWritten = asWritten && back->Status == status;
      }
      if (asWritten) {
        ++tally.asWritten;
        EXPECT_EQ(session_.DataTitles().Title, "Plate 5");
      } else {
        EXPECT_NE(told, "") << "changed without a word: " << (back ? CFormat("%.21Lg '%c'", back->Z, back->Status) : "no point");
        ++tally.told;
        toldOf[std::string(f.name) + " " + value.name] = told;
      }
    }
    // The titles beyond ASCII.
    SCOPED_TRACE(std::string(f.name) + " titles");
    Load(1, true);
    std::string told;
    if (!roundTrip(told)) continue;
    const TDataTitles& t = session_.DataTitles();
    const bool titlesBack = t.Title == kTitle && t.XName == kXName && t.YName == kYName && t.ZName == kZName;
    if (f.keepsTitles) { EXPECT_TRUE(titlesBack) << t.Title << "|" << t.ZName; }
    if (!titlesBack) {
      EXPECT_NE(told, "");
      toldOf[std::string(f.name) + " titles"] = told;
    }
    EXPECT_EQ(t.Title, kTitle) << "every format holds the Windows-1252 bytes of UTF-8";
  }
  // What the user hears where a value or title cannot survive.
  EXPECT_EQ(toldOf[".wk1 -12345.6789"], "Row 2, Z: -12345.6789 Cannot Be Held by a .wk1 File\nNothing Was Written\n");
  EXPECT_EQ(toldOf[".sav the missing value"], "1 Point Holding a Missing Value Was Left Out of the File\n");
  EXPECT_EQ(toldOf[".wk3 titles"],
            "A .wk3 File Cannot Hold the Titles' Characters \x80\x96: They Will Be Read Back as ?\nSave Anyway?\n");
  for (const char* format : {".prn", ".wk1", ".wk3", ".sav", "clipboard text", "clipboard WK3", "clipboard WK1"})
    for (const char* value : {"1e300", "-1e300", "1e-300", "-1e-300"})
      EXPECT_FALSE(toldOf.contains(std::string(format) + " " + value)) << format << " " << value << ": " << toldOf[std::string(format) + " " + value];
  EXPECT_EQ(tally.pairs, 7);
  EXPECT_EQ(tally.values, 84);
  std::printf("data saves: %d pairs, %d values, %d as written, %d told\n", tally.pairs, tally.values, tally.asWritten,
              tally.told);
}

// A review export of one format.
struct TReviewExport {
  const char* name;
  std::function<bool(const TPlaneExport&, const std::string&)> write;
  std::function<long double(long double)> kept;  // what a number cell gives back
  bool textForUnheld;                             // values a double cannot hold go as digits
  int observedColumn, gridColumn;                 // the first of the X, Y, Z columns of a full worksheet
};

// The review's worksheet, notebook, DOS worksheet and text exports in every table kind: the
// value of a grid point and of an observed point comes back as the format holds it, or the
// read says why not. 1e300 came back from WK1, Excel, WB1 and the DOS worksheet as the
// double above it, beyond the data's limit and inactive without a word; text with limits
// read 1e-310 as 0 without a word, and told a number beyond 1e300 as text or nothing; the
// DOS worksheet's -12345.6789 came back as an inactive point without a word; an observed
// point missing its Z was written as -12345.6789 with a residual formed from it.
TEST_F(ExtremeValuesReadBack, ReviewExportsGiveEachValueBackOrTellIt) {
  const auto worksheet = [](long double v) { return WorksheetCellKind(v) == WorksheetCell::kNumber ? v : ExprErrorValue; };
  const TReviewExport formats[] = {
      {"wk1", [](const TPlaneExport& p, const std::string& path) { return LotusExportTable(path, 1, p.Input()).result > 0; },
       [&](long double v) { return IsMissingValue(worksheet(v)) ? v : AsDouble(v); }, true, 10, 21},
      {"wk3", [](const TPlaneExport& p, const std::string& path) { return LotusExportTable(path, 3, p.Input()).result > 0; },
       worksheet, true, 10, 21},
      {"xls", [](const TPlaneExport& p, const std::string& path) { return XlsExportTable(path, p.Input()).result > 0; },
       [&](long double v) { return IsMissingValue(worksheet(v)) ? v : AsDouble(v); }, true, 10, 21},
      {"wb1", [](const TPlaneExport& p, const std::string& path) { return QpwExportTable(path, p.Input()).result > 0; },
       [&](long double v) { return IsMissingValue(worksheet(v)) ? v : AsDouble(v); }, true, 10, 21},
      {"mv5",
       [this](const TPlaneExport& p, const std::string& path) {
         return ExportFitToMv(path, p.Input(), dir_.Path()).status != Mv5ExportStatus::kCannotWrite;
       },
       AsDouble, false, 9, 20},
      {"txt", nullptr, [](long double v) { return AsText(v, 18); }, false, 0, 0},
  };
  TTally tally;
  int told = 0;
  for (const TReviewExport& f : formats)
    for (const int kind : {0, 1, 2}) {
      if (!f.write && kind == 0) continue;  // text has no full worksheet
      ++tally.pairs;
      for (const TValue& value : kValues) {
        SCOPED_TRACE(std::string(f.name) + " kind " + std::to_string(kind) + " " + value.name);
        TPlaneExport plane(6);
        const long double v = value.v;
        plane.points[2].Z = v;  // the observed point (1, 0.5)
        plane.review.ReviewEvalZ = [v](long double x, long double y) { return x == 1 && y == 1 ? v : 1 + 2 * x + 3 * y; };
        plane.SetGrid(kind, Steps(3), Steps(3));
        const std::string path = dir_.File(std::string("r.") + f.name);
        fs::remove(path);
        bool written = false;
        if (f.write) {
          written = f.write(plane, path);
        } else if (kind != 0) {  // the text layouts: with limits, and X, Y, Z alone
          const TAsciiExportRequest request{AsciiDelimiter::kBlank, kind == 1 ? AsciiLayout::kWithLimits : AsciiLayout::kColumns,
                                            18, Steps(3), Steps(3)};
          written = AsciiExportTable(path, request, plane.review) > 0;
        }
        if (!written) continue;
        // The grid point (1, 1), and in a full worksheet the observed point (1, 0.5).
        const std::pair<int, long double> blocks[] = {{kind == 0 ? f.gridColumn : 0, 1}, {f.observedColumn, 0.5L}};
        for (const auto& [column, y] : std::span(blocks, kind == 0 ? 2 : 1)) {
          // The surface's missing value is no value: the point cannot be evaluated, and its
          // cells are left out as such.
          if (column == blocks[0].first && IsMissingValue(v)) continue;
          ++tally.values;
          firstColumn_ = column;
          const std::size_t from = Boxes();
          ASSERT_GE(Import(path), 4) << Told(from);
          const TXYZPoint* back = nullptr;
          for (int i = 1; i <= session_.Table.XYZRows(); ++i) {
            const TXYZPoint& p = session_.Table.XYZData()[static_cast<std::size_t>(i)];
            if (p.X == 1 && p.Y == y) back = &p;
          }
          const long double want = f.kept(v);
          const bool asWritten = back && !IsMissingValue(want) && SameBits(back->Z, want) &&
                                 back->Status == (PointUsable(*back) ? kPointActive : kPointInactive);
          if (asWritten) {
            ++tally.asWritten;
            EXPECT_EQ(Told(from), "");
          } else {
            EXPECT_NE(Told(from), "") << "changed without a word: "
                                      << (back ? CFormat("%.21Lg '%c'", back->Z, back->Status) : "no point");
            ++told;
          }
          // A value every format holds comes back whole, its point active.
          if (std::fabs(v) == 1e300L || std::fabs(v) == 1e-300L) {
            ASSERT_NE(back, nullptr);
            EXPECT_EQ(back->Status, kPointActive);
            EXPECT_TRUE(SameBits(back->Z, want));
          }
        }
        firstColumn_ = 0;
      }
    }
  tally.told = told;
  EXPECT_EQ(tally.pairs, 17);
  std::printf("review exports: %d pairs, %d values, %d as written, %d told\n", tally.pairs, tally.values, tally.asWritten,
              tally.told);
}

// The roads of the program's text into text files and back: Save As, the clipboard's text,
// the ASCII editor's hand-back, a text window's Save As opened in the file viewer, and the
// coefficient summary appended to: "Plate Ã© 5" (Windows-1252 bytes that form UTF-8) came
// back as "Plate é 5"; a text without such bytes is written byte for byte as before.
TEST_F(ExtremeValuesReadBack, TextRoadsKeepTitlesWhoseBytesFormUtf8) {
  Load(1, true);
  ASSERT_EQ(SaveDataAs(session_, dir_.File("plate.prn")), 1);
  const std::vector<std::uint8_t> bytes = LoadFileToGlobal(dir_.File("plate.prn"));
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), kUtf8ByteOrderMark);
  const std::string text = DataTableToText(session_);
  for (int road = 0; road < 3; ++road) {
    SCOPED_TRACE(road);
    Load(1, true);
    session_.DataTitles() = TDataTitles{};
    if (road == 0) { ASSERT_EQ(Import(dir_.File("plate.prn")), 5); }
    if (road == 1) { ASSERT_EQ(Import(dir_.Write("CLIPBRD.PRN", TextFileBytes(text)), kClipboardSourceName), 5); }
    if (road == 2) { ASSERT_EQ(EvEditorData(session_, text), 5); }
    const TDataTitles& t = session_.DataTitles();
    EXPECT_EQ((std::vector<std::string>{t.Title, t.XName, t.YName, t.ZName}),
              (std::vector<std::string>{kTitle, kXName, kYName, kZName}));
  }
  // A text window's lines saved as text and viewed: as they were.
  TMFile lines("", 10);
  (void)lines.AppendLine(kTitle);
  (void)lines.AppendLine(std::string("x ") + kZName);
  ASSERT_TRUE(WriteTextWindowFile(lines, dir_.File("lines.txt"), kSaveFormatText, TRtfFont{}, false));
  TMFile viewed("", 10);
  ASSERT_TRUE(viewed.Load(dir_.File("lines.txt"), FileTildes::kLiteral));
  ASSERT_EQ(viewed.LineCount(), 2);
  EXPECT_EQ(std::string(viewed.GetLine(0)), kTitle);
  EXPECT_EQ(std::string(viewed.GetLine(1)), std::string("x ") + kZName);
  // The coefficient summary, appended to a summary of plain titles and to itself.
  TPlaneExport plane;
  TParmsSummaryInput in;
  in.dataTitle = "plain";
  in.fit = &plane.fit;
  const std::string summary = dir_.File("summary.txt");
  ASSERT_EQ(ParmsWriteSummary(summary, kParmsDataTitles, false, in), 1);
  const std::string plain = ReadText(summary);
  EXPECT_EQ(plain.substr(0, 5), "plain");
  in.dataTitle = kTitle;
  ASSERT_EQ(ParmsWriteSummary(summary, kParmsDataTitles, true, in), 1);
  ASSERT_EQ(ParmsWriteSummary(summary, kParmsDataTitles, true, in), 1);
  TMFile summaryLines("", 100);
  ASSERT_TRUE(summaryLines.Load(summary, FileTildes::kLiteral));
  std::vector<std::string> titles;
  for (int i = 0; i < summaryLines.LineCount(); ++i)
    if (std::string(summaryLines.GetLine(i)).starts_with("Plate") || std::string(summaryLines.GetLine(i)) == "plain")
      titles.push_back(summaryLines.GetLine(i));
  EXPECT_EQ(titles, (std::vector<std::string>{"plain", kTitle, kTitle}));
  // Text without bytes that form UTF-8 is written as it always was.
  Load(1);
  session_.DataTitles().Title = "\xE9t\xE9 \xB5m";
  ASSERT_EQ(SaveDataAs(session_, dir_.File("plain.prn")), 1);
  EXPECT_EQ(ReadText(dir_.File("plain.prn")).substr(0, 8), "\"\xE9t\xE9 \xB5m\"");
}

// The text readers' range rule, told: a number beyond 1e300 makes its row no point, and a
// non-zero one nearer 0 than 1e-300 is read as 0, as they always were, but the user hears
// it. The review's text with limits wrote 1e308 and 1e-310 (and -1e-4000, whose exponent
// has four digits): the first row was told as text or nothing, the second read as 0 without
// a word, the third passed for text. A DIF file of such numbers reads the same way.
TEST_F(ExtremeValuesReadBack, TheTextReadersTellWhatTheirRangeRuleChanged) {
  TPlaneExport plane;
  plane.review.ReviewEvalZ = [](long double x, long double y) {
    return x == 1 && y == 1 ? 1e308L : x == 2 && y == 2 ? 1e-310L : x == 0 && y == 2 ? -1e-4000L : 1 + 2 * x + 3 * y;
  };
  plane.review.ReviewConfidenceLimit = [](long double, long double, long double) { return 0; };
  plane.review.ReviewPredictionLimit = [](long double, long double, long double) { return 0; };
  const std::string path = dir_.File("limits.dat");
  const TAsciiExportRequest request{AsciiDelimiter::kComma, AsciiLayout::kWithLimits, 18, Steps(3), Steps(3)};
  ASSERT_GT(AsciiExportTable(path, request, plane.review), 0);
  ASSERT_EQ(Import(path), 8);
  EXPECT_EQ(Told(0),
            "Rows Skipped Because a Chosen Column Held a Number Beyond 1E300 in Magnitude: 1\n"
            "Numbers Nearer 0 Than 1E-300 Read as 0: 2\n");
  ASSERT_NE(At(2), nullptr);
  EXPECT_EQ(At(0)->Z, 1 + 2 * 0 + 3 * 0);

  const std::size_t from = Boxes();
  std::string dif = "TABLE\n0,1\n\"\"\nVECTORS\n0,3\n\"\"\nTUPLES\n0,6\n\"\"\nDATA\n0,0\n\"\"\n";
  for (const char* row : {"1 2 3", "2 1e308 4", "3 4 1e-310", "4 5 6", "5 -1e-4000 7", "6 7 8"}) {
    dif += "-1,0\nBOT\n";
    std::string cell;
    for (const char* c = row;; ++c) {
      if (*c == ' ' || *c == 0) {
        dif += "0," + cell + "\nV\n";
        cell.clear();
        if (*c == 0) break;
      } else {
        cell += *c;
      }
    }
  }
  dif += "-1,0\nEOD\n";
  ASSERT_EQ(Import(dir_.Write("extremes.dif", dif)), 5);
  EXPECT_EQ(Told(from),
            "Rows Skipped Because a Chosen Column Held a Number Beyond 1E300 in Magnitude: 1\n"
            "Numbers Nearer 0 Than 1E-300 Read as 0: 2\n");
}

// The evaluation table's saves (text, WK1, WK3, .sav) and the residual list's (text, WK1,
// WK3), of the same values: each comes back as the format holds it, or the save or the read
// says why not; Generate Table's files too. (A line the table shows as "Error", the missing
// value, is no value: every file leaves it out, and no residual is formed where the surface
// gives none.)
TEST_F(ExtremeValuesReadBack, EvaluationTablesAndResidualListsGiveEachValueBackOrTellIt) {
  TTally tally;
  for (const char* name : {"eval.prn", "eval.wk1", "eval.wk3", "eval.sav", "res.prn", "res.wk1", "res.wk3"}) {
    ++tally.pairs;
    for (const TValue& value : kValues) {
      if (IsMissingValue(value.v)) continue;
      SCOPED_TRACE(std::string(name) + " " + value.name);
      ++tally.values;
      const std::string path = dir_.File(name);
      fs::remove(path);
      const std::size_t from = Boxes();
      const bool residuals = std::string(name).starts_with("res");
      bool written = false;
      if (residuals) {
        const std::vector<TResidualRow> rows = {{1, 2, 3}, {2, 3, value.v}, {3, 5, 6}, {4, 1, 2}, {5, 5, 5}};
        written = WriteResidualFile(path, rows);
      } else {
        TMFile lines("", 100);
        TEvalTable table(lines);
        for (const auto& row : {std::array<long double, 3>{1, 2, 3}, {2, 3, value.v}, {3, 5, 6}, {4, 1, 2}, {5, 5, 5}}) {
          TEvalLine line;
          line.x = row[0], line.y = row[1], line.z = row[2];
          line.label = "Value";
          ASSERT_GE(table.Add(line), 0);
        }
        const EvalSaveStatus status = SaveEvalTable(table, path, ImportReaders().WriteSavPoints);
        written = status == EvalSaveStatus::kWritten;
        // Refused, and the dialog says which value (SavRefusalText).
        if (!written) { EXPECT_EQ(status, EvalSaveStatus::kSavValueNotHeld); }
      }
      if (!written) {
        EXPECT_FALSE(fs::exists(path));
        ++tally.told;
        continue;
      }
      ASSERT_GE(Import(path), 4) << Told(from);
      const TXYZPoint* back = At(2);
      const bool text = std::string(name).ends_with(".prn");
      const bool doubles = std::string(name).ends_with(".wk1") || std::string(name).ends_with(".sav");
      const long double want = text ? back ? back->Z : 0 : doubles ? AsDouble(value.v) : value.v;
      if (back && SameBits(back->Z, want) && !IsMissingValue(value.v)) {
        ++tally.asWritten;
        if (text) { EXPECT_LE(std::fabs(back->Z - value.v), std::fabs(value.v) * 1e-15L) << CFormat("%.21Lg", back->Z); }
      } else {
        EXPECT_NE(Told(from), "") << (back ? CFormat("%.21Lg", back->Z) : "no point");
        ++tally.told;
      }
    }
  }
  // Generate Table's file, without and with limits (read by its columns, five a line).
  for (const EvalLimits limits : {EvalLimits::kNone, EvalLimits::kConfidence}) {
    ++tally.pairs;
    for (const TValue& value : kValues) {
      if (IsMissingValue(value.v)) continue;  // no value: the file leaves the pair out, and says so
      SCOPED_TRACE(std::string("generated ") + value.name);
      ++tally.values;
      TEvalSurface surface;
      const long double v = value.v;
      surface.z = [v](long double x, long double y) { return x == 1 && y == 1 ? v : x + y; };
      surface.xMin = 0, surface.xMax = 2, surface.yMin = 0, surface.yMax = 2, surface.zMin = 0, surface.zMax = 4;
      surface.confidenceLimit = [](long double, long double, long double) { return 0; };
      surface.predictionLimit = [](long double, long double, long double) { return 0; };
      const TEvalComputer computer(surface);
      std::string text;
      (void)GenerateFileText(computer, MakeLimitChoice(limits, "95.00"), kEvalZ, MakeGridInputs(0, 1, 2, 0, 1, 2).list,
                             text, nullptr);
      const std::size_t from = Boxes();
      ASSERT_GE(Import(dir_.Write("generated.prn", text)), 8) << Told(from);
      const TXYZPoint* back = nullptr;
      for (int i = 1; i <= session_.Table.XYZRows(); ++i)
        if (session_.Table.XYZData()[static_cast<std::size_t>(i)].X == 1 && session_.Table.XYZData()[static_cast<std::size_t>(i)].Y == 1)
          back = &session_.Table.XYZData()[static_cast<std::size_t>(i)];
      if (back && std::fabs(back->Z - v) <= std::fabs(v) * 1e-15L && (back->Z != 0 || v == 0)) {
        ++tally.asWritten;
        EXPECT_EQ(Told(from), "");
      } else {
        EXPECT_NE(Told(from), "") << (back ? CFormat("%.21Lg", back->Z) : "no point");
        ++tally.told;
      }
    }
  }
  std::printf("evaluation tables, residual lists and generated files: %d pairs, %d values, %d as written, %d told\n",
              tally.pairs, tally.values, tally.asWritten, tally.told);
}

// ---- the programs people open our files with, and whose files we read -------------------

bool Have(const char* program) { return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0; }

// Runs an outside program in its own home, profile and temporary folder under `dir`, in the C
// locale with UTF-8 text: true when it succeeded.
bool RunPeer(const ScratchDir& dir, const std::string& command) {
  const std::string home = dir.File("peer-home"), tmp = dir.File("peer-tmp");
  fs::create_directories(home);
  fs::create_directories(tmp);
  const std::string env = "HOME='" + home + "' TMPDIR='" + tmp + "' XDG_CONFIG_HOME='" + home + "/config' LC_ALL=C.UTF-8 ";
  return std::system((env + command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string LibreOffice(const ScratchDir& dir) {
  return "soffice --headless -env:UserInstallation=file://" + dir.File("peer-profile");
}

// What gnumeric and LibreOffice read of our files: the review's Excel full worksheet leaves
// a missing observed Z and its residuals empty (they showed -12345.6789 and residuals formed
// from it), and shows 1e300 as written; a data text whose title's bytes form UTF-8 is marked
// UTF-8, and LibreOffice shows the title as the user wrote it.
TEST_F(ExtremeValuesReadBack, PeersReadOurFilesAsWritten) {
  if (!Have("ssconvert") || !Have("soffice")) GTEST_SKIP() << "gnumeric or LibreOffice is not installed";
  TPlaneExport plane(4);
  plane.points[1].Z = ExprErrorValue;
  plane.points[2].Z = 1e300L;
  plane.SetGrid(0, Steps(2), Steps(2));
  const std::string xls = dir_.File("review.xls");
  ASSERT_GT(XlsExportTable(xls, plane.Input()).result, 0);
  const std::string csv = dir_.File("review.csv");
  ASSERT_TRUE(RunPeer(dir_, "ssconvert '" + xls + "' '" + csv + "'"));
  std::vector<std::vector<std::string>> rows;
  {
    std::istringstream in(ReadText(csv));
    for (std::string line; std::getline(in, line);) {
      std::vector<std::string> cells;
      std::istringstream fields(line);
      for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
      cells.resize(28);
      rows.push_back(cells);
    }
  }
  ASSERT_GE(rows.size(), 5u);
  // Rows 2-4 hold points 1-3: X, Y, Z observed, Z predicted, residual, residual % (columns 10-15).
  EXPECT_EQ(std::vector<std::string>(rows[3].begin() + 10, rows[3].begin() + 16),
            (std::vector<std::string>{"0.5", "0.25", "", "2.75", "", ""}));
  EXPECT_EQ(rows[4][12], "1.0000000000000000525E+300");  // gnumeric's digits of the double
  EXPECT_EQ(rows[4][13], "4.5");

  Load(1, true);
  ASSERT_EQ(SaveDataAs(session_, dir_.File("plate.txt")), 1);
  const std::string text = "'Text - txt - csv (StarCalc)";
  ASSERT_TRUE(RunPeer(dir_, LibreOffice(dir_) + " --infilter=" + text + ":32,34,76,1' --convert-to 'csv:" + text.substr(1) +
                                ":44,34,76' --outdir '" + dir_.File("lo") + "' '" + dir_.File("plate.txt") + "'"));
  const std::string read = ReadText(dir_.File("lo/plate.csv"));
  EXPECT_EQ(read.substr(0, read.find(',')), "Plate \xC3\x83\xC2\xA9 5") << read;
}

// Files LibreOffice, gnumeric and PSPP make of 1e300 (which they hold as the double above
// it), -12345.6789 (the program's missing value as a double) and 1e-310: our import gives
// 1e300 back as the data's limit, its point active (it came back beyond the limit and
// inactive without a word), tells the row of the missing value as such (it was told as text
// or nothing, or in a .sav file as a missing cell beside a number), and keeps 1e-310 (which
// LibreOffice keeps as text, and PSPP as system-missing: that row is told so).
TEST_F(ExtremeValuesReadBack, OurImportReadsPeersFilesOfExtremeValues) {
  if (!Have("ssconvert") || !Have("soffice") || !Have("pspp")) GTEST_SKIP() << "gnumeric, LibreOffice or PSPP is not installed";
  const std::string csv = dir_.Write("extremes.csv", "x,y,z\n1,2,3\n2,3,1E+300\n3,4,-12345.6789\n4,5,1E-310\n5,6,-1E+300\n6,7,8\n");
  ASSERT_TRUE(RunPeer(dir_, LibreOffice(dir_) + " --convert-to xls --outdir '" + dir_.File("lo") + "' '" + csv + "'"));
  ASSERT_TRUE(RunPeer(dir_, "ssconvert -T Gnumeric_Excel:excel_biff7 '" + csv + "' '" + dir_.File("gnumeric.xls") + "'"));
  const std::string sps = dir_.Write("extremes.sps",
                                     "DATA LIST LIST /x y z.\nBEGIN DATA\n1 2 3\n2 3 1E+300\n3 4 -12345.6789\n4 5 1E-310\n"
                                     "5 6 -1E+300\n6 7 8\nEND DATA.\nSAVE OUTFILE='" + dir_.File("pspp.sav") + "'.\n");
  ASSERT_TRUE(RunPeer(dir_, "pspp '" + sps + "'"));
  for (const std::string& file : {dir_.File("lo/extremes.xls"), dir_.File("gnumeric.xls"), dir_.File("pspp.sav")}) {
    SCOPED_TRACE(file);
    const bool subnormalKept = file.ends_with("gnumeric.xls");
    const std::size_t from = Boxes();
    ASSERT_EQ(Import(file), subnormalKept ? 5 : 4) << Told(from);
    EXPECT_EQ(Told(from), std::string(subnormalKept ? "" : "Rows Skipped Because a Chosen Column Held Text or Nothing: 1\n") +
                              "Rows Skipped Because a Chosen Column Held the Missing Value -12345.6789: 1\n");
    ASSERT_NE(At(2), nullptr);
    EXPECT_TRUE(SameBits(At(2)->Z, 1e300L));
    EXPECT_EQ(At(2)->Status, kPointActive);
    EXPECT_TRUE(SameBits(At(5)->Z, -1e300L));
    EXPECT_EQ(At(5)->Status, kPointActive);
    EXPECT_EQ(At(3), nullptr);
    if (!subnormalKept) continue;
    ASSERT_NE(At(4), nullptr);
    EXPECT_EQ(At(4)->Z, static_cast<double>(1e-310L));
  }
}

}  // namespace
