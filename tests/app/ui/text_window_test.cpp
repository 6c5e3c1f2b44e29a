#include "app/ui/text_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QScrollBar>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings_file.h"
#include "app/shell_state.h"
#include "platform/message_box.h"

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
    dir_ = fs::temp_directory_path() / ("ondravik_textwin_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
  platform::ScriptedAnswers boxes_;
};

TEST_F(TextWindow, FormatsItsTextWhenShownAndPaintsIt) {
  auto* w = new Results(40);
  w->resize(600, 300);
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(w->formatted, 1);
  EXPECT_EQ(w->Lines().LineCount(), 41);
  EXPECT_GT(w->VisibleLines(), 3);
  EXPECT_EQ(w->MaxTopLine(), 41 - w->VisibleLines());
  EXPECT_EQ(w->MaxLeftColumn(), std::max(0, w->Lines().MaxWidth() - w->VisibleColumns() + 20));
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

TEST_F(TextWindow, SavesTextWordStarWorksheetAndRichText) {
  auto* w = new Results(3);
  w->show();
  QApplication::processEvents();
  ASSERT_TRUE(w->SaveTo((dir_ / "r.txt").string()));
  EXPECT_EQ(Read(dir_ / "r.txt").substr(0, 26), "Results  of r^2\r\n  line 0 ");
  ASSERT_TRUE(w->SaveTo((dir_ / "r.ws").string()));
  EXPECT_EQ(Read(dir_ / "r.ws").substr(0, 20), "Results  of \x02r\x14" "2\x14\x02\r\n");
  ASSERT_TRUE(w->SaveTo((dir_ / "r.wk1").string()));
  EXPECT_EQ(Read(dir_ / "r.wk1").substr(0, 6), std::string("\0\0\2\0\6\4", 6));
  ASSERT_TRUE(w->SaveTo((dir_ / "r.RTF").string()));
  EXPECT_EQ(Read(dir_ / "r.RTF").substr(0, 6), "{\\rtf1");
  fs::create_directory(dir_ / "taken.txt");
  EXPECT_FALSE(w->SaveTo((dir_ / "taken.txt").string()));
  EXPECT_EQ(boxes_.Boxes().back().text, "Unable to Write File");
  w->close();
}

TEST_F(TextWindow, CopiesTextWorksheetAndRichText) {
  auto* w = new Results(2);
  w->show();
  QApplication::processEvents();
  w->CmCopy();
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->text().startsWith("Results  of r^2\r\n  line 0"));
  EXPECT_TRUE(data->hasFormat(kMimeWk1));
  EXPECT_TRUE(data->data(kMimeRtf).startsWith("{\\rtf1"));
  w->close();
}

TEST_F(TextWindow, PrintsEveryLineOnPagesOfAPdf) {
  auto* w = new Results(150);
  w->show();
  QApplication::processEvents();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const fs::path pdf = dir_ / "text.pdf";
  printer.setOutputFileName(QString::fromStdString(pdf.string()));
  ASSERT_TRUE(w->PrintOn(printer, {"Title block line"}));
  const std::string bytes = Read(pdf);
  EXPECT_EQ(bytes.substr(0, 4), "%PDF");
  std::size_t pages = 0;
  for (std::size_t at = 0; (at = bytes.find("/Type /Page\n", at)) != std::string::npos; ++at) ++pages;
  if (pages == 0)
    for (std::size_t at = 0; (at = bytes.find("/Type /Page", at)) != std::string::npos; ++at)
      if (bytes.compare(at, 12, "/Type /Pages") != 0) ++pages;
  EXPECT_GE(pages, 2u);  // 151 lines do not fit one page
  w->close();
}

TEST_F(TextWindow, FileTooLongForTheWindowGivesAMessageInsteadOfAWindow) {
  const fs::path file = dir_ / "long.txt";
  std::ofstream(file) << "1\n2\n3\n4\n5\n";
  EXPECT_EQ(OpenTextFileWindow(file.string(), "List", 3, kMenuTextList, kFontSlotFileViewer, "List",
                               "Loading..."),
            nullptr);
  ASSERT_FALSE(boxes_.Boxes().empty());
  EXPECT_EQ(boxes_.Boxes().back().text, "Number of Lines Exceeds Window Capacity of 3");
  TScrWin* w = OpenTextFileWindow(file.string(), "List", 5, kMenuTextList, kFontSlotFileViewer,
                                  "List", "Loading...");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Lines().LineCount(), 5);
  EXPECT_EQ(w->menuBar()->actions().size(), 2);  // File and Style
  // Opening a file too long for it keeps what the window showed.
  std::ofstream(dir_ / "six.txt") << "1\n2\n3\n4\n5\n6\n";
  EXPECT_FALSE(w->LoadFile((dir_ / "six.txt").string(), false));
  EXPECT_EQ(w->Lines().LineCount(), 5);
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
  auto* w = new Results(2);
  w->show();
  QApplication::processEvents();
  const int before = w->CharWidth();
  TLogFont big = w->FontRecord();
  big.height = 24;
  w->ApplyFont(big);
  EXPECT_GT(w->CharWidth(), before);
  EXPECT_EQ(SlotFont(kFontSlotDialogText).height, 24);
  EXPECT_TRUE(w->ColorsOn());
  w->CmColor();
  EXPECT_FALSE(w->ColorsOn());
  EXPECT_EQ(CurrentSettings().fontValue2[kFontSlotDialogText], 0);
  w->close();
}

TEST_F(TextWindow, DialogWithADockedTextWindow) {
  auto* d = new TDlgScrWin(nullptr, "Evaluation", 100, kMenuTextResults);
  d->show();
  QApplication::processEvents();
  ASSERT_NE(d->Hosted(), nullptr);
  EXPECT_TRUE(d->Hosted()->isVisible());
  EXPECT_EQ(d->Hosted()->geometry().x(), d->frameGeometry().right() + 1);
  EXPECT_EQ(d->AppendLine("a\tb"), 1);
  EXPECT_EQ(d->LineCount(), 1);
  d->Hosted()->close();  // the hosted window may not close on its own
  EXPECT_TRUE(d->Hosted()->isVisible());
  d->ClearLines();
  EXPECT_EQ(d->LineCount(), 0);
  delete d;
}

}  // namespace
