// Check boxes and radio buttons answer a click anywhere on their control, as the program's
// start sets them: a control stretched to a wide column beside a short label took a click
// beside its text for none (the scattered-data window's "Akima I" and "Watson", the
// sampler's "Invert"). Nothing else of their behaviour or look changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/qt/whole_control_clicks.h"

namespace {

TEST(WholeControlClicks, ShortLabelsInAWideColumnAnswerAClickBesideTheirText) {
  platform::qt::ClickWholeControls();  // as the program starts (and no second style)
  const QStyle* style = QApplication::style();
  platform::qt::ClickWholeControls();
  EXPECT_EQ(QApplication::style(), style);

  QWidget column;
  auto* box = new QVBoxLayout(&column);
  auto* check = new QCheckBox("Invert", &column);
  auto* first = new QRadioButton("Akima I", &column);
  auto* second = new QRadioButton("Watson", &column);
  box->addWidget(check);
  box->addWidget(first);
  box->addWidget(second);
  column.resize(400, 120);
  column.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&column));
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{check, first, second})
    ASSERT_GT(b->width(), 2 * b->sizeHint().width()) << b->text().toStdString();

  // At the centre and near the right edge, well past the text.
  QSignalSpy toggles(check, &QCheckBox::toggled);
  QTest::mouseClick(check, Qt::LeftButton, {}, check->rect().center());
  EXPECT_TRUE(check->isChecked());
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(check->width() - 3, check->height() / 2));
  EXPECT_FALSE(check->isChecked());
  EXPECT_EQ(toggles.count(), 2);
  QTest::mouseClick(second, Qt::LeftButton, {}, second->rect().center());
  EXPECT_TRUE(second->isChecked());
  QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(first->width() - 3, first->height() / 2));
  EXPECT_TRUE(first->isChecked());
  EXPECT_FALSE(second->isChecked());
  // A press that leaves the control before its release is no click, as before.
  QTest::mousePress(second, Qt::LeftButton, {}, second->rect().center());
  QTest::mouseMove(second, QPoint(second->width() / 2, -40));
  QTest::mouseRelease(second, Qt::LeftButton, {}, QPoint(second->width() / 2, -40));
  EXPECT_FALSE(second->isChecked());
}

}  // namespace
