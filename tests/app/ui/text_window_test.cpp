#include "app/ui/text_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <filesystem>

#include "app/settings_file.h"
#include "app/shell_state.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_device_context.h"
#include "support/pdf_pages.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

class Results : public TScrWin {
 public:
  explicit Results(int lines)
      : TScrWin(nullptr, "Results", "", 1, false, 1000, false, kFontSlotDialogText, true,
                kMenuTextResults, nullptr),
        count_(lines) {}
  void FormatText() override {
    lines_.AppendLine("~#Results~#  of ~*r~^2~^~*");
    for (int i = 0; i < count_; ++i) lines_.AppendLine("  line " + std::to_string(i) + "  " + std::to_string(i * 0.5));
    ++formatted;
  }
  int formatted = 0;

 private:
  int count_;
};

class TextWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentSettings() = DefaultSettings(1280, 1024);
    ScreenWidth = 1280, ScreenHeight = 1024;
  }
  // A results window of `lines` lines, shown.
  static Results* Shown(int lines) {
    auto* w = new Results(lines);
    w->show();
    QApplication::processEvents();
    return w;
  }
  // The first bytes of the file the window saves under `name`.
  std::string Saved(Results* w, const std::string& name, std::size_t bytes) {
    EXPECT_TRUE(w->SaveTo(dir_.File(name))) << name;
    return ReadText(dir_.File(name)).substr(0, bytes);
  }
  ScratchDir dir_;
  platform::ScriptedAnswers boxes_;
};

// A name ending in .sav is no format a text is written in: the window says so, as a list
// does, where "Unable to Write File" alone left the user guessing why.
TEST_F(TextWindow, ATextIsNotSavedAsASavFileAndSaysSo) {
  Results* w = Shown(3);
  for (const char* name : {"r.sav", "r.SAV"}) {
    EXPECT_FALSE(w->SaveTo(dir_.File(name))) << name;
    EXPECT_FALSE(fs::exists(dir_.File(name))) << name;
    ASSERT_FALSE(boxes_.Boxes().empty());
    EXPECT_EQ(boxes_.Boxes().back().caption, dir_.File(name));
    EXPECT_EQ(boxes_.Boxes().back().text, "A Text Is Not Written as a .sav File: Choose Another Extension");
  }
  w->close();
}

TEST_F(TextWindow, FormatsItsTextWhenShownAndPaintsIt) {
  auto* w = new Results(40);
  w->resize(600, 300);
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(w->formatted, 1);
  EXPECT_EQ(w->Lines().LineCount(), 41);
  EXPECT_GT(w->VisibleLines(), 3);
  EXPECT_EQ(w->MaxTopLine(), 41 - w->VisibleLines());
  w->ScrollToLine(1000);
  EXPECT_EQ(w->Lines().topLine, w->MaxTopLine());
  w->ScrollToLine(-5);  // ignored
  EXPECT_EQ(w->Lines().topLine, w->MaxTopLine());
  w->ScrollToLine(0);
  const QImage shot = w->View()->viewport()->grab().toImage();
  int dark = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) dark += qGray(shot.pixel(x, y)) < 128;
  EXPECT_GT(dark, 200);  // text was drawn on the white page
  // The results menu has no Open and Append, but Edit and Style.
  EXPECT_EQ(w->menuBar()->actions().size(), 3);
  EXPECT_EQ(w->FileMenu()->findChild<QAction*>("2301"), nullptr);
  w->close();
}

TEST_F(TextWindow, SavesAndCopiesTextWordStarWorksheetAndRichText) {
  Results* w = Shown(3);
  EXPECT_EQ(Saved(w, "r.txt", 26), "Results  of r^2\r\n  line 0 ");
  EXPECT_EQ(Saved(w, "r.ws", 20), "Results  of \x02r\x14" "2\x14\x02\r\n");
  EXPECT_EQ(Saved(w, "r.wk1", 6), std::string("\0\0\2\0\6\4", 6));
  EXPECT_EQ(Saved(w, "r.RTF", 6), "{\\rtf1");
  fs::create_directory(dir_.File("taken.txt"));
  EXPECT_FALSE(w->SaveTo(dir_.File("taken.txt")));
  EXPECT_EQ(boxes_.Boxes().back().text, "Unable to Write File");
  w->CmCopy();
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->text().startsWith("Results  of r^2\r\n  line 0"));
  EXPECT_TRUE(data->hasFormat(kMimeWk1));
  EXPECT_TRUE(data->data(kMimeRtf).startsWith("{\\rtf1"));
  w->close();
}

// Save As with a name typed bare: the type left chosen gives the extension and the format.
TEST_F(TextWindow, SaveAsGivesABareNameTheChosenTypesExtensionAndFormat) {
  Results* w = Shown(3);
  platform::ScriptedFiles files;
  const struct {
    int filter;
    const char* file;
    std::string start;
  } cases[] = {{1, "list.PRN", "Results  of r^2"}, {4, "list.wk1", std::string("\0\0\2\0\6\4", 6)},
               {6, "list.rtf", "{\\rtf1"}, {7, "list.ws", "Results  of \x02r"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    files.Answer(dir_.File("list"), c.filter);
    w->CmSaveAs();
    ASSERT_TRUE(fs::exists(dir_.File(c.file)));
    EXPECT_EQ(ReadText(dir_.File(c.file)).substr(0, c.start.size()), c.start);
  }
  EXPECT_EQ(files.Requests().size(), 4u);
  w->close();
}

TEST_F(TextWindow, PrintsEveryLineOnPagesOfAPdf) {
  Results* w = Shown(150);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir_.File("text.pdf")));
  ASSERT_EQ(w->PrintOn(printer, {"Title block line"}), PrintOutcome::Printed);
  EXPECT_GE(PdfPageCount(ReadText(dir_.File("text.pdf"))), 2u);  // 151 lines do not fit one page
  w->close();
}

TEST_F(TextWindow, CancelInThePrintingDialogStopsBeforeTheNextPage) {
  Results* w = Shown(150);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir_.File("cancelled.pdf")));
  std::vector<std::string> steps;
  TTextPrintJob job;
  job.beginPrinting = [&](QWidget* window) { steps.push_back(window == w ? "begin" : "begin elsewhere"); };
  job.keepPrinting = [&] {
    steps.push_back("asked");
    return false;
  };
  job.endPrinting = [&](QWidget*) { steps.push_back("end"); };
  EXPECT_EQ(PrintUnderJob(w, job, [&](const std::function<bool()>& keepGoing) {
              return w->PrintOn(printer, {}, keepGoing);
            }),
            PrintOutcome::Cancelled);
  // Asked once, after the first page: the 151 lines needed more.
  EXPECT_EQ(steps, (std::vector<std::string>{"begin", "asked", "end"}));
  w->close();
}

TEST_F(TextWindow, FileTooLongForTheWindowGivesAMessageInsteadOfAWindow) {
  const std::string file = dir_.Write("long.txt", "1\n2\n3\n4\n5\n");
  EXPECT_EQ(OpenTextFileWindow(nullptr, file, "List", 3, kMenuTextList, kFontSlotFileViewer, "List", "Loading...",
                               TextWindowHold::Nothing, FileTildes::kCodes),
            nullptr);
  ASSERT_FALSE(boxes_.Boxes().empty());
  EXPECT_EQ(boxes_.Boxes().back().text, "Number of Lines Exceeds Window Capacity of 3");
  TScrWin* w = OpenTextFileWindow(nullptr, file, "List", 5, kMenuTextList, kFontSlotFileViewer, "List", "Loading...",
                                  TextWindowHold::Nothing, FileTildes::kCodes);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Lines().LineCount(), 5);
  EXPECT_EQ(w->menuBar()->actions().size(), 2);  // File and Style
  // Opening a file too long for it keeps what the window showed.
  EXPECT_FALSE(w->LoadFile(dir_.Write("six.txt", "1\n2\n3\n4\n5\n6\n"), false));
  EXPECT_EQ(w->Lines().LineCount(), 5);
  w->close();
}

// A missing, an empty and a binary file are told and leave the window's text as it was.
TEST_F(TextWindow, AFileThatIsNotTextIsRefusedWithItsReason) {
  EXPECT_FALSE(CheckTextFileToLoad(nullptr, (dir_.Path() / "missing.txt").string()));
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes().back().caption, "File Not Found");
  EXPECT_FALSE(CheckTextFileToLoad(nullptr, dir_.Write("empty.txt", "")));
  EXPECT_EQ(boxes_.Boxes().back().caption, "File Not Found");
  const std::string binary = dir_.Write("data.bin", std::string("1 2 3\n\x01\x02", 8));
  EXPECT_FALSE(CheckTextFileToLoad(nullptr, binary));
  EXPECT_EQ(boxes_.Boxes().back().caption, binary);
  EXPECT_EQ(boxes_.Boxes().back().text, "File is Non-ASCII");
  const std::string text = dir_.Write("text.txt", "1 2 3\r\n4 5 6\t\x1a");
  const std::size_t told = boxes_.Boxes().size();
  EXPECT_TRUE(CheckTextFileToLoad(nullptr, text));
  EXPECT_EQ(boxes_.Boxes().size(), told);

  TScrWin* w = OpenTextFileWindow(nullptr, text, "List", 5, kMenuTextList, kFontSlotFileViewer, "List", "Loading...",
                                  TextWindowHold::Nothing, FileTildes::kCodes);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(w->LoadFile(binary, false));
  EXPECT_EQ(w->Lines().LineCount(), 2);
  w->close();
}

// The file viewer shows a user's file as it stands and hands it on unchanged: saved as text,
// copied, or opened again from its File menu (its tildes were taken for codes: "~/" and
// "~~" vanished from the window and from every copy).
TEST_F(TextWindow, AViewedFileIsShownCopiedAndSavedWithItsTildes) {
  const std::string text = "home ~/runs/a.dat\r\nratio 3~4 ~~ x~^2\r\n";
  const std::string file = dir_.Write("viewed.txt", text);
  TScrWin* w = OpenTextFileWindow(nullptr, file, "View ASCII File", 20, kMenuTextFull, kFontSlotFileViewer, file,
                                  "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->Lines().LineCount(), 2);
  EXPECT_EQ(w->Lines().GetLineWidth(0), 17);
  ASSERT_TRUE(w->SaveTo(dir_.File("copy.txt")));
  EXPECT_EQ(ReadText(dir_.File("copy.txt")), text);
  w->CmCopy();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "home ~/runs/a.dat\r\nratio 3~4 ~~ x~^2");
  // The window's own Open and Append read the same way.
  ASSERT_TRUE(w->LoadFile(file, true));
  ASSERT_TRUE(w->SaveTo(dir_.File("twice.txt")));
  EXPECT_EQ(ReadText(dir_.File("twice.txt")), text + text);
  ASSERT_TRUE(w->LoadFile(file, false));
  EXPECT_EQ(w->Lines().LineCount(), 2);
  w->close();
}

// A UTF-8 file is shown, copied and saved in its own characters: "Temp °C" and "µg" showed
// and copied as "Temp Â°C" and "Âµg" (its bytes taken for Windows-1252). A character the
// program's text lacks is shown as '?' and told; Save As writes the file's encoding back, its
// mark too. Windows-1252 files, even with bytes of UTF-8 here and there beside others, are
// read as they always were.
TEST_F(TextWindow, AViewedFileIsShownInItsOwnEncoding) {
  const struct {
    const char* name;
    std::string bytes;
    std::string copied;    // UTF-8
    std::string savedAs;   // the Save As text file
    std::vector<std::string> told;
    // The copy's worksheet form (code page 850) lacks a character of the file: told after
    // the loading's word (the euro sign was copied there as '?' without one).
    const char* copyTold = nullptr;
  } cases[] = {
      {"utf8.txt", "Temp \xC2\xB0" "C\r\n5 \xC2\xB5g \xE2\x82\xAC\r\n", "Temp \xC2\xB0" "C\r\n5 \xC2\xB5g \xE2\x82\xAC",
       "Temp \xC2\xB0" "C\r\n5 \xC2\xB5g \xE2\x82\xAC\r\n", {},
       "1 Character of the Copy Lies Beyond the Code Page 850 of Its Worksheet Form\nIt Was Copied There as ?\n"
       "The Copy's Plain Text Keeps Every Character"},
      {"marked.txt", "\xEF\xBB\xBF\xC3\x83\xC2\xA9 x\r\n", "\xC3\x83\xC2\xA9 x", "\xEF\xBB\xBF\xC3\x83\xC2\xA9 x\r\n", {}},
      // Saved, the character shown as '?' is written so, and the user hears it.
      {"greek.txt", "\xCE\x94p = 3 \xC2\xB0" "C\r\n", "?p = 3 \xC2\xB0" "C", "?p = 3 \xC2\xB0" "C\r\n",
       {"1 Character of the File Lies Beyond Windows-1252\nIt Is Shown as ?",
        "1 Character of the File Lies Beyond Windows-1252\nIt Was Written as ?"}},
      {"cp1252.txt", "Temp \xB0" "C \xC3\xA9t\xE9\r\n", "Temp \xC2\xB0" "C \xC3\x83\xC2\xA9t\xC3\xA9",
       "Temp \xB0" "C \xC3\xA9t\xE9\r\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = boxes_.Boxes().size();
    const std::string file = dir_.Write(c.name, c.bytes);
    TScrWin* w = OpenTextFileWindow(nullptr, file, "View ASCII File", 20, kMenuTextFull, kFontSlotFileViewer, file,
                                    "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
    ASSERT_NE(w, nullptr);
    w->CmCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), c.copied);
    ASSERT_TRUE(w->SaveTo(dir_.File(std::string("saved-") + c.name)));
    EXPECT_EQ(ReadText(dir_.File(std::string("saved-") + c.name)), c.savedAs);
    std::vector<std::string> told;
    for (std::size_t k = before; k < boxes_.Boxes().size(); ++k) told.push_back(boxes_.Boxes()[k].text);
    std::vector<std::string> expected = c.told;
    if (c.copyTold) expected.insert(expected.begin() + (c.told.empty() ? 0 : 1), c.copyTold);
    EXPECT_EQ(told, expected);
    // The window's own Open tells the same as the viewer's.
    const std::size_t saved = boxes_.Boxes().size();
    ASSERT_TRUE(w->LoadFile(file, false));
    EXPECT_EQ(boxes_.Boxes().size() - saved, c.told.empty() ? 0u : 1u);
    w->close();
  }
}

// A wide line is shown, saved, copied and handed to the ASCII editor whole: the viewer kept
// the first 512 characters of a line of 150 numbers (789 characters), and its Save As wrote
// 104 of them, the last cut to "103.".
TEST_F(TextWindow, AViewedLineOf150NumbersIsSavedCopiedAndHandedOnWhole) {
  std::string wide;
  for (int k = 0; k < 150; ++k) wide += (k ? " " : "") + std::to_string(k) + ".5";
  ASSERT_EQ(wide.size(), 789u);
  const std::string text = "x y z\r\n" + wide + "\r\n1 2 3\r\n";
  const std::string file = dir_.Write("wide.prn", text);
  TScrWin* w = OpenTextFileWindow(nullptr, file, "View ASCII File", 20, kMenuTextFull, kFontSlotFileViewer, file,
                                  "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Lines().GetLineLength(1), 789);
  // The horizontal scroll bar reaches the line's end.
  EXPECT_GE(w->MaxLeftColumn() + w->VisibleColumns(), 789);
  ASSERT_TRUE(w->SaveTo(dir_.File("saved.prn")));
  EXPECT_EQ(ReadText(dir_.File("saved.prn")), text);
  w->CmCopy();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "x y z\r\n" + wide + "\r\n1 2 3");
  std::string handed;
  SetAsciiEditorOpener([&handed](QWidget*, const std::string&, const std::string& t, QWidget*) { handed = t; });
  w->CmAsciiEditor();
  SetAsciiEditorOpener({});
  EXPECT_EQ(handed, text);
  w->close();
}

// The horizontal scroll bar reaches the end of every line in the default proportional font:
// it stepped by the width of "9" and counted characters, so a line of capitals ran on past
// its end. A line of digits keeps the range it had. Widths are the font's own, whatever
// they are.
TEST_F(TextWindow, TheScrollBarReachesTheEndOfALineOfWideCharacters) {
  const std::string digits(200, '9'), capitals(200, 'W');
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "capitals" : "digits");
    const std::string file = dir_.Write(wide ? "wide.txt" : "digits.txt", "x y z\r\n" + (wide ? capitals : digits) + "\r\n");
    TScrWin* w = OpenTextFileWindow(nullptr, file, "View ASCII File", 20, kMenuTextFull, kFontSlotFileViewer, file,
                                    "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
    ASSERT_NE(w, nullptr);
    w->resize(600, 300);
    QApplication::processEvents();
    const QFontMetricsF metrics(platform::qt::QtDeviceContext::ToQFont(*w->Fonts()[0]), w->View());
    const double lineWidth = metrics.horizontalAdvance(QString::fromStdString(wide ? capitals : digits));
    // Scrolled to the end, the line starts a column in and ends within the view.
    const double end = (1 - w->MaxLeftColumn()) * w->CharWidth() + lineWidth;
    EXPECT_LE(end, w->VisibleColumns() * w->CharWidth());
    EXPECT_EQ(w->View()->horizontalScrollBar()->maximum(), w->MaxLeftColumn());
    if (!wide) { EXPECT_EQ(w->MaxLeftColumn(), 200 - w->VisibleColumns() + 20); }
    w->close();
  }
}

// A WK3 worksheet has 256 columns: a viewed line of 300 numbers saved as WK3 would lose 44 of
// them, so the save is refused and says why; WK1 and text take the line whole.
TEST_F(TextWindow, ALineWiderThanAWk3WorksheetIsNotSavedAsOne) {
  std::string wide;
  for (int k = 0; k < 300; ++k) wide += (k ? " " : "") + std::to_string(k);
  const std::string file = dir_.Write("wide300.prn", "a b c\r\n" + wide + "\r\n");
  TScrWin* w = OpenTextFileWindow(nullptr, file, "View ASCII File", 20, kMenuTextFull, kFontSlotFileViewer, file,
                                  "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
  ASSERT_NE(w, nullptr);
  const std::size_t before = boxes_.Boxes().size();
  EXPECT_FALSE(w->SaveTo(dir_.File("wide.wk3")));
  EXPECT_FALSE(fs::exists(dir_.File("wide.wk3")));
  ASSERT_EQ(boxes_.Boxes().size(), before + 1);
  EXPECT_EQ(boxes_.Boxes().back().text,
            "A Line Holds 300 Cells, More Than the 256 Columns of a WK3 Worksheet\nNothing Was Written");
  EXPECT_TRUE(w->SaveTo(dir_.File("wide.wk1")));
  EXPECT_TRUE(w->SaveTo(dir_.File("wide.txt")));
  EXPECT_EQ(ReadText(dir_.File("wide.txt")), "a b c\r\n" + wide + "\r\n");
  w->close();
}

// A line far wider than the window is drawn from the part in view, where the whole line
// would put it: a line of 6000 characters shows, scrolled anywhere, what its first 4000
// (drawn whole) show beneath it. Laid out whole at every repaint, a line of a million
// characters took a quarter of a second.
TEST_F(TextWindow, ALongLineShowsWhatItsWholeLayoutWouldShow) {
  std::string line;
  // Digits, points, blanks and tildes: no pair of them is kerned, so the layout of the whole
  // line is the sum of its characters' advances in any font.
  for (int k = 0; line.size() < 6000; ++k) line += std::to_string(k) + ".5 ~ ";
  const std::string file = dir_.Write("long.txt", line + "\n" + line.substr(0, 4000) + "\n");
  TScrWin* w = OpenTextFileWindow(nullptr, file, "View ASCII File", 20, kMenuTextFull, kFontSlotFileViewer, file,
                                  "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
  ASSERT_NE(w, nullptr);
  w->resize(700, 240);
  QApplication::processEvents();
  const int h = w->LineHeight();
  for (const int column : {0, 37, 450, 1200}) {
    w->View()->horizontalScrollBar()->setValue(column);
    const QImage page = w->View()->viewport()->grab().toImage();
    ASSERT_GE(page.height(), 2 * h);
    EXPECT_EQ(page.copy(0, 0, page.width(), h), page.copy(0, h, page.width(), h)) << column;
  }
  w->close();
}

TEST_F(TextWindow, OwnerIsDisabledWhileTheWindowIsOpen) {
  QWidget owner;
  owner.show();
  auto* w = new TScrWin(nullptr, "Owned", "", 1, false, 10, false, kFontSlotFileViewer, true,
                        kMenuTextFull, &owner);
  w->show();
  EXPECT_FALSE(owner.isEnabled());
  w->close();
  QApplication::processEvents();
  EXPECT_TRUE(owner.isEnabled());
}

TEST_F(TextWindow, FontAndColourChoicesAreKeptInTheSettings) {
  Results* w = Shown(2);
  const int before = w->CharWidth();
  TLogFont big = w->FontRecord();
  big.height = 24;
  w->ApplyFont(big);
  EXPECT_GT(w->CharWidth(), before);
  EXPECT_EQ(SlotFont(kFontSlotDialogText).height, 24);
  // A height no font dialog gives (a damaged settings file) is read as the nearest it does.
  big.height = 1 << 30;
  w->ApplyFont(big);
  EXPECT_EQ(w->FontRecord().height, 48);
  EXPECT_LT(w->LineHeight(), 200);
  EXPECT_TRUE(w->ColorsOn());
  w->CmColor();
  EXPECT_FALSE(w->ColorsOn());
  EXPECT_EQ(CurrentSettings().fontValue2[kFontSlotDialogText], 0);
  w->close();
}

TEST_F(TextWindow, DialogWithADockedTextWindow) {
  auto* d = new TDlgScrWin(nullptr, "Evaluation", 100, kMenuTextResults);
  auto* controls = new QVBoxLayout(d);
  auto* field = new QLineEdit(d);
  controls->addWidget(field);
  d->show();
  QApplication::processEvents();
  ASSERT_NE(d->Hosted(), nullptr);
  // The text is a part of the dialog, right of the controls and under its title.
  EXPECT_TRUE(d->Hosted()->isVisible());
  EXPECT_FALSE(d->Hosted()->isWindow());
  auto* title = d->findChild<QLabel*>("TDlgScrWinTitle");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "Evaluation");
  EXPECT_GE(d->Hosted()->geometry().top(), title->geometry().bottom());
  EXPECT_GT(d->Hosted()->mapTo(d, QPoint(0, 0)).x(), field->mapTo(d, QPoint(field->width(), 0)).x());
  EXPECT_GE(d->Hosted()->width(), 320);
  EXPECT_EQ(d->AppendLine("a\tb"), 1);
  EXPECT_EQ(d->LineCount(), 1);
  d->Hosted()->close();  // the hosted window may not close on its own
  EXPECT_TRUE(d->Hosted()->isVisible());
  d->ClearLines();
  EXPECT_EQ(d->LineCount(), 0);
  delete d;
}

TEST_F(TextWindow, ADialogWithTextStaysOnTheScreenOverANarrowOwnerAtItsEdge) {
  QWidget owner;
  const QRect room = owner.screen()->availableGeometry();
  owner.setGeometry(room.right() - 150, room.bottom() - 150, 120, 120);
  owner.show();
  auto* d = new TDlgScrWin(&owner, "Evaluation", 100, kMenuTextResults);
  auto* controls = new QVBoxLayout(d);
  controls->addWidget(new QLineEdit(d));
  d->show();
  QApplication::processEvents();
  EXPECT_TRUE(room.contains(d->geometry())) << d->geometry().x() << "," << d->geometry().y() << " "
                                           << d->width() << "x" << d->height();
  delete d;
}

// A window no one placed opens sized to its text: a dozen lines took 1080 x 904 pixels of a
// 1280 x 1024 screen. A long text takes the screen's height, and never more.
TEST_F(TextWindow, AWindowOpensSizedToItsTextAndWithinTheScreen) {
  Results* small = Shown(12);
  const QRect room = WindowRoom(small);
  EXPECT_TRUE(room.contains(small->geometry())) << small->width() << "x" << small->height();
  // Every line shows, with no more than a few empty lines below them.
  EXPECT_EQ(small->MaxTopLine(), 0);
  EXPECT_GE(small->VisibleLines(), 13);
  EXPECT_LE(small->VisibleLines(), 13 + 3);
  EXPECT_LT(small->width(), room.width());
  EXPECT_GE(small->width(), small->menuBar()->sizeHint().width());
  small->close();

  Results* tall = Shown(400);
  EXPECT_TRUE(room.contains(tall->geometry())) << tall->y() << " " << tall->width() << "x" << tall->height();
  EXPECT_EQ(tall->height(), room.height());
  EXPECT_GT(tall->MaxTopLine(), 0);
  tall->close();

  // A window its opener placed keeps that place.
  auto* placed = new Results(12);
  placed->setGeometry(20, 30, 300, 200);
  placed->show();
  QApplication::processEvents();
  EXPECT_EQ(placed->geometry(), QRect(20, 30, 300, 200));
  placed->close();
}

}  // namespace
