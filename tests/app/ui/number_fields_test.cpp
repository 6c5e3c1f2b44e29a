// The one contract of the number fields: leaving a field, OK and Save put a text that is not a
// value of the field's range right (clamped, or back to the last value held) and say so; what
// a field shows is then the value its window uses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <limits>

#include "app/ui/dialog.h"
#include "app/ui/number_field.h"
#include "app/ui/small_controls.h"
#include "app/ui/spin_edit.h"
#include "platform/message_box.h"

namespace {

// A dialog with one field of each kind, a plain button to leave them for, and Cancel.
class FieldsDialog : public TDlg {
 public:
  FieldsDialog() : TDlg(nullptr) {
    auto* layout = new QVBoxLayout(this);
    integer = new TEditInt(this, 10, 1, 10);
    integer->setText("5");
    spin = new TRangeSpinEdit(this);
    spin->SetRange(0, 100);
    spin->SetValue(50);
    TRealFieldRules cm;
    cm.minimum = 0;
    cm.maximum = 100;
    cm.caption = "Margins";
    cm.message = "A margin is 0 to 100 cm.";
    real = new TEditReal(this, 8, cm);
    real->setText("2.54");
    TRealFieldRules bound;
    bound.takesEmpty = true;
    open = new TEditReal(this, 20, bound);
    other = new QPushButton("Other", this);
    ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");
    for (QWidget* w : std::initializer_list<QWidget*>{integer, spin, real, open, other, ok, cancel}) layout->addWidget(w);
  }
  TEditInt* integer;
  TRangeSpinEdit* spin;
  TEditReal* real;
  TEditReal* open;
  QPushButton* other;
  QPushButton* ok;
  QPushButton* cancel;
};

class NumberFields : public ::testing::Test {
 protected:
  NumberFields() {
    d.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
    QApplication::setActiveWindow(&d);
  }
  // Types `text` over the field, then gives the focus to `next` (Tab order aside).
  void TypeAndLeave(QLineEdit* field, const QString& text, QWidget* next) {
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    field->del();
    QTest::keyClicks(field, text);
    next->setFocus(Qt::TabFocusReason);
  }
  platform::ScriptedAnswers answers;
  FieldsDialog d;
};

TEST_F(NumberFields, LeavingAFieldPutsItRightAndSaysSo) {
  struct Case {
    const char* what;
    QLineEdit* field;
    const char* typed;
    const char* shown;  // after leaving
    const char* said;   // the box, or none
  };
  const Case cases[] = {
      // The integer field's keys refuse letters and signs it cannot take, so only what
      // passes the keys is left: an emptied field, a number past the range.
      {"an emptied integer", d.integer, "", "5", "Valid Range is 1 to 10"},
      {"0 below 1..10", d.integer, "0", "1", "Valid Range is 1 to 10"},
      {"an integer held", d.integer, "7", "7", nullptr},
      // Spin edits keep quiet on leaving: their arrows show the range.
      {"letters in a spin edit", d.spin, "abc", "50", nullptr},
      {"a lone sign", d.spin, "-", "50", nullptr},
      {"a decimal in a whole-number spin edit", d.spin, "2.5", "50", nullptr},
      {"past the spin range", d.spin, "150", "100", nullptr},
      {"a spin value held", d.spin, "42", "42", nullptr},
      {"a decimal comma", d.real, "1,5", "2.54", "A margin is 0 to 100 cm."},
      {"an emptied real", d.real, "", "2.54", "A margin is 0 to 100 cm."},
      {"past the real range", d.real, "150", "100", "A margin is 0 to 100 cm."},
      {"below the real range", d.real, "-1", "0", "A margin is 0 to 100 cm."},
      {"a real held", d.real, " 3.5 ", " 3.5 ", nullptr},
      {"an open bound left empty", d.open, "", "", nullptr},
      {"an open bound given", d.open, "1e300", "1e300", nullptr},
      {"no number in an open bound", d.open, "2,5", "1e300", "Enter a number."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t boxes = answers.Boxes().size();
    TypeAndLeave(c.field, c.typed, d.other);
    EXPECT_EQ(c.field->text().toStdString(), c.shown);
    ASSERT_EQ(answers.Boxes().size(), boxes + (c.said != nullptr ? 1 : 0));
    if (c.said != nullptr) {
      EXPECT_EQ(answers.Boxes().back().text, c.said);
    }
    EXPECT_TRUE(NumberFieldOf(c.field)->Holds(c.field->text()));
  }
  EXPECT_EQ(answers.Boxes().front().caption, "Invalid Entry");
  EXPECT_EQ(d.integer->Value(), 7);
  EXPECT_EQ(d.spin->TypedValue(), 42.0L);
  EXPECT_EQ(d.real->TypedValue(), 3.5L);
}

// Cancel abandons what was typed, and a window that loses the focus to another window keeps
// the text until the user comes back: neither puts a field right, nor says a word.
TEST_F(NumberFields, CancelAndAnotherWindowLeaveTheTextAlone) {
  TypeAndLeave(d.integer, "", d.cancel);
  EXPECT_EQ(d.integer->text(), "");
  d.integer->setFocus(Qt::TabFocusReason);
  QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(d.integer, &away);
  EXPECT_EQ(d.integer->text(), "");
  EXPECT_TRUE(answers.Boxes().empty());
}

// OK puts every field right before anything is stored, and stays open on the first one it
// changed, selected, with that field's words; the next OK closes.
TEST_F(NumberFields, OkPutsEveryFieldRightAndStaysOpenOnTheFirst) {
  d.spin->setText("abc");
  d.real->setText("250");
  d.accept();
  EXPECT_TRUE(d.isVisible());
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Valid Range is 0 to 100");  // the spin edit's words at OK
  EXPECT_TRUE(d.spin->hasFocus());
  EXPECT_EQ(d.spin->selectedText(), "50");
  EXPECT_EQ(d.real->text(), "100");
  d.accept();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(answers.Boxes().size(), 1u);
}

// A field the user cannot reach shows what the program wrote: OK leaves it alone. A range
// without a value in it (an engine with nothing to offer) leaves its field alone too.
TEST_F(NumberFields, DisabledFieldsAndEmptyRangesAreLeftAsWritten) {
  d.real->setText("abc");
  d.real->setEnabled(false);
  d.spin->SetRange(4, 3);
  d.spin->setText("3");
  EXPECT_FALSE(d.spin->HasRange());
  d.accept();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.real->text(), "abc");
  EXPECT_EQ(d.spin->text(), "3");
  EXPECT_TRUE(answers.Boxes().empty());
}

// While the user types, a window that follows a field at once sees a value only for a text
// that is wholly one of the range; the text held follows the same rule.
TEST_F(NumberFields, TypedValuesAreOnlyThoseOfTheRange) {
  struct Case {
    const char* typed;
    std::optional<long double> value;
    const char* held;
  };
  // The text held is the value before the typing began, until a text is settled.
  const Case cases[] = {{"4", 4.0L, "50"},           {"4x", std::nullopt, "50"}, {"", std::nullopt, "50"},
                        {"150", std::nullopt, "50"}, {"99", 99.0L, "50"},      {"-", std::nullopt, "50"}};
  d.spin->setFocus();
  for (const Case& c : cases) {
    d.spin->selectAll();
    d.spin->del();
    QTest::keyClicks(d.spin, c.typed);
    EXPECT_EQ(d.spin->TypedValue(), c.value) << c.typed;
    EXPECT_EQ(d.spin->HeldText().toStdString(), c.held) << c.typed;
  }
  d.spin->setText("99");  // written by the window (the arrows, a recomputation): held at once
  EXPECT_EQ(d.spin->HeldText(), "99");
  d.spin->selectAll();
  d.spin->del();
  QTest::keyClicks(d.spin, "12");
  EXPECT_EQ(d.spin->Settle(), TNumberField::Settled::kKept);  // settled: held
  EXPECT_EQ(d.spin->HeldText(), "12");
  EXPECT_TRUE(answers.Boxes().empty());
}

// A user's click on OK: the press moves the focus to the button, which leaves the field,
// before OK acts. A field put right on that leaving keeps the window open with its words, one
// box only, and the next click closes on the value shown. (The spin edits settled quietly on
// leaving and OK then found nothing to say: the window closed on a value never seen.)
TEST_F(NumberFields, ClickOnOkAfterABadTextKeepsTheWindowOpenWithOneMessage) {
  struct Case {
    const char* what;
    QLineEdit* field;
    const char* typed;
    const char* shown;
    const char* said;
  };
  const Case cases[] = {
      {"past the spin range", d.spin, "150", "100", "Valid Range is 0 to 100"},
      {"letters in a spin edit", d.spin, "abc", "100", "Valid Range is 0 to 100"},  // back to the value held
      {"below the integer range", d.integer, "0", "1", "Valid Range is 1 to 10"},
      {"past the real range", d.real, "150", "100", "A margin is 0 to 100 cm."},
      {"no number in an open bound", d.open, "2,5", "", "Enter a number."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t before = answers.Boxes().size();
    c.field->setFocus(Qt::TabFocusReason);
    c.field->selectAll();
    c.field->del();
    QTest::keyClicks(c.field, c.typed);
    QTest::mouseClick(d.ok, Qt::LeftButton);
    ASSERT_TRUE(d.isVisible());
    ASSERT_EQ(answers.Boxes().size(), before + 1);
    EXPECT_EQ(answers.Boxes().back().text, c.said);
    EXPECT_EQ(c.field->text().toStdString(), c.shown);
    EXPECT_TRUE(c.field->hasFocus());
    EXPECT_EQ(c.field->selectedText().toStdString(), c.shown);
  }
  const std::size_t told = answers.Boxes().size();
  QTest::mouseClick(d.ok, Qt::LeftButton);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(answers.Boxes().size(), told);
}

// A click on a button that does not use the fields puts a spin edit right in sight and keeps
// quiet; OK then says what the field took, unless the user went back to the field and saw it
// or the window wrote another value over it.
TEST_F(NumberFields, ACorrectionMadeOnAClickIsToldAtOkUnlessSeen) {
  const auto typeAndClick = [&](const char* typed, QPushButton* button) {
    d.spin->setFocus(Qt::TabFocusReason);
    d.spin->selectAll();
    d.spin->del();
    QTest::keyClicks(d.spin, typed);
    QTest::mouseClick(button, Qt::LeftButton);
  };
  typeAndClick("150", d.other);
  EXPECT_EQ(d.spin->text(), "100");
  EXPECT_TRUE(d.spin->PutRightUnseen());
  EXPECT_TRUE(answers.Boxes().empty());
  d.accept();
  EXPECT_TRUE(d.isVisible());
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_FALSE(d.spin->PutRightUnseen());

  typeAndClick("150", d.other);
  d.spin->setFocus(Qt::MouseFocusReason);  // back in the field: seen
  EXPECT_FALSE(d.spin->PutRightUnseen());

  typeAndClick("-5", d.other);
  EXPECT_TRUE(d.spin->PutRightUnseen());
  d.spin->SetValue(20);  // the window wrote another value: nothing unseen is shown
  EXPECT_FALSE(d.spin->PutRightUnseen());

  // The keyboard's way to OK: Tab moves there and the spin edit settles quietly; OK says it.
  typeAndClick("150", d.other);
  d.spin->setFocus(Qt::TabFocusReason);
  d.spin->selectAll();
  d.spin->del();
  QTest::keyClicks(d.spin, "-3");
  d.ok->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(d.spin->text(), "0");
  const std::size_t before = answers.Boxes().size();
  QTest::keyClick(d.ok, Qt::Key_Space);
  EXPECT_TRUE(d.isVisible());
  ASSERT_EQ(answers.Boxes().size(), before + 1);
  EXPECT_EQ(answers.Boxes().back().text, "Valid Range is 0 to 100");
  EXPECT_TRUE(d.spin->hasFocus());
  QTest::mouseClick(d.ok, Qt::LeftButton);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(answers.Boxes().size(), before + 1);
}

}  // namespace
