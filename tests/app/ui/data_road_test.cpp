// The data road as a user walks it: a file named on the command line, the titles dialog,
// the status window, Save As, append, the clipboard, dropped files, exit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <filesystem>

#include "app/data_files.h"
#include "app/data_statistics.h"
#include "app/data_session.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_line.h"
#include "app/ui/command_table.h"
#include "app/ui/data_file_commands.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "app/ui/small_controls.h"
#include "app/ui/program.h"
#include "app/ui/text_window.h"
#include "exchange/import_registration.h"
#include "modal_answers.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_services.h"
#include "tools/ui/data_tool_commands.h"
#include "support/scratch_files.h"
#include "tools/ui/titles_dialog.h"

namespace {

namespace fs = std::filesystem;

std::string Points(int n, int offset = 0) {
  std::string text;
  for (int i = 1; i <= n; ++i)
    text += std::to_string(i + offset) + " " + std::to_string((i * 7) % 11) + " " + std::to_string(i * i) + "\n";
  return text;
}

class DataRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterImportReaders();
    RegisterDataFileCommands(session_);
    RegisterDataToolCommands(session_);
    setenv("ONDRAVIK_HOME", home_.Path().c_str(), 1);
    platform::qt::InstallQtServices();
    platform::SetMessageBoxService(&boxes_);
    platform::SetFileDialogService(&files_);
    SecondInstance = 0;
    OpenDialogCount = 0;
    Exiting = 0;
    ApplyCommandLine({});
  }
  void TearDown() override {
    window_.reset();
    // The other tests of this program expect commands without handlers.
    for (const CommandInfo& c : CommandTable()) UnregisterCommand(c.id);
    ForgetShellSteps();
    platform::qt::UninstallQtServices();
  }
  std::string Write(const std::string& name, const std::string& text) { return home_.Write(name, text); }
  // Runs a command that may read data, accepting the titles dialog it opens.
  void Run(int command) {
    ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
    window_->ExecuteCommand(command);
  }
  // Imports a file through the open dialog.
  void Import(const std::string& name, const std::string& text, int command = CmImport) {
    files_.Answer(Write(name, text));
    Run(command);
  }
  void Start() {
    window_ = std::make_unique<QVRK>(session_);
    window_->SetupWindow();
    QApplication::processEvents();
  }
  // Runs the event loop a little, for posted commands and the modal dialogs they open.
  static void Pump(int ms = 50) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  }
  TDataSession session_;
  ScratchDir home_;
  platform::ScriptedAnswers boxes_;
  platform::ScriptedFiles files_;
  std::unique_ptr<QVRK> window_;
};

TEST_F(DataRoad, NewUserOpensAFileOnTheCommandLineSavesItAndQuits) {
  const std::string path = Write("Ridge.txt", "\"Ridge\"\nTemperature\nPressure\nYield\n" + Points(20));
  ApplyCommandLine({path});
  ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) {
    EXPECT_EQ(d->Edit(661)->text(), "Ridge");
    EXPECT_EQ(d->Edit(662)->text(), "Temperature");
    EXPECT_EQ(d->Static(666)->text(), "20");
    EXPECT_TRUE(d->PreviousButton()->isEnabled());
    d->Edit(664)->setText("Yield [%]");
    d->accept();
  });
  Start();
  Pump();
  ASSERT_EQ(titles.Seen(), 1);
  // A first run without help installed: the file's dialog is the only window that opened.
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_EQ(session_.Table.XYZRows(), 20);
  EXPECT_EQ(session_.DataTitles().ZName, "Yield [%]");
  EXPECT_EQ(window_->HaveData, 1);
  EXPECT_TRUE(window_->IsCommandEnabled(CmSaveAs));
  ASSERT_NE(DataStatusWin(), nullptr);
  EXPECT_EQ(DataStatusWin()->windowTitle(), "Ridge");
  QStringList fields;
  for (int id : {307, 310, 311, 312}) fields << DataStatusWin()->Field(id)->text();
  fields << DataStatusWin()->Field(309)->toolTip();  // the whole path (the field may elide it)
  EXPECT_EQ(fields, (QStringList{"20   ", "Temperature", "1", "20", QString::fromStdString(path)}));
  EXPECT_EQ(CurrentSettings().recentFiles[0], path);  // its case kept

  const std::string saved = home_.File("Saved.PRN");
  files_.Answer(saved);
  window_->ExecuteCommand(CmSaveAs);
  ASSERT_TRUE(fs::exists(saved));
  // The quoted titles with their line ends, then 75 bytes a point.
  EXPECT_EQ(fs::file_size(saved), (5u + 4u) + (11u + 4u) + (8u + 4u) + (9u + 4u) + 20u * 75u);
  EXPECT_EQ(session_.DataUnsaved, 0);
  EXPECT_EQ(CurrentSettings().recentFiles[0], saved);
  EXPECT_NE(DataStatusWin(), nullptr);  // shown again after the save
  const auto boxesBefore = boxes_.Boxes().size();
  window_->close();
  // The data were saved: no question on the way out.
  EXPECT_EQ(boxes_.Boxes().size(), boxesBefore);
}

// Titles that carry codes show in the status window as the graph draws them: its caption
// showed "Plate ~@a~@" and the X name "~@q~@ [deg]".
TEST_F(DataRoad, TheStatusWindowShowsCodedTitlesAsDrawn) {
  Start();
  Import("plate.txt", "\"Plate ~@a~@ ~~5\"\n~@q~@ [deg]\nx~`1~`\nYield ~^2~^\n" + Points(12));
  ASSERT_NE(DataStatusWin(), nullptr);
  EXPECT_EQ(DataStatusWin()->windowTitle(), QString::fromUtf8("Plate \u03B1 ~5"));
  EXPECT_EQ(DataStatusWin()->Field(310)->text(), QString::fromUtf8("\u03B8 [deg]"));
  EXPECT_EQ(DataStatusWin()->Field(317)->text(), "x1");
  EXPECT_EQ(DataStatusWin()->Field(324)->text(), "Yield ^2");
  // The titles themselves keep their codes.
  EXPECT_EQ(session_.DataTitles().Title, "Plate ~@a~@ ~~5");
}

// Every weight 0: the status window shows the extremes of the points (x spans 1 .. 12) and
// "n/a" for the mean and deviation the weights do not give; it showed Min 0, Max 0, Mean 0.
TEST_F(DataRoad, TheStatusWindowShowsFiguresWithoutWeightsAsNotAvailable) {
  Start();
  Import("w.txt", Points(12));
  auto data = session_.Table.XYZData();
  for (int i = 1; i <= session_.Table.XYZRows(); ++i) data[static_cast<std::size_t>(i)].W = 0;
  PrescanData(session_);
  window_->ExecuteCommand(CmShowDataStatus);
  TDlgStat* status = DataStatusWin();
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->Field(308)->text().trimmed(), "12");
  const std::pair<int, const char*> shown[] = {{311, "1"},   {312, "12"},  {313, "11"},  {315, "n/a"},
                                               {316, "n/a"}, {325, "1"},   {326, "144"}, {329, "n/a"}};
  for (const auto& [id, text] : shown) EXPECT_EQ(status->Field(id)->text(), text) << id;
}

// A file named on the command line relative to the folder the program starts in is read
// and kept in the recent files by its whole path, which opens it again from another folder
// (the recent file "Rel.txt" named whatever Rel.txt the next start's folder held).
TEST_F(DataRoad, AFileNamedRelativeToTheStartFolderIsKeptByItsWholePath) {
  const std::string path = Write("Rel.txt", "\"Rel\"\nA\nB\nC\n" + Points(10));
  const fs::path folder = fs::current_path();
  fs::current_path(home_.Path());
  ApplyCommandLine({"./Rel.txt"});
  fs::current_path(folder);
  EXPECT_EQ(StartupDataFile, path);
  ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
  Start();
  Pump();
  EXPECT_EQ(session_.Table.XYZRows(), 10);
  EXPECT_EQ(CurrentSettings().recentFiles[0], path);
  EXPECT_TRUE(boxes_.Boxes().empty());
  ApplyCommandLine({});
}

// A file whose name is not ASCII is named as it is in the titles dialog, the status window
// and after a save: both showed the bytes of its UTF-8 name ("MÃ¼ller.txt").
TEST_F(DataRoad, AFileNameThatIsNotAsciiShowsAsItIs) {
  Start();
  const std::string path = Write("M\xC3\xBCller.txt", "\"Ridge\"\nA\nB\nC\n" + Points(10));
  files_.Answer(path);
  QString source;
  ModalAnswer<TTitlesDlg> titles([&source](TTitlesDlg* d) {
    source = d->Static(667)->toolTip();  // the whole path (the field may shorten it)
    d->accept();
  });
  window_->ExecuteCommand(CmImport);
  ASSERT_EQ(titles.Seen(), 1);
  EXPECT_EQ(source.toStdString(), path);
  ASSERT_NE(DataStatusWin(), nullptr);
  EXPECT_EQ(DataStatusWin()->Field(309)->toolTip(), QString::fromUtf8(path));
  const std::string saved = home_.File("\xC3\x84pfel.prn");
  files_.Answer(saved);
  window_->ExecuteCommand(CmSaveAs);
  ASSERT_TRUE(fs::exists(saved));
  ASSERT_NE(DataStatusWin(), nullptr);
  EXPECT_EQ(DataStatusWin()->Field(309)->toolTip(), QString::fromUtf8(saved));
  // The recent files keep the path itself, which opens the file.
  EXPECT_EQ(CurrentSettings().recentFiles[0], saved);
}

// A data file deep in its folders keeps the status window within the screen: the field shows
// the path's start and its file name, the whole path in its tip (the window grew to 1782
// pixels on a screen of 1280, the graph beyond its edge).
TEST_F(DataRoad, ALongPathKeepsTheStatusWindowWithinTheScreen) {
  Start();
  Import("a.dat", Points(10));
  std::string path = "/data";
  for (int level = 0; level < 12; ++level) path += "/measurements_of_the_plate_series_" + std::to_string(level);
  path += "/plate_B_final.prn";
  session_.DataFileLabel = path;
  ShowDataStatus();
  TDlgStat* status = DataStatusWin();
  ASSERT_NE(status, nullptr);
  QApplication::processEvents();
  EXPECT_LE(status->frameGeometry().width(), status->screen()->availableGeometry().width());
  const QLabel* file = status->Field(TDlgStat::kFileField);
  EXPECT_EQ(file->toolTip(), QString::fromStdString(path));
  EXPECT_TRUE(file->text().startsWith("/data/")) << file->text().toStdString();
  EXPECT_TRUE(file->text().endsWith("final.prn")) << file->text().toStdString();
  EXPECT_LE(file->fontMetrics().horizontalAdvance(file->text()), file->width());
}

// A name typed without an extension is saved in the type left chosen, under its extension.
TEST_F(DataRoad, SaveAsGivesABareNameTheChosenTypesExtensionAndFormat) {
  Start();
  Import("a.dat", Points(10));
  const struct {
    int filter;
    const char* file;
    std::string start;
  } cases[] = {{1, "Bare.PRN", "\"/"}, {4, "Bare.wk1", std::string("\0\0\2\0\6\4", 6)},
               {5, "Bare.wk3", std::string("\0\0\x1a\0", 4)}, {6, "Bare.sav", "$FL2@(#) "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    files_.Answer(home_.File("Bare"), c.filter);
    window_->ExecuteCommand(CmSaveAs);
    ASSERT_TRUE(fs::exists(home_.File(c.file)));
    EXPECT_EQ(ReadText(home_.File(c.file)).substr(0, c.start.size()), c.start);
  }
}

// A table saved as a statistics-package file opens again without the column dialog, with
// its inactive points and titles.
TEST_F(DataRoad, SavedSavFileOpensAgainAsTheProgramsOwn) {
  Start();
  Import("a.dat", "\"Survey\"\n\"East\"\n\"North\"\n\"Depth\"\n" + Points(6) + "7 8 9 *\n");
  ASSERT_EQ(session_.Table.XYZRows(), 7);
  const std::string saved = home_.File("survey.sav");
  files_.Answer(saved);
  window_->ExecuteCommand(CmSaveAs);
  ASSERT_TRUE(fs::exists(saved));
  EXPECT_EQ(session_.DataUnsaved, 0);
  const PointTable before(session_.Table.XYZData().begin(), session_.Table.XYZData().begin() + 8);
  files_.Answer(saved);
  Run(CmImport);
  EXPECT_EQ(session_.ImportFileKind, 24);
  ASSERT_EQ(session_.Table.XYZRows(), 7);
  for (int i = 1; i <= 7; ++i) {
    const TXYZPoint& p = session_.Table.XYZData()[static_cast<std::size_t>(i)];
    EXPECT_EQ(p.X, before[static_cast<std::size_t>(i)].X) << i;
    EXPECT_EQ(p.Z, before[static_cast<std::size_t>(i)].Z) << i;
    EXPECT_EQ(p.Status, before[static_cast<std::size_t>(i)].Status) << i;
  }
  EXPECT_EQ(session_.Table.XYZData()[7].Status, kPointInactive);
  EXPECT_EQ(session_.DataTitles().Title, "Survey");
  EXPECT_EQ(session_.DataTitles().ZName, "Depth");
}

TEST_F(DataRoad, AppendMarksUnsavedAndExitAsksToSave) {
  Start();
  Import("a.dat", Points(10));
  EXPECT_EQ(session_.Table.XYZRows(), 10);
  EXPECT_EQ(session_.DataUnsaved, 0);
  Import("b.dat", Points(5, 100), CmAppend);
  EXPECT_EQ(session_.Table.XYZRows(), 15);
  const auto t = session_.Table.XYZData();  // rows 11 onwards hold the appended points
  EXPECT_EQ((std::vector<long double>{t[10].X, t[11].X, t[15].X}), (std::vector<long double>{10, 101, 105}));
  EXPECT_EQ(session_.DataUnsaved, 1);
  // A recent file opened now appends too.
  Run(CmRecentFile1 + 1);  // a.dat
  EXPECT_EQ(session_.Table.XYZRows(), 25);
  boxes_.Answer(platform::kIdNo);
  window_->close();
  const auto boxes = boxes_.Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().text, "Save Current Data?");
}

// Exit with unsaved data, Yes to saving, then Cancel in the file dialog or a save that
// fails: the program stays, with the data as they were. No to saving lets it go.
TEST_F(DataRoad, ExitWhoseSaveIsCancelledOrFailsKeepsTheProgramAndTheData) {
  Start();
  Import("a.dat", Points(10));
  Import("b.dat", Points(5, 100), CmAppend);
  ASSERT_EQ(session_.DataUnsaved, 1);
  const std::vector<TXYZPoint> before(session_.Table.XYZData().begin(), session_.Table.XYZData().begin() + 16);
  // A file stands where the file's folder should be.
  const std::string unwritable = home_.Write("folder", "x") + "/data.prn";
  for (const std::optional<std::string>& answer : {std::optional<std::string>(), std::optional(unwritable)}) {
    boxes_.Answer(platform::kIdYes);
    files_.Answer(answer);
    if (answer) files_.Answer(std::nullopt);  // the dialog comes again for another place
    window_->ExecuteCommand(CmExit);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(Exiting.load(), 0);
    EXPECT_EQ(session_.DataUnsaved, 1);
    EXPECT_EQ(session_.Table.XYZRows(), 15);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), session_.Table.XYZData().begin(),
                           [](const TXYZPoint& a, const TXYZPoint& b) { return a.X == b.X && a.Z == b.Z; }));
    EXPECT_NE(DataStatusWin(), nullptr);
  }
  boxes_.Answer(platform::kIdNo);
  window_->ExecuteCommand(CmExit);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(Exiting.load(), 1);
}

// Save As where no file can be written (a file stands where its folder should be): "Unable
// to Save" shows alone, the busy window "Saving Data..." gone first (it stood under the
// box), and the dialog comes again.
TEST_F(DataRoad, AFailedSaveIsToldWithNoBusyWindowBesideTheBox) {
  Start();
  Import("a.dat", Points(10));
  WorkBesideBoxes beside(boxes_);
  const std::size_t before = boxes_.Boxes().size();
  files_.Answer(home_.Write("folder", "x") + "/data.prn", 1);
  files_.Answer(std::nullopt);  // the dialog again: cancelled
  window_->ExecuteCommand(CmSaveAs);
  ASSERT_EQ(boxes_.Boxes().size(), before + 1);
  EXPECT_EQ(boxes_.Boxes().back().text.substr(0, 23), "Unable to Save XYZ Data");
  EXPECT_EQ(files_.Requests().size(), 3u);  // the import's, the save's and the save's again
  EXPECT_EQ(beside.Beside(), std::vector<std::string>{});
  EXPECT_FALSE(platform::CurrentBusyState().shown);
}

TEST_F(DataRoad, FailedReadKeepsTheTableAndItsStatusWindow) {
  Start();
  Import("good.txt", Points(8));
  Import("short.txt", Points(3));
  EXPECT_EQ(session_.Table.XYZRows(), 8);
  EXPECT_NE(DataStatusWin(), nullptr);
  EXPECT_EQ(boxes_.Boxes().back().text, "Number of Points Read 3\nMin 4 XYZ Points Required");
  EXPECT_NE(CurrentSettings().recentFiles[0], home_.File("short.txt"));
}

TEST_F(DataRoad, CopyThenPasteGivesTheSameTableAndCountsAsUnsaved) {
  Start();
  Import("c.txt", "\"Copy\"\nx\ny\nz\n" + Points(6));
  const PointTable before = session_.Table.DupDataTable();
  window_->ExecuteCommand(CmCopyData);
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  // Header, the labels "Copy", x, y and z, 18 numbers and the end.
  EXPECT_EQ(data->data(kMimeWk1).size(), 1380 + (4 + 11) + 3 * 12 + 6 * 3 * 17 + 4);
  EXPECT_EQ(data->data(kMimeWk3).size(), 390 + (4 + 10) + 3 * 11 + 6 * 3 * 18 + 43);
  EXPECT_TRUE(data->text().startsWith("\"Copy\"\r\n\"x\"\r\n"));
  Run(CmImportClipboard);
  EXPECT_EQ(session_.Table.XYZRows(), 6);
  const PointTable after = session_.Table.DupDataTable();
  for (std::size_t i = 1; i <= 6; ++i)
    EXPECT_EQ(std::tie(after[i].X, after[i].Y, after[i].Z), std::tie(before[i].X, before[i].Y, before[i].Z)) << i;
  EXPECT_EQ(session_.DataUnsaved, 1);
  EXPECT_EQ(session_.DataTitles().Title, "Copy");
}

// Data pasted without a title are known as the clipboard's, not by the temporary file the
// import reads them from.
TEST_F(DataRoad, ClipboardDataAreNamedClipboard) {
  Start();
  QApplication::clipboard()->setText(QString::fromStdString(Points(6)));
  Run(CmImportClipboard);
  ASSERT_EQ(session_.Table.XYZRows(), 6);
  EXPECT_EQ(session_.DataFileLabel, "Clipboard");
  EXPECT_EQ(session_.DataTitles().Title, "Clipboard");
  ASSERT_NE(DataStatusWin(), nullptr);
  EXPECT_EQ(DataStatusWin()->windowTitle(), "Clipboard");
  EXPECT_EQ(DataStatusWin()->Field(309)->text(), "Clipboard");
}

TEST_F(DataRoad, DroppedFilesOpenTheLastAndStandInTheRecentListInReverse) {
  Start();
  ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
  const std::string a = Write("A.txt", Points(4)), b = Write("B.txt", Points(5)),
                    c = Write("C.txt", Points(6));
  EvDropFiles(session_, {a, b, c});
  EXPECT_EQ(session_.Table.XYZRows(), 6);
  const auto& r = CurrentSettings().recentFiles;
  EXPECT_EQ((std::vector<std::string>(r.begin(), r.begin() + 3)), (std::vector<std::string>{c, b, a}));
  EXPECT_EQ(window_->RecentCount, 3);
  EXPECT_EQ(window_->Action(CmRecentFile1)->text().toStdString(), "&1 " + c);
}

TEST_F(DataRoad, DigitalFilterDialogCancelPutsTheDefaultsBack) {
  Start();
  CurrentSettings().FilterStep = 7;
  files_.Answer(Write("f.txt", Points(30)));
  {
    ModalAnswer<TDlgDigitalFilter> filter([](TDlgDigitalFilter* d) {
      EXPECT_EQ(d->StepEdit()->text(), "7");
      d->reject();
    });
    window_->ExecuteCommand(CmImportFilter);
    EXPECT_EQ(filter.Seen(), 1);
  }
  EXPECT_EQ(CurrentSettings().FilterStep, 2);
  EXPECT_EQ(CurrentSettings().FilterStart, 1);
  EXPECT_EQ(session_.Table.XYZRows(), 0);

  ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
  files_.Answer(Write("f.txt", Points(30)));
  ModalAnswer<TDlgDigitalFilter> filter2([](TDlgDigitalFilter* d) {
    d->StepEdit()->setText("3");
    d->StartEdit()->setText("2");
    d->accept();
  });
  window_->ExecuteCommand(CmImportFilter);
  EXPECT_EQ(session_.Table.XYZRows(), 9);  // points 4, 7, 10, ..., 28 of 30
  EXPECT_TRUE(CurrentSettings().recentFiles[0].empty());  // a filtered file is no recent file
}

// An entry out of range is put to its bound and told, and the dialog stays open: nothing is
// imported until the user confirms the value shown.
TEST_F(DataRoad, DigitalFilterEntryOutOfRangeKeepsTheDialogOpen) {
  Start();
  files_.Answer(Write("f.txt", Points(30)));
  ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
  std::vector<int> rowsWhileOpen;
  ModalAnswer<TDlgDigitalFilter> filter([this, &rowsWhileOpen](TDlgDigitalFilter* d) {
    struct Entry {
      QLineEdit* edit;
      const char* typed;
      const char* bound;
      const char* range;
    };
    for (const Entry e : {Entry{d->StepEdit(), "0", "1", "Valid Range is 1 to 999"},
                          Entry{d->StartEdit(), "40000", "32000", "Valid Range is 1 to 32000"}}) {
      const std::size_t boxes = boxes_.Boxes().size();
      e.edit->setText(e.typed);
      d->accept();
      EXPECT_TRUE(d->isVisible()) << e.typed;
      EXPECT_EQ(e.edit->text(), e.bound);
      ASSERT_EQ(boxes_.Boxes().size(), boxes + 1) << e.typed;
      EXPECT_EQ(boxes_.Boxes().back().text, e.range);
      rowsWhileOpen.push_back(session_.Table.XYZRows());
    }
    d->StepEdit()->setText("3");
    d->StartEdit()->setText("2");
    d->accept();
  });
  window_->ExecuteCommand(CmImportFilter);
  EXPECT_EQ(filter.Seen(), 1);
  EXPECT_EQ(rowsWhileOpen, (std::vector<int>{0, 0}));
  EXPECT_EQ(session_.Table.XYZRows(), 9);  // points 4, 7, 10, ..., 28 of 30
  EXPECT_EQ(CurrentSettings().FilterStep, 3);
  EXPECT_EQ(CurrentSettings().FilterStart, 2);
}

TEST_F(DataRoad, StatusWindowReopensOnResizeAndShowsNothingBelowFourRows) {
  Start();
  Import("s.txt", Points(5));
  TDlgStat* first = DataStatusWin();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GraphPane()->size(), QSize(440, 400));
  EXPECT_TRUE(first->rect().contains(first->GraphPane()->geometry()));
  window_->resize(window_->width() - 50, window_->height() - 30);
  EXPECT_NE(DataStatusWin(), nullptr);
  boxes_.Answer(platform::kIdYes);
  window_->ExecuteCommand(CmClearData);
  EXPECT_EQ(DataStatusWin(), nullptr);
  EXPECT_EQ(session_.Table.XYZRows(), 0);
  EXPECT_EQ(window_->HaveData, 0);
  window_->ExecuteCommand(CmShowDataStatus);
  EXPECT_EQ(DataStatusWin(), nullptr);
}

// The status window is the active one after every import: the main window's accelerators
// and menu keys work from it as from the main window.
TEST_F(DataRoad, AcceleratorsAndMenuKeysWorkFromTheStatusWindow) {
  Start();
  Import("s.txt", Points(20));
  TDlgStat* status = DataStatusWin();
  ASSERT_NE(status, nullptr);
  window_->RefreshBars();
  status->activateWindow();
  QApplication::setActiveWindow(status);
  ASSERT_EQ(QApplication::activeWindow(), status);
  const std::size_t asked = files_.Requests().size();
  QTest::keyClick(status, Qt::Key_I, Qt::ControlModifier);  // Import: its open dialog, cancelled
  EXPECT_EQ(files_.Requests().size(), asked + 1);
  EXPECT_EQ(session_.Table.XYZRows(), 20);

  status = DataStatusWin();
  ASSERT_NE(status, nullptr);
  status->activateWindow();
  QApplication::setActiveWindow(status);
  QTest::keyClick(status, Qt::Key_F, Qt::AltModifier);
  EXPECT_EQ(window_->menuBar()->activeAction(), window_->Menu(0)->menuAction());
  QTest::keyClick(window_->menuBar(), Qt::Key_Escape);
}

// The equation lists need their list file, and hold nothing of the main window.
TEST_F(DataRoad, EquationListCommandsNeedTheirListFile) {
  Start();
  ProgramDir = home_.Path().string() + "/";
  EXPECT_FALSE(window_->IsCommandEnabled(CmPolynomialList));
  Write("QKPOLY.LST", "1  z=a+bx\n2  z=a+by\n");
  EXPECT_TRUE(window_->IsCommandEnabled(CmPolynomialList));
  window_->ExecuteCommand(CmPolynomialList);
  TScrWin* list = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* t = qobject_cast<TScrWin*>(w); t && t->isVisible()) list = t;
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->windowTitle(), "X-Y Polynomial Equation List");
  EXPECT_EQ(list->Lines().LineCount(), 2);
  // A list to read beside the work: the main window's commands stay as they were, behind
  // it or not.
  EXPECT_EQ(OpenDialogCount, 0);
  EXPECT_TRUE(window_->IsCommandEnabled(CmImport));
  window_->activateWindow();
  window_->raise();
  EXPECT_TRUE(window_->IsCommandEnabled(CmImport));
  list->close();
  QApplication::processEvents();
  EXPECT_EQ(OpenDialogCount, 0);
}

// The status window stays where the user left it, with its size, however often it is closed
// and opened again around the commands (it stood beside the main window every time); and
// Reset All Defaults brings it back even when the reset only moved the main window (no
// resize reopened it), with the main window's frame at the screen's corner.
TEST_F(DataRoad, TheStatusWindowStaysWhereItWasLeftAndComesBackAfterAReset) {
  Start();
  Import("points.txt", Points(20));
  session_.DataFileLabel = "points.txt";  // the scratch folder's path is wider than the screen
  ShowDataStatus();
  ASSERT_NE(DataStatusWin(), nullptr);
  const QSize least = DataStatusWin()->minimumSizeHint();
  const QRect left(20, 50, std::max(640, least.width()), std::max(460, least.height()));
  DataStatusWin()->setGeometry(left);
  QApplication::processEvents();
  ASSERT_EQ(DataStatusWin()->geometry(), left);
  for (int opening = 0; opening < 3; ++opening) {
    ShowDataStatus();
    QApplication::processEvents();
    ASSERT_NE(DataStatusWin(), nullptr);
    EXPECT_EQ(DataStatusWin()->geometry(), left) << opening;
  }
  const WindowPlacement& place = CurrentSettings().placements[kPlaceDataStatus];
  EXPECT_EQ(QRect(place.x, place.y, place.width, place.height), left);

  window_->move(40, 30);  // the size the reset gives, another place
  QApplication::processEvents();
  boxes_.Answer(platform::kIdYes);
  window_->ExecuteCommand(CmResetDefaults);
  QApplication::processEvents();
  EXPECT_EQ(window_->pos(), QPoint(0, 0));
  EXPECT_NE(DataStatusWin(), nullptr);
}

// A background fit that ends starts the review as the user chose: not at all without the
// automatic review (an open status window is drawn again), at once with the status window
// open, and otherwise the next time the status window would open, in the review's start
// mode (graph first or list first).
TEST_F(DataRoad, AFinishedBackgroundFitStartsTheReviewAsTheUserChose) {
  Start();
  Import("a.dat", Points(10));
  ASSERT_NE(DataStatusWin(), nullptr);
  int graphFirst = 0, listFirst = 0;
  RegisterCommand(CmReviewGraph, [&graphFirst] { ++graphFirst; });
  RegisterCommand(CmReviewList, [&listFirst] { ++listFirst; });
  SetFitResultsQuery([] { return true; });
  Block& block = CurrentSettings().backgroundFitBlock;
  ASSERT_GT(block.size(), kBgFitFlagsOffset);
  const std::uint8_t flags = block[kBgFitFlagsOffset];

  block[kBgFitFlagsOffset] = static_cast<std::uint8_t>(flags & ~2);
  BackgroundFitDone();
  Pump();
  EXPECT_EQ(graphFirst + listFirst, 0);
  EXPECT_NE(DataStatusWin(), nullptr);
  EXPECT_EQ(PendingReview.load(), 0);

  block[kBgFitFlagsOffset] = static_cast<std::uint8_t>(flags | 2);
  CurrentSettings().reviewStartMode = 0;
  BackgroundFitDone();
  Pump();
  EXPECT_EQ(graphFirst, 1);
  EXPECT_EQ(listFirst, 0);

  CloseDataStatus();
  CurrentSettings().reviewStartMode = 1;
  BackgroundFitDone();
  Pump();
  EXPECT_EQ(PendingReview.load(), 1);
  EXPECT_EQ(listFirst, 0);
  ShowDataStatus();  // as after the next command
  Pump();
  EXPECT_EQ(listFirst, 1);
  EXPECT_EQ(graphFirst, 1);
  EXPECT_EQ(PendingReview.load(), 0);
  EXPECT_EQ(DataStatusWin(), nullptr);  // the review opens in its place
  // Without fit results a pending review waits; the window opens meanwhile.
  PendingReview = 1;
  SetFitResultsQuery({});
  ShowDataStatus();
  EXPECT_NE(DataStatusWin(), nullptr);
  EXPECT_EQ(PendingReview.load(), 1);
  PendingReview = 0;
  block[kBgFitFlagsOffset] = flags;
}

}  // namespace
