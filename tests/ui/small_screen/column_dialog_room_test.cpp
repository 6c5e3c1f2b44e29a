// The column-selection dialogs of the import road on a screen of 1024 x 768: within the
// screen, OK, Cancel and Help among it (the XYZ dialog with its preview was 1108 pixels wide,
// its Help past the screen's right edge).
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <string>

#include "exchange/import_registration.h"
#include "exchange/ui/visual_column_dialog.h"
#include "small_screen.h"
#include "support/scratch_files.h"

namespace {

// Seven columns under long names, as a survey's export has them.
std::string SurveyColumns() {
  std::string text = "station_number easting_in_metres northing_in_metres depth_below_datum_m "
                     "standard_deviation_m temperature_celsius salinity_psu\n";
  for (int i = 1; i <= 30; ++i)
    text += std::to_string(i) + " " + std::to_string(500000 + 10 * (i % 6)) + " " + std::to_string(6100000 + 10 * (i / 6)) +
            " " + std::to_string(20 + i) + " 0.5 12.25 35.1\n";
  return text;
}

void ExpectWithinTheScreen(QDialog& dialog) {
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QRect screen = dialog.screen()->availableGeometry();
  const std::string name = dialog.windowTitle().toStdString();
  EXPECT_TRUE(screen.contains(small_screen::Framed(&dialog)))
      << name << ": " << dialog.width() << " x " << dialog.height() << " at " << dialog.x() << "," << dialog.y();
  int buttons = 0;
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
    if (!b->isVisible()) continue;
    ++buttons;
    EXPECT_TRUE(screen.contains(QRect(b->mapToGlobal(QPoint(0, 0)), b->size())))
        << name << ": the button " << b->text().toStdString() << " lies past the screen's edge";
  }
  EXPECT_GE(buttons, 3) << name;
  // The list shows its columns' names whole: at 1024 x 768 it was 238 pixels wide with its
  // labels cut while the preview beside it took 475.
  for (QListWidget* list : dialog.findChildren<QListWidget*>()) {
    ASSERT_GT(list->count(), 0) << name;
    EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0))
        << name << ": the list is " << list->width() << " pixels wide for entries of " << list->sizeHintForColumn(0);
  }
  for (QWidget* pane : dialog.findChildren<QWidget*>(QString::number(TDlgVisSelXYZ::kPane)))
    EXPECT_GE(pane->width(), pane->minimumWidth()) << name << ": the preview";
  std::fprintf(stderr, "%s: %d x %d\n", name.c_str(), dialog.width(), dialog.height());
  dialog.hide();
}

TEST(ColumnDialogsAt1024x768, OpenWithinTheScreenWithEveryButtonOnIt) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768));
  RegisterImportReaders();
  ScratchDir dir("ondravik_column_room");
  const std::string path = dir.Write("survey.txt", SurveyColumns());
  int previewOn = 1, sd = 0;
  TImportColumns columns;
  TDlgVisSelXYZ xyz(nullptr, path, 4, &previewOn, &sd, columns);
  ExpectWithinTheScreen(xyz);
  TDlgSelXYZ xy(nullptr, kSelectXYTemplate, path, 4, true, columns);
  ExpectWithinTheScreen(xy);
}

}  // namespace
