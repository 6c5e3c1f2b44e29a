#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <string>

#include "app/data_files.h"
#include "app/data_statistics.h"
#include "app/data_session.h"
#include "app/settings_file.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/shell_state.h"
#include "platform/message_box.h"
#include "tools/ui/data_tool_commands.h"
#include "tools/ui/titles_dialog.h"

namespace {

class TablesUi : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentSettings() = DefaultSettings(1280, 1024);
    RegisterDataToolCommands(session_);
    ASSERT_TRUE(session_.Table.AllocPointArray());
    auto data = session_.Table.XYZData();
    for (std::size_t i = 1; i <= 5; ++i) data[i] = {1.0L * i, 2.0L * i, 1.0L * (i % 2), 1, kPointActive};
    SetPointCount(data, 5);
    session_.Table.SetXYZRows(5);
    ComputeDataStatistics(session_.Table, session_.DataStats);
    session_.DataTitles().Title = "Current";
    session_.DataFileLabel = "/data/current.txt";
  }
  void TearDown() override {
    for (int id : {CmTitles, CmStatistics, CmClearInactive, CmClearData}) UnregisterCommand(id);
  }
  TDataSession session_;
};

TEST_F(TablesUi, TitlesDialogShowsTheTableAndPreviousBringsBackTheTitlesBeforeTheImport) {
  // From the titles command there is no previous set; cancel leaves the titles.
  auto* d = new TTitlesDlg(nullptr, session_, nullptr);
  d->show();
  EXPECT_FALSE(d->PreviousButton()->isEnabled());
  EXPECT_EQ((QStringList{d->Edit(661)->text(), d->Static(666)->text(), d->Static(667)->text()}),
            (QStringList{"Current", "5", "/data/current.txt"}));
  EXPECT_EQ(d->Edit(661)->maxLength(), 80);
  EXPECT_EQ(d->Edit(662)->maxLength(), 40);
  d->Edit(662)->setText("Time");
  d->reject();
  EXPECT_TRUE(session_.DataTitles().XName.empty());
  delete d;
  TDataTitles previous;
  previous.Title = "Before";
  previous.ZName = "Old Z";
  d = new TTitlesDlg(nullptr, session_, &previous);
  d->show();
  ASSERT_TRUE(d->PreviousButton()->isEnabled());
  d->PreviousButton()->click();
  EXPECT_EQ(d->Edit(661)->text(), "Before");
  EXPECT_EQ(d->Edit(664)->text(), "Old Z");
  d->accept();
  EXPECT_EQ(session_.DataTitles().Title, "Before");
  EXPECT_EQ(session_.DataTitles().ZName, "Old Z");
  delete d;
}

// A data file deep in its folders keeps the titles dialog within the screen: the source field
// shows the path's start and its file name, the whole path in its tip (the dialog opened
// 1487 pixels wide on a screen of 1280).
TEST_F(TablesUi, TitlesDialogShortensADeepPathToItsWidth) {
  std::string path = "/data";
  for (int level = 0; level < 12; ++level) path += "/measurements_of_the_plate_series_" + std::to_string(level);
  path += "/plate_B_final.prn";
  session_.DataFileLabel = path;
  auto* d = new TTitlesDlg(nullptr, session_, nullptr);
  d->show();
  QApplication::processEvents();
  QLabel* source = d->Static(667);
  const int pathWidth = source->fontMetrics().horizontalAdvance(QString::fromStdString(path));
  EXPECT_LT(d->width(), pathWidth / 2);
  EXPECT_EQ(source->toolTip(), QString::fromStdString(path));
  EXPECT_TRUE(source->text().startsWith("/data/")) << source->text().toStdString();
  EXPECT_TRUE(source->text().endsWith("final.prn")) << source->text().toStdString();
  EXPECT_LE(source->fontMetrics().horizontalAdvance(source->text()), source->width());
  d->reject();
  delete d;
}

// A title typed with characters the program's text cannot hold is refused with a message
// naming them, instead of being kept as "??"; the titles stay as they were until it is mended.
TEST_F(TablesUi, TitlesOutsideWesternEuropeanTextAreRefusedWithAMessage) {
  platform::ScriptedAnswers answers;
  auto* d = new TTitlesDlg(nullptr, session_, nullptr);
  d->show();
  d->Edit(661)->setText(QString::fromUtf8("Plate \u65e5\u672c"));
  d->Edit(663)->setText(QString::fromUtf8("Width \u00e9\u20ac"));  // é and € fit
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Rejected);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Data Description and Variable Names");
  EXPECT_EQ(answers.Boxes()[0].text,
            "Only Western European characters can be kept here.\nThese characters cannot: U+65E5 U+672C");
  EXPECT_EQ(session_.DataTitles().Title, "Current");
  d->Edit(661)->setText("Plate");
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(session_.DataTitles().Title, "Plate");
  EXPECT_EQ(session_.DataTitles().YName, "Width \xe9\x80");
  delete d;
}

TEST_F(TablesUi, StatisticsWindowShowsTheStatisticsOfTheMoment) {
  TStatWin* w = table_commands::CmStatistics(session_);
  QApplication::processEvents();
  EXPECT_EQ(w->windowTitle(), "Basic Data Table Statistics");
  ASSERT_EQ(w->Lines().LineCount(), 17);
  EXPECT_STREQ(w->Lines().GetLine(0), "~#Description:~# ~$Current~$");
  EXPECT_NE(std::string(w->Lines().GetLine(3)).find("~!1           ~!"), std::string::npos);
  w->close();
}

// The window follows the data while it is open: a changed point, new titles and a new file
// are shown at the next look (its timer), without anyone asking; an emptied table closes it.
// It kept the figures it opened with beside a status window that showed the new ones.
TEST_F(TablesUi, StatisticsWindowFollowsTheDataWhileOpen) {
  TStatWin* w = table_commands::CmStatistics(session_);
  QApplication::processEvents();
  QTimer* follow = w->findChild<QTimer*>("follow");
  ASSERT_NE(follow, nullptr);
  const auto look = [follow] {
    follow->start(0);
    QApplication::processEvents();
  };
  const auto line = [w](int i) { return std::string(w->Lines().GetLine(i)); };
  ASSERT_NE(line(3).find("~!1           ~!"), std::string::npos) << line(3);  // Xmin 1
  session_.Table.XYZData()[1].X = 0.25L;
  ComputeDataStatistics(session_.Table, session_.DataStats);
  look();
  EXPECT_NE(line(3).find("~!0.25        ~!"), std::string::npos) << line(3);
  session_.DataTitles().Title = "Renamed";
  look();
  EXPECT_EQ(line(0), "~#Description:~# ~$Renamed~$");
  // Nothing changed: the text stays as it was built, its time included.
  const int before = w->Lines().LineCount();
  const std::string time = line(before - 2);
  look();
  EXPECT_EQ(line(before - 2), time);
  QPointer<TStatWin> open(w);
  session_.Table.SetXYZRows(0);
  look();
  QApplication::processEvents();
  EXPECT_TRUE(open.isNull() || !open->isVisible());
  if (open) open->close();
}

}  // namespace
