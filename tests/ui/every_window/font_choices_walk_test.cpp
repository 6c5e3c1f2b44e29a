// Every font dialog the walk meets, used as a user uses it: another family is clicked in the
// family list and nothing else, then OK; or another family is clicked and Escape pressed in
// the list. Whatever the font slots held (regular, bold, italic faces), a family chosen alone
// changes the face and nothing else of the record, and Escape leaves every font as it was.
// (A family chosen alone fell on the family's first style, an italic or bold one for many,
// and OK stored it; Escape hid the lists and left an empty dialog whose Enter took the
// family.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QListView>
#include <QTest>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/log_font.h"
#include "app/settings_file.h"
#include "app/ui/font_dialog.h"
#include "every_window_support.h"

namespace {

using namespace every_window;

// Faces of the fonts the tests have, regular, bold and italic, spread over the slots.
void FillSlots() {
  ProgramSettings& settings = CurrentSettings();
  const char* faces[] = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"};
  for (std::size_t slot = 0; slot < kFontSlotCount; ++slot) {
    TLogFont font;
    font.faceName = faces[slot % 3];
    font.height = 8 + static_cast<int>(slot % 9);
    font.weight = slot % 2 == 0 ? 700 : 400;
    font.italic = slot % 4 == 1 ? 1 : 0;
    font.underline = slot % 5 == 2 ? 1 : 0;
    font.outPrecision = 3;
    font.pitchAndFamily = 0x22;
    settings.fontLogFont[slot] = EncodeLogFont(font);
  }
}

std::vector<TLogFont> SlotRecords() {
  std::vector<TLogFont> fonts;
  for (std::size_t slot = 0; slot < kFontSlotCount; ++slot) fonts.push_back(DecodeLogFont(CurrentSettings().fontLogFont[slot]));
  return fonts;
}

// The dialog on the screen, and a family other than the one it shows clicked in its family
// list: an alias ("Serif", "Sans Serif", "Monospace"), whose styles are named unlike
// DejaVu's ("Normal", "Italic", "Oblique" against "Book", "Bold"), when it shows a DejaVu
// face, else a DejaVu face. False when no other family was chosen.
bool ChooseAnotherFamily(TFontDlg& dialog) {
  dialog.show();
  (void)QTest::qWaitForWindowExposed(&dialog);
  const QString shown = dialog.Fonts()->currentFont().family();
  const bool dejaVuShown = shown.startsWith("DejaVu");
  for (QListView* list : dialog.Fonts()->findChildren<QListView*>()) {
    QModelIndex other;
    for (int r = 0; r < list->model()->rowCount(); ++r) {
      const QModelIndex index = list->model()->index(r, 0);
      const QString family = index.data().toString();
      if (!QFontDatabase::families().contains(family) || family == shown) continue;
      if (!other.isValid() || family.startsWith("DejaVu") != dejaVuShown) other = index;
    }
    if (!other.isValid() || list->model()->rowCount() < 2) continue;
    list->setFocus(Qt::MouseFocusReason);
    list->scrollTo(other);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(other).center());
    QApplication::processEvents();
    return dialog.Fonts()->currentFont().family() == other.data().toString();
  }
  return false;
}

std::string DialogName(const TFontDlg& dialog) {
  const QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
  return dialog.windowTitle().toStdString() + " of " + (owner ? owner->metaObject()->className() : "nothing");
}

TEST(EveryFontCommand, AFamilyChosenAloneKeepsEveryRecordsWeightSlantAndSize) {
  TProgramUnderWalk program("ondravik_font_families");
  FillSlots();
  std::vector<TLogFont> before = SlotRecords();
  std::map<std::string, int> chosen;
  int failures = 0;
  SetFontDialogRunner([&](TFontDlg& dialog) {
    EXPECT_TRUE(ChooseAnotherFamily(dialog)) << DialogName(dialog);
    ++chosen[DialogName(dialog)];
    dialog.accept();
    return dialog.result();
  });
  Walker walker(Clock::now() + std::chrono::minutes(4));
  program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); },
                          [&](const CommandInfo& c) {
                            const std::vector<TLogFont> after = SlotRecords();
                            for (std::size_t slot = 0; slot < kFontSlotCount; ++slot) {
                              const TLogFont& a = after[slot];
                              const TLogFont& b = before[slot];
                              if (a.weight != b.weight || a.italic != b.italic || a.height != b.height ||
                                  a.underline != b.underline || a.strikeOut != b.strikeOut) {
                                ++failures;
                                ADD_FAILURE() << "command " << c.id << " \"" << c.text << "\": slot " << slot << " "
                                              << b.faceName << " " << b.weight << (b.italic ? " italic" : "")
                                              << " became " << a.faceName << " " << a.weight
                                              << (a.italic ? " italic" : "");
                              }
                            }
                            before = after;  // a fault is told once, at its command
                          });
  SetFontDialogRunner({});
  EXPECT_FALSE(walker.TimedOut());
  int dialogs = 0;
  for (const auto& [name, count] : chosen) {
    dialogs += count;
    std::fprintf(stderr, "family chosen alone: %s (%d)\n", name.c_str(), count);
  }
  std::fprintf(stderr, "%zu font commands, %d dialogs, %d records changed beyond their face\n", chosen.size(), dialogs,
               failures);
  EXPECT_GE(chosen.size(), 8u);
}

TEST(EveryFontCommand, EscapeCancelsEveryFontDialogWhole) {
  TProgramUnderWalk program("ondravik_font_escape");
  FillSlots();
  std::vector<std::uint8_t> fonts = EncodeSettings(CurrentSettings(), 1280, 1024);
  std::map<std::string, int> escaped;
  SetFontDialogRunner([&](TFontDlg& dialog) {
    EXPECT_TRUE(ChooseAnotherFamily(dialog)) << DialogName(dialog);
    ++escaped[DialogName(dialog)];
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : static_cast<QWidget*>(&dialog), Qt::Key_Escape);
    if (dialog.isVisible()) {
      ADD_FAILURE() << DialogName(dialog) << ": Escape left the dialog open";
      QTest::keyClick(&dialog, Qt::Key_Return);  // what the user met next
      if (dialog.isVisible()) dialog.reject();
    }
    return dialog.result();
  });
  Walker walker(Clock::now() + std::chrono::minutes(4));
  program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); },
                          [&](const CommandInfo& c) {
                            const std::vector<std::uint8_t> now = EncodeSettings(CurrentSettings(), 1280, 1024);
                            // The font slots' colours and records: fields 3 and 5 of the settings
                            // (the colour flags of field 4 are what the Color items the walk
                            // clicks switch).
                            EXPECT_TRUE(std::equal(now.begin() + 8, now.begin() + 108, fonts.begin() + 8) &&
                                        std::equal(now.begin() + 208, now.begin() + 1708, fonts.begin() + 208))
                                << "command " << c.id << " \"" << c.text << "\" changed a font after Escape";
                            fonts = now;
                          });
  SetFontDialogRunner({});
  EXPECT_FALSE(walker.TimedOut());
  for (const auto& [name, count] : escaped) std::fprintf(stderr, "escaped: %s (%d)\n", name.c_str(), count);
  EXPECT_GE(escaped.size(), 8u);
}

}  // namespace
