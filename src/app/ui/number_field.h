// One contract for every entry field that holds a number: what a field shows is what the
// program uses and stores.
//  - While the user types, a dialog that follows the field at once takes its value only from
//    a text that reads wholly to a value in the field's range (TypedValue); any other text
//    leaves the dialog as it was.
//  - Leaving the field for another control of its window settles it: a number out of the range
//    is clamped and shown clamped; a text that is not a number ("abc", "1,5", "-", an empty
//    text where the field needs a value) goes back to the last text the field held. Either
//    way the field says what it takes, unless it keeps quiet on leaving (the spin edits,
//    whose arrows show the range).
//  - OK, Save and every other command that uses the fields settle them first (SettleFields):
//    a field that had to be put right keeps its window open, takes the focus with its text
//    selected and says what it takes, so that nothing is stored that was not shown.
//  - A field left for a push button (a click on OK moves the focus there before OK acts) is
//    put right without a word at that moment: a box inside the button's press would swallow
//    the click or let it through after it. The field keeps a mark that it was put right
//    unseen, and the next SettleFields (the button's own, when it uses the fields) says what
//    the field takes and keeps the window open, so that a click never closes a window on a
//    value the user did not see. The mark goes when the user comes back to the field, when it
//    is told, or when the field shows another text.
//  - Whatever the field's own reading makes of a text, the text typed stays as typed, key by
//    key: a field never writes into itself while the user types. A value the window holds
//    otherwise than typed (a start value kept strictly inside its limits) is shown when the
//    field is finished (left, or settled by OK or a button): "0" then "0.5" under a lower
//    limit of 0 is never "0.0001.5".
//  - Reset writes only values its fields take; Read writes what the file holds, and a value
//    a field does not take is put right when the field is next settled.
// The field classes (TEditInt, TRangeSpinEdit, TEditReal) are line edits that keep this
// contract; the walk of every window finds them through TNumberField.
#pragma once

#include <QLineEdit>
#include <QString>

#include <functional>
#include <limits>
#include <optional>

class QAbstractSlider;
class QFocusEvent;

class TNumberField {
 public:
  enum class Settled { kKept, kClamped, kRestored };

  virtual ~TNumberField() = default;
  TNumberField(const TNumberField&) = delete;
  TNumberField& operator=(const TNumberField&) = delete;

  QLineEdit& Edit() const { return edit_; }
  // The value a whole text reads to, inside the range or not; none when it is not a value.
  virtual std::optional<long double> Read(const QString& text) const = 0;
  virtual long double RangeMinimum() const = 0;
  virtual long double RangeMaximum() const = 0;
  // The text the field shows a value with (a bound it was clamped to).
  virtual QString TextOf(long double value) const = 0;
  // What the field says when it puts a text right: "Valid Range is %d to %d" with its
  // bounds ("Enter a number." without bounds), under "Invalid Entry", unless the field has
  // words of its own.
  virtual QString Message() const;
  virtual QString MessageCaption() const;

  // A text the field holds: one that reads to a value in the range, or an empty text where
  // the field takes one (an open bound).
  bool Holds(const QString& text) const;
  // The value of the text shown now when the field holds it; none otherwise (an empty text
  // included).
  std::optional<long double> TypedValue() const;
  // The last text the field held, the one it goes back to: the last the program wrote or
  // that was settled (not one the user is typing through).
  QString HeldText() const;
  bool TakesEmpty() const { return takesEmpty_; }
  // False when the range holds no value (its minimum above its maximum).
  bool HasRange() const { return !(RangeMinimum() > RangeMaximum()); }
  bool QuietOnLeave() const { return quietOnLeave_; }

  // Puts the text right as leaving the field does, without a word.
  Settled Settle();
  // Put right when it was left for a push button and not told since, still showing the text
  // it was put right to.
  bool PutRightUnseen() const;
  // The field's message in a box over its window; the field has then been seen.
  void Tell();
  // Forgets the mark of a correction not told (a Reset about to write every field).
  void Seen() { unseen_.reset(); }

 protected:
  // The field is finished, its text put right (every Settle ends here): a window that holds
  // the value otherwise than typed may show it now.
  virtual void Finished() {}

  explicit TNumberField(QLineEdit& edit);
  void SetTakesEmpty(bool takes) { takesEmpty_ = takes; }
  void SetQuietOnLeave(bool quiet) { quietOnLeave_ = quiet; }
  // For the edit's focusOutEvent: settles (and tells, unless quiet) when the focus goes to
  // another control of the window, not when the window itself loses the focus or closes,
  // and not when the focus goes to a Cancel button, which abandons what was typed.
  void Leave(const QFocusEvent* event);
  // For the edit's focusInEvent: the user is back in the field and sees what it shows.
  void Entered() { Seen(); }
  // The range or the reading changed: the text held is judged again at the next change.
  void Rejudge();

 private:
  Settled PutRight();
  void TextChanged();
  void Hold(const QString& text);

  QLineEdit& edit_;
  QString held_;
  bool heldSet_ = false;
  std::optional<long double> reading_;  // Read of the text shown, kept at each change
  bool takesEmpty_ = false;
  bool quietOnLeave_ = false;
  std::optional<QString> unseen_;  // the text put right on leaving for a button, not told yet
};

// A press on a scroll bar or on spin arrows that step a field (`bar`: the slider, or null for
// a field's own arrows) finishes the field as leaving it does, since a bar never takes the
// focus from it: a text the field holds is kept and the press may act (true); one past its
// range, or no value, is put right and the press does no more (false): it stepped from the
// last part of what was typed that the field held ("25" under a limit of 10 moved on from
// "2"). The field then says what it takes, unless it keeps quiet on leaving, once the press
// is over (a box within it would leave the bar repeating), and takes the focus.
[[nodiscard]] bool SettledByPress(TNumberField& field, QAbstractSlider* bar);

// Settles every number field of `window` that the user can type into (the OK road and every
// command that uses the fields). False when one had to be put right, now or unseen when it
// was left for a button: the window stays open, the first such field takes the focus
// selected and says what it takes. Disabled and hidden fields show what the program wrote
// and are left alone.
[[nodiscard]] bool SettleFields(QWidget* window);
// Settles every number field of `window` without a word and forgets the corrections not
// told (before a Reset writes its values).
void SettleFieldsQuietly(QWidget* window);
// The number field `edit` is, or none.
TNumberField* NumberFieldOf(QLineEdit* edit);

// Writes a value's text into an entry field as the program shows what it holds: whole (a
// text longer than the field's typing limit widens it rather than being cut, "2.000253838146"
// for a start of 2.000253838146009044 lay below its lower limit) and, unless the user is in
// the field, from its first digit (Qt leaves the cursor after the last character, and a text
// wider than its field showed only its tail, "0253838146009044").
void ShowFromFirstDigit(QLineEdit& edit, const QString& text);
// Selects the whole text of `edit` with the cursor before its first character, so that a
// text wider than the field shows its start (selectAll leaves the cursor after the last).
void SelectFromFirstDigit(QLineEdit& edit);

// A field of a real number: by default one decimal number (ReadRealText) in a range, shown
// with "%.10Lg" when put right. A dialog may give its own reading (a formula of the
// calculation language), its own way of showing a value, its own message, and let an
// empty text stand for "none" (an open bound).
struct TRealFieldRules {
  long double minimum = -std::numeric_limits<long double>::infinity();
  long double maximum = std::numeric_limits<long double>::infinity();
  std::function<std::optional<long double>(const QString&)> read;
  std::function<QString(long double)> show;
  QString caption;  // empty: "Invalid Entry"
  QString message;  // empty: "Valid Range is ... to ..."
  bool takesEmpty = false;
  // Called when the field is finished (TNumberField::Finished).
  std::function<void()> finished;
};

class TEditReal : public QLineEdit, public TNumberField {
  Q_OBJECT
 public:
  TEditReal(QWidget* parent, int textLimit, TRealFieldRules rules = {});

  std::optional<long double> Read(const QString& text) const override;
  long double RangeMinimum() const override { return rules_.minimum; }
  long double RangeMaximum() const override { return rules_.maximum; }
  QString TextOf(long double value) const override;
  QString Message() const override;
  QString MessageCaption() const override;
  void SetRange(long double minimum, long double maximum);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void Finished() override;

 private:
  TRealFieldRules rules_;
};
