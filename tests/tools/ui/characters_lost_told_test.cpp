// Characters a copy's or a print's code cannot hold are told, as a save's are: the worksheet
// form ("Wk1") that a copy of a text window, a list or the ASCII editor's selection puts on
// the clipboard keeps its labels in code page 850, which lacks the euro sign, Š and Ω among
// others, and wrote each as '?' without a word (the plain text of the same copy keeps them);
// the ASCII editor printed a character of its text that Windows-1252 lacks as '?'.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QMimeData>

#include <string>
#include <vector>

#include "app/settings_file.h"
#include "app/ui/modal_answers.h"
#include "app/ui/text_window.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "review/ui/list_window.h"
#include "support/scratch_files.h"
#include "tools/ui/ascii_editor.h"

namespace {

std::vector<std::string> TextsSince(const platform::ScriptedAnswers& answers, std::size_t from) {
  std::vector<std::string> texts;
  for (std::size_t k = from; k < answers.Boxes().size(); ++k) texts.push_back(answers.Boxes()[k].text);
  return texts;
}

constexpr const char* kTwoCopied =
    "2 Characters of the Copy Lie Beyond the Code Page 850 of Its Worksheet Form\nThey Were Copied There as ?\n"
    "The Copy's Plain Text Keeps Every Character";

TEST(CharactersLostAreTold, CopiesAndPrintsTellWhatTheirCodeCannotHold) {
  const ProgramSettings saved = CurrentSettings();
  CurrentSettings() = DefaultSettings(1280, 1024);
  platform::ScriptedAnswers answers;
  ScratchDir dir;
  QClipboard* clipboard = QGuiApplication::clipboard();
  {
    SCOPED_TRACE("a text window's copy");
    // Windows-1252: the euro sign and S with caron, which code page 850 lacks.
    const std::string file = dir.Write("prices.txt", "Preis \x80 5\r\n\x8A" "ipka 2\r\n");
    TScrWin* window = OpenTextFileWindow(nullptr, file, "Prices", 20, kMenuTextFull, kFontSlotFileViewer, file,
                                         "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
    ASSERT_NE(window, nullptr);
    const std::size_t before = answers.Boxes().size();
    window->CmCopy();
    EXPECT_EQ(TextsSince(answers, before), std::vector<std::string>{kTwoCopied});
    EXPECT_EQ(answers.Boxes().back().caption, "Prices");
    // The plain text keeps both.
    EXPECT_EQ(clipboard->text(), QString::fromUtf8("Preis \u20AC 5\r\n\u0160ipka 2"));
    EXPECT_FALSE(clipboard->mimeData()->data(kMimeWk1).isEmpty());
    window->close();
  }
  {
    SCOPED_TRACE("a list's copy");
    TLineAttr columns{};
    TIListBoxWinMenu list(nullptr, "Price List", kListPlain, columns, kFontSlotEquationList, false, true, false, false,
                          kListMenuId);
    ASSERT_TRUE(list.AddString("\x80 5"));
    ASSERT_TRUE(list.AddString("\x8A 2"));
    const std::size_t before = answers.Boxes().size();
    list.CmCopy();
    EXPECT_EQ(TextsSince(answers, before), std::vector<std::string>{kTwoCopied});
    EXPECT_EQ(answers.Boxes().back().caption, "Price List");
  }
  {
    SCOPED_TRACE("the ASCII editor's copy and print");
    auto* editor = new TAsciiEd(nullptr, "ASCII Editor", "", nullptr, {});
    editor->show();
    // Omega lies beyond Windows-1252 as well, the euro sign beyond code page 850 only.
    editor->Edit()->setPlainText(QString::fromUtf8("\u03A9 1 2\n\u20AC 3 4\n"));
    editor->Edit()->selectAll();
    std::size_t before = answers.Boxes().size();
    editor->CmCopy();
    QApplication::processEvents();
    EXPECT_EQ(TextsSince(answers, before), std::vector<std::string>{kTwoCopied});
    EXPECT_EQ(clipboard->text(), QString::fromUtf8("\u03A9 1 2\r\n\u20AC 3 4\r\n"));

    // Printing asks first; answered No, nothing is printed (no print dialog opens).
    before = answers.Boxes().size();
    answers.Answer(platform::kIdNo);
    ModalAnswer<QDialog> anyDialog([](QDialog* d) { d->reject(); });
    editor->CmPrint();
    EXPECT_EQ(TextsSince(answers, before),
              std::vector<std::string>{"1 Character of the Text Lies Beyond Windows-1252 (First on Line 1)\n"
                                       "It Will Be Printed as ?\nPrint Anyway?"});
    EXPECT_EQ(anyDialog.Seen(), 0) << "the print went on";
    editor->Edit()->document()->setModified(false);
    delete editor;
  }
  CurrentSettings() = saved;
}

}  // namespace
