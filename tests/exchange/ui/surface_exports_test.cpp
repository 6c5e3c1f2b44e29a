// The review's worksheet and ASCII surface exports, driven as the user drives them: the range
// dialogs answered, the file dialogs scripted, the files read back (gnumeric's ssconvert for
// the worksheets).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QRadioButton>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "app/c_format.h"
#include "app/number_format.h"
#include "app/settings_file.h"
#include "app/ui/small_controls.h"
#include "exchange/ui/code_export_dialogs.h"
#include "exchange/ui/range_export_dialogs.h"
#include "exchange/ui/review_exports_fixture.h"
#include "fit/fit_test_data.h"
#include "review/review_fit_fixture.h"

namespace {

using export_test::ReviewExportsFixture;

class SurfaceExportsTest : public ReviewExportsFixture {};

template <typename Dialog>
ModalAnswer<Dialog> Accept(std::function<void(Dialog*)> set = {}) {
  return ModalAnswer<Dialog>([set](Dialog* d) {
    if (set) set(d);
    d->accept();
  });
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The range offered: the data's X and Y ranges (0 to 2) in the review graph's mesh, the step
// 2/34 with the digits it carries (it showed the 20 of its long double, 0.05882352941176470588).
TEST_F(SurfaceExportsTest, RangeDialogOpensOnTheDataInTheGraphsMesh) {
  std::vector<std::string> shown;
  ModalAnswer<TExcel> excel([&](TExcel* d) {
    for (int id = 576; id <= 581; ++id) shown.push_back(d->Edit(id)->text().toStdString());
    d->reject();
  });
  window->Command(kCmReviewSaveExcel);
  const T3DViewRec& view = window->Renderer().View();
  ASSERT_EQ(view.MeshX, 35);
  ASSERT_EQ(view.MeshY, 35);
  EXPECT_EQ(shown, (std::vector<std::string>{"0", "0.0588235294117647", "2", "0", "0.0588235294117647", "2"}));
  EXPECT_TRUE(files.Requests().empty());
}

// Accepted as shown, the range is the review's to the last bit: the step's shorter text
// stands for the value it showed.
TEST_F(SurfaceExportsTest, RangeAcceptedAsShownKeepsTheStepExactly) {
  auto excel = Accept<TExcel>();
  files.Answer(std::nullopt);
  window->Command(kCmReviewSaveExcel);
  EXPECT_EQ(GenRangePrevious(), (TGenRange{0, 2.0L / 34, 2, 0, 2.0L / 34, 2}));
}

TEST_F(SurfaceExportsTest, LotusSaveDialogOffersTheChosenTypeOnly) {
  ASSERT_EQ(CurrentSettings().LotusFileType, 3);
  {
    auto lotus = Accept<TLotus>();
    files.Answer(std::nullopt);
    window->Command(kCmReviewSaveLotus);
  }
  {
    auto lotus = Accept<TLotus>([](TLotus* d) { d->Button(861)->setChecked(true); });
    files.Answer(std::nullopt);
    window->Command(kCmReviewSaveLotus);
  }
  ASSERT_EQ(files.Requests().size(), 2u);
  EXPECT_EQ(files.Requests()[0].filter, "Lotus [wk3]|*.wk3|");
  EXPECT_EQ(files.Requests()[0].defaultExt, "WK3");
  EXPECT_EQ(files.Requests()[1].filter, "Lotus [wk1]|*.wk1|");
  EXPECT_EQ(files.Requests()[1].defaultExt, "WK1");
  // Cancelled at the Save dialog: the options, the files and the fit as they were.
  EXPECT_EQ(CurrentSettings().LotusFileType, 3);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
  EXPECT_FALSE(Refitted());
  {
    auto lotus = Accept<TLotus>([](TLotus* d) { d->Button(861)->setChecked(true); });
    files.Answer(File("plane.wk1"), 1);
    window->Command(kCmReviewSaveLotus);
  }
  EXPECT_EQ(CurrentSettings().LotusFileType, 1);
  EXPECT_FALSE(ReadBytes(File("plane.wk1")).empty());
  EXPECT_TRUE(Refitted());
}

TEST_F(SurfaceExportsTest, SiblingDialogsButtonsGiveKindsZeroToTwo) {
  for (int kind = 0; kind < 3; ++kind) {
    auto mv = Accept<TMerovane>([kind](TMerovane* d) { d->Button(861 + kind)->setChecked(true); });
    const std::string path = File("kind" + std::to_string(kind) + ".mv5");
    files.Answer(path, 1);
    window->Command(kCmReviewSaveSibling);
    EXPECT_EQ(CurrentSettings().MvTableKind, kind);
    EXPECT_FALSE(ReadBytes(path).empty()) << kind;
  }
  EXPECT_EQ(files.Requests().back().filter, "Merovane [mv5]|*.mv5|");
  EXPECT_EQ(WriteFailures(), 0);
}

// The default ASCII surface of the plane: X and Y from 0 to 2 in the mesh, one row a grid
// point, the last exactly at (2, 2).
TEST_F(SurfaceExportsTest, DefaultAsciiSurfaceEndsExactlyAtTheDataMaximum) {
  const T3DViewRec& view = window->Renderer().View();
  auto ascii = Accept<TASCIIGen>();
  const std::string path = File("surface.dat");
  files.Answer(path, 2);
  window->Command(kCmReviewSaveAscii);
  std::vector<std::string> lines = TextLines(ReadText(path));
  ASSERT_FALSE(lines.empty());
  lines.erase(lines.begin());  // the quoted headings
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(view.MeshX * view.MeshY));
  std::istringstream last(lines.back());
  long double x = 0, y = 0, z = 0;
  ASSERT_TRUE(last >> x >> y >> z);
  EXPECT_EQ(x, 2.0L);
  EXPECT_EQ(y, 2.0L);
  EXPECT_EQ(ResultWindows(), 1);
}

TEST_F(SurfaceExportsTest, AsciiSavedAsTxtOpensTheNextSavesOnTheTxtEntry) {
  auto ascii = Accept<TASCIIGen>();
  ModalAnswer<TParms> parms([](TParms* d) { d->accept(); });
  files.Answer(File("surface.txt"), 3);
  window->Command(kCmReviewSaveAscii);
  EXPECT_EQ(CurrentSettings().LastExtensions[4], "txt");
  files.Answer(std::nullopt);
  window->Command(kCmReviewSaveAscii);
  files.Answer(std::nullopt);
  window->Command(kCmReviewSaveParameters);
  const std::vector<platform::FileDialogRequest> requests = files.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].filterIndex, 1);  // "PRN" at the start
  EXPECT_EQ(requests[1].filterIndex, 3);
  EXPECT_EQ(requests[2].filterIndex, 3);
}

TEST_F(SurfaceExportsTest, AsciiOptionsAreKeptOnlyWhenAFileIsWritten) {
  auto ascii = Accept<TASCIIGen>([](TASCIIGen* d) {
    d->Button(863)->setChecked(true);
    d->Button(866)->setChecked(true);
    d->PrecisionEdit()->setText("7");
  });
  files.Answer(std::nullopt);
  window->Command(kCmReviewSaveAscii);
  EXPECT_EQ(CurrentSettings().AsciiGenDelimiter, 0);
  EXPECT_EQ(CurrentSettings().AsciiGenPrecision, 18);
  files.Answer(File("matrix.prn"), 1);
  window->Command(kCmReviewSaveAscii);
  EXPECT_EQ(CurrentSettings().AsciiGenDelimiter, 2);
  EXPECT_EQ(CurrentSettings().AsciiGenFormat, 2);
  EXPECT_EQ(CurrentSettings().AsciiGenPrecision, 7);
  const std::vector<std::string> lines = TextLines(ReadText(File("matrix.prn")));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].substr(0, 2), "0\t");
}

// A precision outside 3..18 is corrected in the edit with its message, and the dialog stays
// open until OK is pressed again.
TEST_F(SurfaceExportsTest, PrecisionOutsideItsRangeIsCorrectedAndKeepsTheDialogOpen) {
  QString corrected;
  bool stayedOpen = false;
  ModalAnswer<TASCIIGen> ascii([&](TASCIIGen* d) {
    d->PrecisionEdit()->setText("40");
    d->accept();
    stayedOpen = d->isVisible();
    corrected = d->PrecisionEdit()->text();
    d->accept();
  });
  files.Answer(File("precise.prn"), 1);
  window->Command(kCmReviewSaveAscii);
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(corrected, "18");
  EXPECT_EQ(answers.Boxes().size(), 1u);  // "Valid Range is 3 to 18"
  EXPECT_EQ(CurrentSettings().AsciiGenPrecision, 18);
  EXPECT_FALSE(ReadText(File("precise.prn")).empty());
}

// The precision typed key by key stays as typed ("25" kept its "2": the "5" was refused
// without a word, and a click on OK then wrote 3 and went on). A value past 3..18 is told with
// its range when the field is finished, shown clamped, and the dialog stays open; a value in
// the range typed after a leading zero is taken as typed.
TEST_F(SurfaceExportsTest, PrecisionTypedKeyByKeyStaysAsTypedUntilOkTellsItsRange) {
  const struct {
    const char* typed;
    const char* shown;  // after the first click on OK
    bool told;
    int stored;
  } cases[] = {{"25", "18", true, 18}, {"100", "18", true, 18}, {"-5", "3", true, 3},
               {"2", "3", true, 3},    {"07", "07", false, 7},  {"12", "12", false, 12}};
  for (const auto& c : cases) {
    const std::size_t boxesBefore = answers.Boxes().size();
    QString typed, shown;
    bool stayedOpen = false;
    ModalAnswer<TASCIIGen> ascii([&](TASCIIGen* d) {
      QApplication::setActiveWindow(d);
      TEditInt* precision = d->PrecisionEdit();
      precision->setFocus();
      QTest::keyClick(precision, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(precision, c.typed);
      typed = precision->text();
      auto* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
      QTest::mouseClick(ok, Qt::LeftButton);
      stayedOpen = d->isVisible();
      shown = precision->text();
      if (stayedOpen) QTest::mouseClick(ok, Qt::LeftButton);
    });
    files.Answer(File(std::string("typed") + c.typed + ".prn"), 1);
    window->Command(kCmReviewSaveAscii);
    EXPECT_EQ(typed.toStdString(), c.typed);
    EXPECT_EQ(shown.toStdString(), c.shown) << c.typed;
    EXPECT_EQ(stayedOpen, c.told) << c.typed;
    ASSERT_EQ(answers.Boxes().size() - boxesBefore, c.told ? 1u : 0u) << c.typed;
    if (c.told) {
      EXPECT_EQ(answers.Boxes().back().text, "Valid Range is 3 to 18") << c.typed;
    }
    EXPECT_EQ(CurrentSettings().AsciiGenPrecision, c.stored) << c.typed;
  }
}

// Cancel in each range dialog: no Save dialog, no file, no refit, the options as they were.
TEST_F(SurfaceExportsTest, CancelInTheRangeDialogsChangesNothing) {
  const ProgramSettings before = CurrentSettings();
  ModalAnswer<TLotus> lotus([](TLotus* d) { d->Button(861)->setChecked(true); d->reject(); });
  ModalAnswer<TExcel> excel([](TExcel* d) { d->Button(862)->setChecked(true); d->reject(); });
  ModalAnswer<TQPWin> quattro([](TQPWin* d) { d->Button(863)->setChecked(true); d->reject(); });
  ModalAnswer<TMerovane> mv([](TMerovane* d) { d->Button(862)->setChecked(true); d->reject(); });
  ModalAnswer<TASCIIGen> ascii([](TASCIIGen* d) { d->Button(863)->setChecked(true); d->reject(); });
  for (int id : {kCmReviewSaveLotus, kCmReviewSaveExcel, kCmReviewSaveQuattro, kCmReviewSaveSibling, kCmReviewSaveAscii})
    window->Command(id);
  EXPECT_EQ(lotus.Seen() + excel.Seen() + quattro.Seen() + mv.Seen() + ascii.Seen(), 5);
  EXPECT_TRUE(files.Requests().empty());
  EXPECT_FALSE(Refitted());
  const ProgramSettings& after = CurrentSettings();
  EXPECT_EQ((std::vector<int>{after.LotusFileType, after.ExcelTableKind, after.QpwTableKind, after.MvTableKind,
                              after.AsciiGenDelimiter}),
            (std::vector<int>{before.LotusFileType, before.ExcelTableKind, before.QpwTableKind, before.MvTableKind,
                              before.AsciiGenDelimiter}));
}

// The full worksheet in WK3, read by gnumeric: the parameters to 15 digits.
TEST_F(SurfaceExportsTest, FullWorksheetReadByGnumericHoldsTheParameters) {
  if (std::system("command -v ssconvert >/dev/null 2>&1") != 0) GTEST_SKIP() << "gnumeric is not installed";
  auto lotus = Accept<TLotus>();
  const std::string path = File("full.wk3");
  files.Answer(path, 1);
  window->Command(kCmReviewSaveLotus);
  const std::string csv = File("full.csv");
  const std::string command = "LC_ALL=C.UTF-8 ssconvert -I Gnumeric_lotus:lotus '" + path + "' '" + csv + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::vector<std::string> lines = TextLines(ReadText(csv));
  // The parameters' block: its heading cell "Parameters", then a row per parameter with its
  // letter and value in that column and the next.
  const auto cells = [](const std::string& line) {
    std::vector<std::string> v;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');) v.push_back(cell);
    return v;
  };
  std::size_t heading = 0, column = 0;
  for (; heading < lines.size(); ++heading) {
    const std::vector<std::string> row = cells(lines[heading]);
    const auto at = std::find(row.begin(), row.end(), "Parameters");
    if (at != row.end()) {
      column = static_cast<std::size_t>(at - row.begin());
      break;
    }
  }
  ASSERT_LT(heading + 3, lines.size()) << ReadText(csv).substr(0, 400);
  const long double expected[] = {61.0L / 60, 2.05L, 2.95L};
  for (std::size_t k = 0; k < 3; ++k) {
    const std::vector<std::string> row = cells(lines[heading + 1 + k]);
    ASSERT_GT(row.size(), column + 1) << lines[heading + 1 + k];
    const long double v = std::strtold(row[column + 1].c_str(), nullptr);
    EXPECT_LE(fabsl(v - expected[k]), 1e-15L * expected[k]) << lines[heading + 1 + k];
  }
}

// A Lotus worksheet keeps its labels in code page 850, which lacks "€" and the dashes of a
// data title: the file is written with '?' there, and the user hears which characters (they
// became '?' without a word). Excel and Quattro Pro labels hold the title as it is.
TEST_F(SurfaceExportsTest, ALotusFullWorksheetTellsTheCharactersItsLabelsCannotHold) {
  session.DataTitles().Title = "Cost \x80 \x96 2024";
  auto lotus = Accept<TLotus>([](TLotus* d) { d->Button(863)->setChecked(true); });
  auto excel = Accept<TExcel>([](TExcel* d) { d->Button(861)->setChecked(true); });
  const std::size_t before = answers.Boxes().size();
  files.Answer(File("title.wk1"), 1);
  window->Command(kCmReviewSaveLotus);
  files.Answer(File("title.xls"), 1);
  window->Command(kCmReviewSaveExcel);
  const auto boxes = answers.Boxes();
  ASSERT_EQ(boxes.size(), before + 1);
  EXPECT_EQ(boxes.back().text, "The Worksheet Cannot Hold the Characters \x80\x96 of Its Labels: They Were Written as ?");
  EXPECT_EQ(boxes.back().caption, File("title.wk1"));
}

// A file that cannot be written is told, and no window opens.
TEST_F(SurfaceExportsTest, UnwritablePathsAreToldAndOpenNoWindow) {
  const std::string path = dir_.Write("plain", "a file, not a folder") + "/out";
  auto lotus = Accept<TLotus>();
  auto excel = Accept<TExcel>();
  auto quattro = Accept<TQPWin>();
  auto mv = Accept<TMerovane>();
  auto ascii = Accept<TASCIIGen>();
  const int commands[] = {kCmReviewSaveLotus, kCmReviewSaveExcel, kCmReviewSaveQuattro, kCmReviewSaveSibling,
                          kCmReviewSaveAscii};
  for (int id : commands) {
    files.Answer(path, 1);
    window->Command(id);
  }
  EXPECT_EQ(WriteFailures(), 5);
  EXPECT_EQ(ResultWindows(), 0);
}

// Every review export of a generated grid past its table's room, with the grid a user
// reported (X 0 .. 10 by 0.05, Y 0 .. 5 by 0.025: 40,401 points): each file is written and
// the user hears how many points of the grid it lacks and where it stops. The files stopped
// at about 16,384 points without a word (Excel told only "1 Row ... Left Out").
TEST_F(SurfaceExportsTest, EveryExportOfAGridPastItsRoomTellsThePointsLeftOutAndWhereItStops) {
  const auto range = [](TExportRangeDlg* d) {
    const char* const texts[] = {"0", "0.05", "10", "0", "0.025", "5"};
    for (int k = 0; k < 6; ++k) d->Edit(576 + k)->setText(texts[k]);
  };
  const auto told = [this](std::size_t from) {
    std::vector<std::string> texts;
    const auto boxes = answers.Boxes();
    for (std::size_t k = from; k < boxes.size(); ++k) texts.push_back(boxes[k].text);
    return texts;
  };
  const std::string lotusStop = "24,017 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 2.55";
  const std::string excelStop = "24,018 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 2.525";
  const std::string wholeX = "23,919 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 5";
  std::vector<std::string> got, want;
  // One export: the range dialog answered by `answer`, the file named, the first box told.
  const auto road = [&](const std::string& name, int command, const std::string& expected, auto answer) {
    const std::size_t from = answers.Boxes().size();
    {
      auto dialog = answer();
      files.Answer(File(name), 1);
      window->Command(command);
    }
    EXPECT_FALSE(ReadBytes(File(name)).empty()) << name;
    const std::vector<std::string> texts = told(from);
    got.push_back(name + ": " + (texts.empty() ? std::string("(nothing)") : texts.front()));
    want.push_back(name + ": " + expected);
  };
  // Lotus WK1 and WK3, generated information and columns; the full worksheet, whose grid
  // starts a row lower.
  for (const int type : {861, 862})
    for (const int kind : {864, 865})
      road(CFormat("lotus%d_%d.wk%d", type, kind, type == 861 ? 1 : 3), kCmReviewSaveLotus, lotusStop,
           [&, type, kind] {
             return Accept<TLotus>([&, type, kind](TLotus* d) {
               range(d), d->Button(type)->setChecked(true), d->Button(kind)->setChecked(true);
             });
           });
  road("lotus_full.wk3", kCmReviewSaveLotus,
       "24,018 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 2.525",
       [&] { return Accept<TLotus>([&](TLotus* d) { range(d), d->Button(863)->setChecked(true); }); });
  for (const int kind : {862, 863})
    road(CFormat("excel_%d.xls", kind), kCmReviewSaveExcel, excelStop,
         [&, kind] { return Accept<TExcel>([&, kind](TExcel* d) { range(d), d->Button(kind)->setChecked(true); }); });
  road("excel_full.xls", kCmReviewSaveExcel,
       "24,019 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 2.5",
       [&] { return Accept<TExcel>([&](TExcel* d) { range(d), d->Button(861)->setChecked(true); }); });
  for (const int kind : {861, 862, 863})
    road(CFormat("quattro_%d.wb1", kind), kCmReviewSaveQuattro, wholeX,
         [&, kind] { return Accept<TQPWin>([&, kind](TQPWin* d) { range(d), d->Button(kind)->setChecked(true); }); });
  for (const int kind : {861, 862, 863})
    road(CFormat("sibling_%d.mv5", kind), kCmReviewSaveSibling, lotusStop,
         [&, kind] { return Accept<TMerovane>([&, kind](TMerovane* d) { range(d), d->Button(kind)->setChecked(true); }); });
  for (const int format : {864, 865})
    road(CFormat("ascii_%d.dat", format), kCmReviewSaveAscii, wholeX, [&, format] {
      return Accept<TASCIIGen>([&, format](TASCIIGen* d) { range(d), d->Button(format)->setChecked(true); });
    });
  EXPECT_EQ(got, want);
  // The matrices hold this grid whole and say nothing.
  const std::size_t from = answers.Boxes().size();
  {
    auto lotus = Accept<TLotus>([&](TLotus* d) { range(d), d->Button(866)->setChecked(true); });
    files.Answer(File("matrix.wk3"), 1);
    window->Command(kCmReviewSaveLotus);
  }
  EXPECT_EQ(told(from), std::vector<std::string>{});
  EXPECT_EQ(WriteFailures(), 0);
}

// A full worksheet of a table as long as the data table holds: an Excel 4 sheet ends at row
// 16,384 (index 16,383), and the last observed points fall past it. The file is written
// without them and the user hears how many rows it lacks; a Lotus sheet, which holds them,
// says nothing. The Excel export wrote the short file without a word.
class LongTableExportsTest : public ReviewExportsFixture {
 protected:
  void Refit(int nx, int ny) {
    window.reset();
    using namespace fit_test;
    review_test::FitInto(session, GridTable(Axis(0, 1, nx), Axis(0, 1, ny), [](long double x, long double y) {
                           return 1 + 2 * x + 3 * y;
                         }),
                         LinearSelection(9, 0, 0));
    Open(false);
    window->MakeRankCurrent(1, review_test::RankOf(session, 1));
  }
  std::vector<std::string> Told(std::size_t from) const {
    std::vector<std::string> texts;
    const auto boxes = answers.Boxes();
    for (std::size_t k = from; k < boxes.size(); ++k) texts.push_back(boxes[k].text);
    return texts;
  }
};

TEST_F(LongTableExportsTest, AnExcelFullWorksheetTellsTheRowsItLeavesOut) {
  const struct {
    int nx, ny;
    std::vector<std::string> excel;
  } cases[] = {
      {129, 127, {"1 Row Beyond the Worksheet's 16,384 Rows Was Left Out of the File"}},   // 16,383 points
      {128, 128, {"2 Rows Beyond the Worksheet's 16,384 Rows Were Left Out of the File"}},  // 16,384 points
      {128, 127, {}},                                                                        // 16,256 points
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nx * c.ny);
    Refit(c.nx, c.ny);
    const std::string xls = File(std::to_string(c.nx * c.ny) + ".xls"), wk3 = File(std::to_string(c.nx * c.ny) + ".wk3");
    std::size_t from = answers.Boxes().size();
    {
      auto excel = Accept<TExcel>([](TExcel* d) { d->Button(861)->setChecked(true); });
      files.Answer(xls, 1);
      window->Command(kCmReviewSaveExcel);
    }
    EXPECT_EQ(Told(from), c.excel);
    from = answers.Boxes().size();
    {
      auto lotus = Accept<TLotus>([](TLotus* d) { d->Button(863)->setChecked(true); });
      files.Answer(wk3, 1);
      window->Command(kCmReviewSaveLotus);
    }
    EXPECT_EQ(Told(from), std::vector<std::string>{});
    EXPECT_FALSE(ReadBytes(xls).empty());
    EXPECT_FALSE(ReadBytes(wk3).empty());
  }
}

}  // namespace
