#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <climits>

#include "app/ui/modal_answers.h"
#include "app/ui/small_controls.h"
#include "app/ui/spin_edit.h"
#include "platform/message_box.h"

namespace {

// Every key stays as typed, whatever the text reads to on the way: a key refused because
// the text would leave the range left another number ("25" under 10 stood as "2", "-7" as
// "-" then "7" over -5), which the field then took without a word. Finishing the field judges
// the whole text.
TEST(EditInt, KeepsEveryKeyAsTyped) {
  TEditInt edit(nullptr, 2, 1, 10), negative(nullptr, 10, -5, 5), wide(nullptr, 3, 10, 500);
  QTest::keyClicks(&edit, "25");
  EXPECT_EQ(edit.text(), "25");
  QTest::keyClicks(&negative, "-7");
  EXPECT_EQ(negative.text(), "-7");
  // Past the two characters of its widest value: not cut to "10".
  QTest::keyClicks(&wide, "1000");
  EXPECT_EQ(wide.text(), "1000");
  edit.clear();
  QTest::keyClicks(&edit, "-x+1");
  EXPECT_EQ(edit.text(), "-x+1");
}

// A key typed over a selection is judged on the text it makes: the selection goes, the key
// takes its place. Judged with the selection still there, every digit over a selected field
// read as a longer number and was refused.
TEST(EditInt, TypingOverASelectionIsJudgedOnTheTextItMakes) {
  struct Case {
    long min, max;
    const char* before;
    int selStart, selLength;
    const char* typed;
    const char* after;
  } cases[] = {
      {1, 10, "6", 0, 1, "4", "4"},          // "46" would pass the maximum
      {0, 359, "355", 0, 3, "350", "350"},   // "3355", "5355" were refused, "0355" left "0"
      {3, 8, "6", 0, 1, "5", "5"},           // the only digit of a 3 to 8 field
      {1, 999, "120", 1, 1, "9", "190"},     // a selection inside the text
      {-5, 5, "3", 0, 1, "-2", "-2"},        // a sign over a selection, then a digit
      {1, 10, "6", 0, 1, "x", "x"},          // a letter stays too, to be refused when finished
      {1, 10, "9", 0, 0, "5", "59"},         // no selection: "59" is kept, past the maximum
  };
  for (const Case& c : cases) {
    TEditInt edit(nullptr, 6, c.min, c.max);
    edit.setText(c.before);
    if (c.selLength > 0)
      edit.setSelection(c.selStart, c.selLength);
    else
      edit.setCursorPosition(0);
    QTest::keyClicks(&edit, c.typed);
    EXPECT_EQ(edit.text().toStdString(), c.after) << c.before << " <- " << c.typed;
  }
}

// Leaving an edit out of range puts the nearer bound and says so. A number too long for a
// long used to wrap and could land inside the range.
TEST(EditInt, LeavingOutOfRangePutsTheNearerBoundAndOverflowIsOutOfRange) {
  platform::ScriptedAnswers boxes;
  TEditInt edit(nullptr, 30, 1, 10);
  for (auto [text, bound] : {std::pair{"25", "10"}, {"0", "1"}, {"9999999999", "10"}}) {
    edit.setText(text);
    EXPECT_FALSE(edit.CheckRange()) << text;
    EXPECT_EQ(edit.text(), bound);
  }
  edit.setText("7");
  EXPECT_TRUE(edit.CheckRange());
  ASSERT_EQ(boxes.Boxes().size(), 3u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Invalid Entry");
  EXPECT_EQ(boxes.Boxes()[0].text, "Valid Range is 1 to 10");
  EXPECT_EQ(boxes.Boxes()[0].kind, platform::BoxKind::Exclamation);
  struct Case {
    const char* text;
    long value;
    bool ok;
  } cases[] = {
      {"  42abc", 42, true},      {"-17", -17, true},          {"+3", 3, true},
      {"abc", 0, true},           {"", 0, true},               {"-", 0, true},
      {"9223372036854775807", LONG_MAX, true},
      {"9223372036854775808", LONG_MAX, false},
      {"-9223372036854775808", LONG_MIN, true},
      {"-99999999999999999999", LONG_MIN, false},
  };
  for (const Case& c : cases) {
    long v = 1;
    EXPECT_EQ(ReadLeadingInteger(c.text, v), c.ok) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
}

TEST(RangeSpinEdit, StepsStopAtTheEndsAndArrowsFollow) {
  TRangeSpinEdit edit(nullptr);
  edit.SetRange(0, 10);
  edit.SetValue(10);
  edit.StepUp(1);
  EXPECT_EQ(edit.GetValue(), 10);
  EXPECT_FALSE(edit.Spinner()->UpEnabled());
  EXPECT_TRUE(edit.Spinner()->DownEnabled());
  edit.StepDown(3);
  EXPECT_EQ(edit.text(), "7");
  edit.StepDown(100);
  EXPECT_EQ(edit.GetValue(), 0);
  EXPECT_FALSE(edit.Spinner()->DownEnabled());
}

TEST(RangeSpinEdit, FormatSetsStepPageAndDecimalsAndValidateKeepsTheRange) {
  TRangeSpinEdit edit(nullptr);
  edit.SetFormat(".2");
  EXPECT_DOUBLE_EQ(edit.GetStep(), 0.01);
  EXPECT_DOUBLE_EQ(edit.PageStep(), 0.05);
  edit.SetPageSteps(4);  // kept through a later format
  EXPECT_DOUBLE_EQ(edit.PageStep(), 0.04);
  edit.SetFormat("");
  EXPECT_DOUBLE_EQ(edit.PageStep(), 4);
  edit.SetPageSteps(5);
  edit.SetFormat(".2");
  edit.SetValue(1.5);
  EXPECT_EQ(edit.text(), "1.50");
  edit.SetFormat(".0 %");
  edit.SetValue(12);
  EXPECT_EQ(edit.text(), "12 %");
  EXPECT_EQ(edit.GetValue(), 12);
  edit.SetFormat("");
  edit.SetValue(2.6);
  EXPECT_EQ(edit.text(), "3");
  edit.SetRange(2, 4);
  edit.setText("9");
  edit.Validate();
  EXPECT_EQ(edit.text(), "4");
  EXPECT_EQ(edit.MenuValues(), (std::vector<double>{2, 3, 4}));
  edit.SetRange(0, 1e9);  // a huge range offers a bounded menu
  EXPECT_EQ(edit.MenuValues().size(), 1000u);
}

TEST(RangeSpinEdit, CtrlShiftStepsByTheRangeMaximum) {
  TRangeSpinEdit edit(nullptr);
  edit.SetRange(0, 100);
  edit.SetValue(40);
  QTest::keyClick(&edit, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(edit.GetValue(), 100);
  QTest::keyClick(&edit, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(edit.GetValue(), 95);
  QTest::keyClick(&edit, Qt::Key_Down);
  EXPECT_EQ(edit.GetValue(), 94);
  TRangeSpinEdit negative(nullptr);
  negative.SetRange(-50, -10);
  negative.SetValue(-30);
  // The maximum is the step: in -50..-10 that moves the value down by 10.
  QTest::keyClick(&negative, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(negative.GetValue(), -40);
}

TEST(RangeSpinEdit, HeldArrowRepeatsUntilTheMinimum) {
  TRangeSpinEdit edit(nullptr);
  edit.resize(80, 24);
  edit.SetRange(0, 100);
  edit.SetValue(3);
  edit.show();
  TSpinner* spinner = edit.Spinner();
  const QPoint lower(spinner->width() / 2, spinner->height() * 3 / 4);
  QElapsedTimer held;
  held.start();
  QTest::mousePress(spinner, Qt::LeftButton, {}, lower);
  EXPECT_EQ(edit.GetValue(), 3);  // nothing yet: a click steps on release
  // A loaded machine only delays the timer, so the waits are for events, not for times.
  ASSERT_TRUE(PumpUntil([&] { return edit.GetValue() != 3; }));
  EXPECT_GE(held.elapsed(), 200);  // the first repeat waits its 250 ms (a coarse timer, 5% early at most)
  EXPECT_EQ(edit.GetValue(), 2);
  ASSERT_TRUE(PumpUntil([&] { return edit.GetValue() == 0; }));
  EXPECT_FALSE(spinner->DownEnabled());
  QTest::qWait(250);
  EXPECT_EQ(edit.GetValue(), 0);  // held at the minimum
  QTest::mouseRelease(spinner, Qt::LeftButton, {}, lower);
  EXPECT_EQ(edit.GetValue(), 0);
  QTest::mouseClick(spinner, Qt::LeftButton, {}, QPoint(spinner->width() / 2, 2));
  EXPECT_EQ(edit.GetValue(), 1);  // one click, one step
}

TEST(ListSpinEdit, StepsThroughTheListAndCompletesTypedText) {
  TListSpinEdit edit(nullptr);
  for (const char* t : {"Akima", "Bilinear", "Cubic"}) edit.AddText(t);
  edit.setText("bilinear");
  EXPECT_EQ(edit.Index(), 1);
  edit.StepUp(1);
  EXPECT_EQ(edit.text(), "Akima");
  EXPECT_FALSE(edit.Spinner()->UpEnabled());
  edit.StepDown(1);
  edit.StepDown(1);
  EXPECT_EQ(edit.text(), "Cubic");
  EXPECT_FALSE(edit.Spinner()->DownEnabled());
  edit.setText("bi");
  edit.Validate();
  EXPECT_EQ(edit.text(), "Bilinear");
  edit.setText("zzz");
  EXPECT_EQ(edit.Index(), -1);
}

}  // namespace
