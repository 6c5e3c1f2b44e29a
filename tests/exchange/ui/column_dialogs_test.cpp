// The column selection dialogs as a user drives them: choosing by clicks, double clicks and
// buttons, the refusals of mixed sheets and repeated columns, the preview and its options,
// and the import road from the open dialog through dialog 4078 for a five-column text file,
// a dBASE table and a LibreOffice workbook.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMimeData>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <memory>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_line.h"
#include "app/ui/command_table.h"
#include "app/ui/data_file_commands.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "app/ui/program.h"
#include "app/ui/text_window.h"
#include "exchange/column_choice.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_registration.h"
#include "exchange/ui/visual_column_dialog.h"
#include "exchange/worksheet_builder.h"
#include "graph3d/preview_surface.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_services.h"
#include "smooth/engines/smoothing_services.h"
#include "support/scratch_files.h"
#include "tools/ui/data_tool_commands.h"
#include "tools/ui/titles_dialog.h"

namespace {

using exchange_test::FixturePath;
using Texts = std::vector<std::string>;

// Five columns: a row number, x, y, a weight and z = 2x - y + 1, under a header line.
std::string FiveColumns(int rows) {
  std::string text = "n east north sd height\n";
  for (int i = 1; i <= rows; ++i) {
    const int x = i % 5, y = i / 5;
    text += std::to_string(i) + " " + std::to_string(x) + " " + std::to_string(y) + " 0.5 " +
            std::to_string(2 * x - y + 1) + "\n";
  }
  return text;
}

class ColumnDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterImportReaders();
    platform::SetMessageBoxService(&boxes_);
  }
  void TearDown() override {
    SetPreviewSurfaceMaker({});
    platform::SetMessageBoxService(nullptr);
  }
  template <class Dialog>
  static QPushButton* Button(Dialog* d, int id) {
    return d->template findChild<QPushButton*>(id < 10 ? "button" + QString::number(id) : QString::number(id));
  }
  template <class Dialog>
  static QString Text(Dialog* d, int id) {
    return d->template findChild<QLabel*>(QString::number(id))->text();
  }
  static void Click(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
  }
  static void DoubleClick(QListWidget* list, int row) {
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> t;
    for (const auto& b : boxes_.Boxes()) t.push_back(b.caption + " / " + b.text);
    return t;
  }
  ScratchDir dir_;
  platform::ScriptedAnswers boxes_;
};

TEST(ColumnEntries, EveryLookupForm) {
  struct Case {
    int kind;
    const char* entry;
    int column, sheet;
  };
  const Case cases[] = {
      {4, "  3 height", 3, 0},   {5, " 12 DEPTH", 12, 0},   {8, "A : x", 0, 0},     {13, "Z :", 25, 0},
      {18, "AB: name", 27, 0},   {11, "HW:", 8 * 26 + 22, 0}, {12, "B!C : v", 2, 1}, {20, "C!AA: w", 26, 2},
      {9, "A!A :", 0, 0},        {15, "  12: Depth", 12, 0}, {21, "9999: t", 9999, 0}, {23, "7 ZVAR [z]", 7, 0},
      {8, "a :", -1, 0},         {12, "BC : v", -1, 0},    {5, "abc", -1, 0},     {1, "  1 x", -1, 0},
  };
  for (const Case& c : cases) {
    const TColumnRef r = ParseColumnEntry(c.kind, c.entry);
    EXPECT_EQ(r.column, c.column) << c.kind << " " << c.entry;
    EXPECT_EQ(r.sheet, c.sheet) << c.kind << " " << c.entry;
  }
}

// A double click on the third-last item of the XYZ list chooses the last three; on the
// second-last it changes nothing.
TEST_F(ColumnDialogs, DoubleClicksChooseThreeNeighbours) {
  const std::string path = dir_.Write("five.txt", FiveColumns(12));
  TImportColumns columns;
  TDlgSelXYZ dialog(nullptr, kSelectXYZTemplate, path, 4, false, columns);
  dialog.show();
  QListWidget* list = dialog.List();
  ASSERT_EQ(list->count(), 5);
  EXPECT_EQ(list->item(0)->text().left(8), "  1 n  1");

  DoubleClick(list, 2);
  EXPECT_EQ((std::array{dialog.Choice().ImportColX, dialog.Choice().ImportColY, dialog.Choice().ImportColZ}),
            (std::array{3, 4, 5}));
  EXPECT_EQ(list->currentRow(), 4);
  EXPECT_EQ(Text(&dialog, 646).left(8), "  5 heig");
  DoubleClick(list, 3);
  EXPECT_EQ((std::array{dialog.Choice().ImportColX, dialog.Choice().ImportColY, dialog.Choice().ImportColZ}),
            (std::array{3, 4, 5}));
  EXPECT_TRUE(dialog.isVisible());  // no double click presses OK here
  EXPECT_EQ(columns.ImportColX, -1);  // nothing is written back before OK
}

// A file deep in its folders keeps the column dialog within the screen: the file's line shows
// the path's start and its file name, the whole path in its tip (the dialog took the path's
// whole width).
TEST_F(ColumnDialogs, ADeepPathIsShortenedToTheDialogsWidth) {
  const std::string path = dir_.Write("five.txt", FiveColumns(12));
  std::string shown = "/data";
  for (int level = 0; level < 7; ++level) shown += "/measurements_of_the_plate_series_" + std::to_string(level);
  shown += "/plate_B_final.txt";
  TImportColumns columns;
  TDlgSelXYZ dialog(nullptr, kSelectXYZTemplate, path, 4, false, columns, shown);
  dialog.show();
  QApplication::processEvents();
  const QLabel* file = dialog.findChild<QLabel*>(QString::number(TDlgSelCol::kPathText));
  ASSERT_NE(file, nullptr);
  EXPECT_LT(dialog.width(), file->fontMetrics().horizontalAdvance(QString::fromStdString(shown)) * 3 / 4);
  EXPECT_EQ(file->toolTip(), QString::fromStdString(shown));
  EXPECT_TRUE(file->text().startsWith("/data/")) << file->text().toStdString();
  EXPECT_TRUE(file->text().endsWith("final.txt")) << file->text().toStdString();
  EXPECT_LE(file->fontMetrics().horizontalAdvance(file->text()), file->width());
}

// Clicks fill X, Y and Z in turn; the buttons set a column whatever was set; OK refuses a
// weight column that repeats Z, then takes the choice.
TEST_F(ColumnDialogs, ClicksButtonsAndRepeatedColumns) {
  const std::string path = dir_.Write("five.txt", FiveColumns(12));
  TImportColumns columns;
  TDlgSelXYZ dialog(nullptr, kSelectXYZTemplate, path, 4, false, columns);
  dialog.show();
  QListWidget* list = dialog.List();
  for (int row : {1, 2, 4}) Click(list, row);
  Click(list, 3);  // all three chosen: a click chooses nothing more
  EXPECT_EQ((std::array{dialog.Choice().ImportColX, dialog.Choice().ImportColY, dialog.Choice().ImportColZ,
                        dialog.Choice().ImportColW}),
            (std::array{2, 3, 5, -1}));
  Click(list, 4);
  Button(&dialog, 651)->click();  // Weights = Z
  EXPECT_EQ(dialog.Choice().ImportColW, 5);
  Button(&dialog, 1)->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(BoxTexts(), (Texts{"Column Selection Error / Selections Must Be Separate Columns"}));
  Click(list, 3);
  Button(&dialog, 651)->click();
  Button(&dialog, 1)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ((std::array{columns.ImportColX, columns.ImportColY, columns.ImportColZ, columns.ImportColW}),
            (std::array{2, 3, 5, 4}));
}

// OK before the columns are chosen says which to choose, not that the choices repeat a column.
TEST_F(ColumnDialogs, OkWithoutChoicesAsksForTheColumns) {
  const std::string path = dir_.Write("five.txt", FiveColumns(12));
  TImportColumns columns;
  TDlgSelXYZ dialog(nullptr, kSelectXYZTemplate, path, 4, false, columns);
  dialog.show();
  Button(&dialog, 1)->click();
  for (int row : {1, 2}) Click(dialog.List(), row);
  Button(&dialog, 1)->click();  // X and Y chosen, Z not yet
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(BoxTexts(), (Texts{"Column Selection Error / Choose the X, Y and Z Columns",
                               "Column Selection Error / Choose the X, Y and Z Columns"}));
  EXPECT_EQ(columns.ImportColX, -1);

  const std::string xy = dir_.Write("xy.txt", "1 10\n2 20\n3 30\n4 40\n5 50\n");
  TDlgSelXY two(nullptr, kSelectXYTemplate, xy, 2, true, columns);
  two.show();
  Button(&two, 1)->click();
  EXPECT_TRUE(two.isVisible());
  EXPECT_EQ(BoxTexts().back(), "Column Selection Error / Choose the X and Y Columns");
}

TEST_F(ColumnDialogs, ColumnsFromTwoSheetsAreRefused) {
  exchange_test::SheetBuilder b;
  b.Wk3Bof();
  for (int sheet = 0; sheet < 2; ++sheet)
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 3; ++c) b.Wk3Number(sheet, c, r, r * c + sheet);
  const std::string path = dir_.Write("two.wk3", b.Take());
  TImportColumns columns;
  TDlgSelXYZ dialog(nullptr, kSelectXYZTemplate, path, 12, false, columns);
  dialog.show();
  ASSERT_EQ(dialog.List()->count(), 6);
  EXPECT_EQ(dialog.List()->item(3)->text(), "B!A :");
  for (int row : {0, 4, 5}) Click(dialog.List(), row);
  Button(&dialog, 1)->click();
  EXPECT_EQ(BoxTexts(), (Texts{"Column Selection Error / Selections Must Be From a Single Page"}));
  Click(dialog.List(), 3);
  Button(&dialog, 648)->click();
  Button(&dialog, 1)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ((std::array{columns.ImportSheetX, columns.ImportColX, columns.ImportColY, columns.ImportColZ}),
            (std::array{1, 0, 1, 2}));
}

// The two-column dialog (4035) lists a two-column text file, chooses by clicks and presses
// OK on a double click; X and Y must differ.
TEST_F(ColumnDialogs, TwoColumnDialogOfTheTwoColumnRead) {
  const std::string path = dir_.Write("xy.txt", "1 10\n2 20\n3 30\n4 40\n5 50\n");
  TImportColumns columns;
  auto* dialog = new TDlgSelXY(nullptr, kSelectXYTemplate, path, 2, true, columns);
  dialog->show();
  EXPECT_EQ(dialog->windowTitle(), "Select X and Y Columns");
  EXPECT_EQ(Button(dialog, 648)->text(), "&X Values");
  ASSERT_EQ(dialog->List()->count(), 2);
  Click(dialog->List(), 1);
  Button(dialog, 649)->click();  // Y = the same column
  Button(dialog, 1)->click();
  EXPECT_EQ(BoxTexts(), (Texts{"Column Selection Error / Selections Must Be Separate Columns"}));
  Click(dialog->List(), 0);
  Button(dialog, 648)->click();
  DoubleClick(dialog->List(), 1);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ((std::array{columns.ImportColX, columns.ImportColY}), (std::array{1, 2}));
  delete dialog;

  // Without the two-column flag such a file offers nothing to choose.
  TDlgSelXY plain(nullptr, kSelectXYTemplate, path, 2, false, columns);
  plain.show();
  EXPECT_EQ(plain.List()->count(), 0);
}

// The preview: built when X, Y and Z form a valid choice, drawn off the screen, kept while
// the columns stay; turning it off and on builds it again. The smoothing subsystem's surface
// passes through the points (here on a plane), and is left out where they lie on a line.
TEST_F(ColumnDialogs, PreviewOffAndOnRebuildsIt) {
  int surfaces = 0;
  SetPreviewSurfaceMaker([&surfaces](std::span<const TXYZPoint> table) {
    ++surfaces;
    return MakeTriangulationPreview(table);
  });
  const std::string path = dir_.Write("five.txt", FiveColumns(20));
  int previewOn = 1, sd = 0;
  TImportColumns columns;
  TDlgVisSelXYZ dialog(nullptr, path, 4, &previewOn, &sd, columns);
  dialog.resize(900, 420);
  dialog.show();
  EXPECT_EQ(dialog.findChild<QCheckBox*>("653")->isChecked(), true);
  for (int row : {1, 2, 4}) Click(dialog.List(), row);
  ASSERT_EQ(dialog.PreviewBuilds(), 1);
  ASSERT_EQ(PointCount(dialog.PreviewTable()), 20);
  ASSERT_TRUE(dialog.PreviewHasSurface());
  EXPECT_EQ(surfaces, 1);
  // Through the points exactly; between them as near the plane as the engine's estimated
  // gradients let it be.
  EXPECT_EQ(dialog.PreviewSetup().SurfaceFn(2, 3), 2 * 2 - 3 + 1);
  EXPECT_NEAR(static_cast<double>(dialog.PreviewSetup().SurfaceFn(1.5L, 2.25L)), 2 * 1.5 - 2.25 + 1, 1e-4);
  EXPECT_EQ(Text(&dialog, 387), "20 pts");
  // Sorted by x, then y; z from the file.
  const TXYZPoint& first = dialog.PreviewTable()[1];
  EXPECT_EQ((std::array{first.X, first.Y, first.Z}), (std::array{0.0L, 1.0L, 0.0L}));
  QWidget* pane = dialog.findChild<QWidget*>("381");
  const QImage shot = pane->grab().toImage();
  EXPECT_GE(dialog.PreviewDraws(), 1);
  int coloured = 0;
  for (int y = 0; y < shot.height(); y += 2)
    for (int x = 0; x < shot.width(); x += 2) coloured += shot.pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_GT(coloured, 200);

  Click(dialog.List(), 1);
  Button(&dialog, 648)->click();  // the same X again: the same preview
  EXPECT_EQ(dialog.PreviewBuilds(), 1);
  dialog.findChild<QCheckBox*>("653")->click();
  EXPECT_TRUE(dialog.PreviewTable().empty());
  EXPECT_EQ(Text(&dialog, 387), "");
  dialog.findChild<QCheckBox*>("653")->click();
  EXPECT_EQ(dialog.PreviewBuilds(), 2);
  EXPECT_EQ(PointCount(dialog.PreviewTable()), 20);

  EXPECT_EQ(surfaces, 2);
  // Points on one line get no surface: every y of the sd column is 0.5.
  Click(dialog.List(), 3);
  Button(&dialog, 649)->click();
  EXPECT_EQ(dialog.PreviewBuilds(), 3);
  EXPECT_EQ(PointCount(dialog.PreviewTable()), 20);
  EXPECT_FALSE(dialog.PreviewHasSurface());
  Click(dialog.List(), 1);
  Button(&dialog, 649)->click();  // Y = X: refused choice, no preview
  EXPECT_TRUE(dialog.PreviewTable().empty());

  dialog.findChild<QCheckBox*>("652")->click();
  dialog.findChild<QCheckBox*>("653")->click();
  Click(dialog.List(), 2);
  Button(&dialog, 649)->click();
  Button(&dialog, 1)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ((std::array{previewOn, sd}), (std::array{0, 1}));
}

TEST_F(ColumnDialogs, PreviewOfALibreOfficeWorkbook) {
  const std::string path = FixturePath("libreoffice_book.xls").string();
  int previewOn = 1, sd = 0;
  TImportColumns columns;
  TDlgVisSelXYZ dialog(nullptr, path, 20, &previewOn, &sd, columns);
  dialog.show();
  ASSERT_EQ(dialog.List()->count(), 5);
  EXPECT_EQ(Text(&dialog, 642), "Excel XLS OLE");
  DoubleClick(dialog.List(), 0);
  EXPECT_EQ((std::array{dialog.Choice().ImportSheetX, dialog.Choice().ImportColX, dialog.Choice().ImportColZ}),
            (std::array{1, 0, 2}));
  // The formula error leaves a hole in Z: its row gives no point, and every other row its
  // own X, Y and Z.
  EXPECT_EQ(PointCount(dialog.PreviewTable()), 9);
  EXPECT_EQ(Text(&dialog, 387), "9 pts");
  std::vector<std::array<long double, 3>> points;
  for (const TXYZPoint& p : PointsOf(dialog.PreviewTable())) points.push_back({p.X, p.Y, p.Z});
  EXPECT_EQ(points, (std::vector<std::array<long double, 3>>{{1.5L, 2, 3.25L}, {4, 5, 6}, {7, 8, 9}, {13, 14, 15},
                                                              {16, 17, 18}, {19, 20, 21}, {22, 23, 24}, {25, 26, 27},
                                                              {28, 29, 85}}));
  EXPECT_FALSE(dialog.PreviewHasSurface());  // no smoothing engine installed
}

// gnumeric's files of six rows whose Z column holds an empty and a text cell: the preview
// shows the four rows the import reads, each with its own values.
TEST_F(ColumnDialogs, PreviewPairsTheColumnsByRow) {
  using Point3 = std::array<long double, 3>;
  for (const char* file : {"gnumeric_biff8.xls", "gnumeric_points.dif"}) {
    int previewOn = 1, sd = 0;
    TImportColumns columns;
    const std::string path = FixturePath(file).string();
    std::string detected = path;
    TDlgVisSelXYZ dialog(nullptr, path, ImportReaders().Detect(detected), &previewOn, &sd, columns);
    dialog.show();
    DoubleClick(dialog.List(), 0);  // x, y, z
    EXPECT_EQ(Text(&dialog, 387), "4 pts") << file;
    std::vector<Point3> points;
    for (const TXYZPoint& p : PointsOf(dialog.PreviewTable()))
      points.push_back({p.X, p.Y, static_cast<long double>(static_cast<double>(p.Z))});
    EXPECT_EQ(points, (std::vector<Point3>{{-1500, 11, 12}, {0.25L, -3, 0.01}, {1, 2, 3.5L}, {100, 200, 300}}))
        << file;
    // The import of the same columns reads the same points.
    const std::vector<long double> xs = {points[0][0], points[1][0], points[2][0], points[3][0]};
    TReadArgs args;
    args.path = path, args.colX = 0, args.colY = 1, args.colZ = 2;
    const TReadResult read = ImportReaders().Read[static_cast<std::size_t>(ImportReaders().Detect(detected))](args);
    ASSERT_EQ(read.points.size(), 4u) << file;
    for (const TXYZPoint& p : read.points) EXPECT_NE(std::find(xs.begin(), xs.end(), p.X), xs.end()) << file;
  }
}

// A user imports from the open dialog: a five-column text file, a dBASE table and an Excel
// workbook, each through dialog 4078 and the titles dialog.
class ImportRoad : public ColumnDialogs {
 protected:
  void SetUp() override {
    ColumnDialogs::SetUp();
    RegisterDataFileCommands(session_);
    RegisterDataToolCommands(session_);
    RegisterColumnDialogs();
    setenv("ONDRAVIK_HOME", dir_.Path().c_str(), 1);
    platform::qt::InstallQtServices();
    platform::SetMessageBoxService(&boxes_);
    platform::SetFileDialogService(&files_);
    ApplyCommandLine({});
    window_ = std::make_unique<QVRK>(session_);
    window_->SetupWindow();
  }
  void TearDown() override {
    window_.reset();
    for (const CommandInfo& c : CommandTable()) UnregisterCommand(c.id);
    ForgetShellSteps();
    platform::qt::UninstallQtServices();
    ImportReaders().ChooseColumns = nullptr;
    ImportReaders().ChooseXYColumns = nullptr;
    ColumnDialogs::TearDown();
  }
  // Opens the file through the open dialog; `choose` acts in the column dialog.
  void Import(const std::string& path, std::function<void(TDlgVisSelXYZ*)> choose) {
    files_.Answer(path);
    ModalAnswer<TDlgVisSelXYZ> columns(std::move(choose));
    ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
    window_->ExecuteCommand(CmImport);
    EXPECT_EQ(columns.Seen(), 1);
  }
  TDataSession session_;
  platform::ScriptedFiles files_;
  std::unique_ptr<QVRK> window_;
};

TEST_F(ImportRoad, FiveColumnTextDbaseAndWorkbook) {
  Import(dir_.Write("five.txt", FiveColumns(15)), [](TDlgVisSelXYZ* d) {
    EXPECT_EQ(Text(d, 642), "ASCII Multi-Column");
    DoubleClick(d->List(), 1);  // east, north, sd
    Click(d->List(), 4);
    Button(d, 650)->click();  // Z = height
    Click(d->List(), 3);
    Button(d, 651)->click();  // weights = sd
    d->findChild<QCheckBox*>("652")->click();  // standard deviations
    Button(d, 1)->click();
  });
  ASSERT_EQ(session_.Table.XYZRows(), 15);
  // Every row came in with z = 2x - y + 1 and W = 1 / 0.5^2 (the table is sorted by now).
  for (int i = 1; i <= 15; ++i) {
    const TXYZPoint& p = session_.Table.XYZData()[static_cast<std::size_t>(i)];
    EXPECT_EQ(p.Z, 2 * p.X - p.Y + 1);
    EXPECT_EQ(p.W, 4);
  }
  EXPECT_EQ(session_.DataTitles().ZName, "height");

  Import(FixturePath("libreoffice_points.dbf").string(), [](TDlgVisSelXYZ* d) {
    EXPECT_EQ(Text(d, 642), "dBASE III+/ IV");
    ASSERT_EQ(d->List()->count(), 4);
    DoubleClick(d->List(), 0);  // X, Y, Z
    Button(d, 1)->click();
  });
  EXPECT_EQ(session_.Table.XYZRows(), 5);
  EXPECT_EQ(session_.DataTitles().ZName, "Z");

  Import(FixturePath("libreoffice_book.xls").string(), [](TDlgVisSelXYZ* d) {
    DoubleClick(d->List(), 0);
    Click(d->List(), 3);
    Button(d, 651)->click();
    Button(d, 1)->click();
  });
  EXPECT_EQ(session_.Table.XYZRows(), 9);
  EXPECT_EQ(session_.DataTitles().Title, "Trial 4");
  EXPECT_EQ(session_.Table.XYZData()[5].Status, '*');  // the negative weight
  // Row 6 of the book divides by zero in Z: no point, and the user is told (it was passed
  // over without a word).
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "Rows Skipped Because a Chosen Column Held Text or Nothing: 1");

  // Cancel in the dialog leaves the table as it was.
  Import(FixturePath("gnumeric_biff8.xls").string(), [](TDlgVisSelXYZ* d) { Button(d, 2)->click(); });
  EXPECT_EQ(session_.Table.XYZRows(), 9);
}

// A worksheet pasted from the clipboard is read from a temporary file; the user knows it as
// the clipboard's, in the column dialog, the titles dialog and any read error, and it never
// enters the recent files.
TEST_F(ImportRoad, ClipboardWorksheetIsShownAsTheClipboard) {
  Import(dir_.Write("five.txt", FiveColumns(12)), [](TDlgVisSelXYZ* d) {
    DoubleClick(d->List(), 1);
    Button(d, 1)->click();
  });
  ASSERT_EQ(session_.Table.XYZRows(), 12);
  window_->ExecuteCommand(CmCopyData);
  const QByteArray wk3 = QApplication::clipboard()->mimeData()->data(kMimeWk3);
  ASSERT_FALSE(wk3.isEmpty());
  const std::vector<std::string> recentBefore(CurrentSettings().recentFiles.begin(),
                                              CurrentSettings().recentFiles.end());
  QString shownPath, shownKind, titlesSource;
  {
    ModalAnswer<TDlgVisSelXYZ> columns([&](TDlgVisSelXYZ* d) {
      shownPath = Text(d, 641), shownKind = Text(d, 642);
      DoubleClick(d->List(), 0);
      Button(d, 1)->click();
    });
    ModalAnswer<TTitlesDlg> titles([&](TTitlesDlg* d) {
      titlesSource = d->Static(667)->text();
      d->accept();
    });
    window_->ExecuteCommand(CmImportClipboard);
    EXPECT_EQ(columns.Seen(), 1);
    EXPECT_EQ(titles.Seen(), 1);
  }
  EXPECT_EQ(shownPath.toStdString(), "Clipboard");
  EXPECT_EQ(shownKind.toStdString(), ImportKindName(kImportKindWK3));
  EXPECT_EQ(titlesSource.toStdString(), "Clipboard");
  EXPECT_EQ(session_.Table.XYZRows(), 12);
  EXPECT_EQ(session_.DataFileLabel, "Clipboard");

  // A worksheet cut short: the refusal is captioned with the clipboard, not the file.
  auto* cut = new QMimeData;
  cut->setData(kMimeWk3, wk3.left(40));
  QApplication::clipboard()->setMimeData(cut);
  session_.DataUnsaved = 0;  // no question to keep the pasted data
  const std::size_t boxesBefore = boxes_.Boxes().size();
  {
    ModalAnswer<TDlgVisSelXYZ> columns([](TDlgVisSelXYZ* d) { Button(d, 2)->click(); });
    window_->ExecuteCommand(CmImportClipboard);
  }
  const std::vector<platform::BoxRequest> boxes = boxes_.Boxes();
  ASSERT_GT(boxes.size(), boxesBefore);
  for (std::size_t i = boxesBefore; i < boxes.size(); ++i) {
    const platform::BoxRequest& b = boxes[i];
    EXPECT_EQ(b.caption, "Clipboard") << b.text;
    EXPECT_EQ(b.text.find("CLIPBRD"), std::string::npos) << b.text;
  }
  EXPECT_EQ(std::vector<std::string>(CurrentSettings().recentFiles.begin(), CurrentSettings().recentFiles.end()),
            recentBefore);
}

}  // namespace
