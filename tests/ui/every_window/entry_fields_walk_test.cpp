// Every number field of every window the command table reaches, typed over as a careless user
// types: "abc", an empty text, "1,5", a lone "-", a number above the field's range and one
// below it, each followed by leaving the field; then the same bad text left in a field when
// Reset, Save and OK are pressed. After each, either a message was answered and the window is
// still open, or the field shows wholly a value of its range, which is then the value the
// window holds (the fields keep the program's one contract: app/ui/number_field.h). A plain
// edit that shows a number is a number field outside that contract, and fails the walk unless
// its window reads it as a statement only when its own command runs (named below).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "app/c_format.h"
#include "app/field_text.h"
#include "app/ui/number_field.h"
#include "every_window_support.h"
#include "number_field_walk.h"
#include "app/ui/main_window.h"
#include "fit/session.h"
#include "support/table_bytes.h"
#include "tools/ui/udf_dialog.h"

namespace {

using namespace every_window;

// Windows whose plain edits hold statements of the calculation language that are read only
// when the window's own command runs (and refused there, with the focus on the field): the
// evaluation table, the data generation and export range dialogs, the view function.
const std::set<std::string> kStatementWindows = {"TDlgEval", "TGenASCII", "TGenParms", "TDlgVFXY", "TQPWin",
                                                 "TLotus",   "TExcel",    "TASCIIGen", "TMerovane", "TDlgUDF",
                                                 "TCalc"};

std::string Where(const QWidget* window, const QLineEdit* edit) {
  return std::string(window->metaObject()->className()) + " \"" + window->windowTitle().toStdString() + "\" field " +
         edit->objectName().toStdString();
}

// The text of a number just outside the field's range, above or below; none when the range has
// no end there.
std::optional<QString> Outside(const TNumberField& f, bool above) {
  const long double bound = above ? f.RangeMaximum() : f.RangeMinimum();
  if (!std::isfinite(bound)) return std::nullopt;
  const long double step = std::max(1.0L, std::fabs(bound) * 0.5L);
  return QString::fromStdString(CFormat("%.12Lg", above ? bound + step : bound - step));
}

// Remembers what a field showed, and whether it held it, when its window went away.
class HideWatch : public QObject {
 public:
  explicit HideWatch(QLineEdit* edit) : edit_(edit) { edit->installEventFilter(this); }
  bool Seen() const { return seen_; }
  bool Held() const { return held_; }
  const QString& Text() const { return text_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == edit_ && event->type() == QEvent::Hide && !seen_) {
      seen_ = true;
      text_ = edit_->text();
      const TNumberField* f = NumberFieldOf(edit_);
      held_ = f != nullptr && f->Holds(text_);
    }
    return false;
  }

 private:
  QLineEdit* edit_;
  bool seen_ = false;
  bool held_ = false;
  QString text_;
};

// The walk's Save step answers the save dialog it opens with a file of the scratch folder;
// every other file dialog goes to the program's scripted answers (cancelled).
class SaveAnswers : public platform::FileDialogService {
 public:
  explicit SaveAnswers(std::string path) : path_(std::move(path)), previous_(platform::SetFileDialogService(this)) {}
  ~SaveAnswers() override { platform::SetFileDialogService(previous_); }
  void Armed(bool armed) { armed_ = armed; }
  std::optional<platform::FileChoice> ChooseFile(const platform::FileDialogRequest& request) override {
    if (armed_ && request.save) return platform::FileChoice{path_, request.filterIndex};
    return previous_->ChooseFile(request);
  }

 private:
  std::string path_;
  platform::FileDialogService* previous_;
  bool armed_ = false;
};

// A button pressed from the keyboard (an Alt+letter: the focus stays in the field) or with
// the mouse (the press moves the focus to the button, out of the field, before it acts).
enum class Press { kKeyboard, kMouse };

void PressButton(QAbstractButton* b, Press press) {
  if (press == Press::kKeyboard) {
    b->click();
    return;
  }
  QApplication::setActiveWindow(b->window());
  QTest::mouseClick(b, Qt::LeftButton);
}

const char* PressName(Press press) { return press == Press::kKeyboard ? "" : " clicked"; }

class FieldWalk {
 public:
  FieldWalk(TProgramUnderWalk& program, Walker*& walker)
      : program_(program), walker_(walker), saves_(program.Home().File("saved_by_the_field_walk")) {}

  void operator()(const QPointer<QWidget>& w) {
    const std::string key = std::string(w->metaObject()->className()) + " " + w->windowTitle().toStdString();
    if (auto* udf = qobject_cast<TDlgUDF*>(w.data()); udf != nullptr && !adjusted_) {
      // The adjust graph opens on a function only: one is typed, and the graph walked.
      adjusted_ = true;
      TypeFunctionToAdjust(*udf);
      walker_->Act(w, [&] { udf->Button(15)->click(); });
    }
    if (!w || !w->isVisible() || !walked_.insert(key).second) return;
    OpenClosedFields(w, [&](QAbstractButton* b) { walker_->Act(w, [&] { QTest::mouseClick(b, Qt::LeftButton); }); });
    std::vector<QPointer<QLineEdit>> fields = NumberFields(w);
    if (fields.empty()) return;
    fieldsByWindow_[w->metaObject()->className()] += static_cast<int>(fields.size());
    std::fprintf(stderr, "    fields of %s: %zu\n", key.c_str(), fields.size());
    for (const QPointer<QLineEdit>& e : fields) LeaveWithBadTexts(w, e);
    for (const Press press : {Press::kKeyboard, Press::kMouse}) {
      PressAndCheck(w, fields, "18", "Reset", press);
      saves_.Armed(true);
      PressAndCheck(w, fields, "14", "Save", press);
      saves_.Armed(false);
    }
    OkWithBadText(w, fields, Press::kKeyboard);
    OkWithBadText(w, fields, Press::kMouse);
  }

  void Opened(const QPointer<QWidget>& w) { LookForPlainNumbers(w); }

  int FieldsOf(const std::string& window) const {
    const auto it = fieldsByWindow_.find(window);
    return it == fieldsByWindow_.end() ? 0 : it->second;
  }
  int Steps() const { return steps_; }

 private:
  // A window's plain edits as it opens: one that shows a number is a number field outside
  // the contract.
  void LookForPlainNumbers(const QPointer<QWidget>& w) {
    if (!w || kStatementWindows.count(w->metaObject()->className())) return;
    for (QLineEdit* e : Walker::OpenEdits(w))
      if (NumberFieldOf(e) == nullptr && e->window() == w && !InsideQtOwnDialog(e) &&
          ReadRealText(e->text().toStdString()))
        ADD_FAILURE() << Where(w, e) << " shows the number \"" << e->text().toStdString()
                      << "\" but keeps no number field's contract";
  }

  // An edit of a dialog Qt makes, held inside one of ours (the font chooser's size box, whose
  // own validator and list keep it): Qt's control, not one of the program's fields.
  static bool InsideQtOwnDialog(const QWidget* e) {
    for (const QWidget* p = e->parentWidget(); p != nullptr && p != e->window(); p = p->parentWidget())
      if (Walker::QtOwnDialog(const_cast<QWidget*>(p))) return true;
    return false;
  }

  static void Type(QLineEdit* e, const QString& text) {
    QApplication::setActiveWindow(e->window());
    e->setFocus();
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(e, Qt::Key_Delete);
    if (!text.isEmpty()) QTest::keyClicks(e, text);
  }

  // After a step on `w`: a message answered with the window still open, or `e` showing
  // wholly a value of its range.
  void Check(const QPointer<QWidget>& w, const QPointer<QLineEdit>& e, int boxesBefore, const std::string& step) {
    ++steps_;
    if (!w || !e) return;
    const bool told = program_.Answers().Shown() > boxesBefore && w->isVisible();
    const TNumberField* f = NumberFieldOf(e);
    EXPECT_TRUE(told || f->Holds(e->text()))
        << Where(w, e) << " after " << step << " shows \"" << e->text().toStdString() << "\", held \""
        << f->HeldText().toStdString() << "\", and nothing was said";
  }

  void LeaveWithBadTexts(const QPointer<QWidget>& w, const QPointer<QLineEdit>& e) {
    const TNumberField* f = NumberFieldOf(e);
    std::vector<QString> texts = {"abc", "", "1,5", "-"};
    for (bool above : {true, false})
      if (const std::optional<QString> t = Outside(*f, above)) texts.push_back(*t);
    for (const QString& text : texts) {
      if (!w || !w->isVisible() || !e || !e->isVisible() || !e->isEnabled()) return;
      const int boxes = program_.Answers().Shown();
      walker_->Act(w, [&] {
        Type(e, text);
        e->clearFocus();  // the focus leaves the field
      });
      Check(w, e, boxes, "\"" + text.toStdString() + "\" and leaving the field");
    }
  }

  static QAbstractButton* Button(const QPointer<QWidget>& w, const char* id, const char* text) {
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
      if (b->window() != w || !b->isVisible() || !b->isEnabled()) continue;
      if (b->objectName() == id || Plain(b->text()) == text) return b;
      if (std::string(text) == "OK")
        if (auto* box = qobject_cast<QDialogButtonBox*>(b->parentWidget());
            box != nullptr && box->buttonRole(b) == QDialogButtonBox::AcceptRole)
          return b;
    }
    return nullptr;
  }

  // Reset or Save pressed from the keyboard (the focus stays in the field) or clicked while
  // the first field shows "abc": every field then shows a value of its range, or a message
  // was answered.
  void PressAndCheck(const QPointer<QWidget>& w, const std::vector<QPointer<QLineEdit>>& fields, const char* id,
                     const char* text, Press press) {
    if (!w || !w->isVisible() || fields.empty() || !fields.front()) return;
    QPointer<QAbstractButton> b = Button(w, id, text);
    if (!b) return;
    const int boxes = program_.Answers().Shown();
    walker_->Act(w, [&] {
      Type(fields.front(), "abc");
      PressButton(b, press);
    });
    for (const QPointer<QLineEdit>& e : fields)
      if (e && e->isVisible() && e->isEnabled()) Check(w, e, boxes, std::string("\"abc\" and ") + text + PressName(press));
  }

  // OK pressed from the keyboard while the first field shows "1,5": the window stays open with
  // a message answered, or it closes with every field showing a value of its range. Clicked
  // with the mouse, it always stays open with a message: the click moved the focus out of
  // the field, which was put right where the user was not looking.
  void OkWithBadText(const QPointer<QWidget>& w, const std::vector<QPointer<QLineEdit>>& fields, Press press) {
    if (!w || !w->isVisible() || fields.empty() || !fields.front()) return;
    QPointer<QAbstractButton> ok = Button(w, "1", "OK");
    if (!ok) return;
    std::vector<std::unique_ptr<HideWatch>> watches;
    for (const QPointer<QLineEdit>& e : fields)
      if (e && e->isVisible() && e->isEnabled()) watches.push_back(std::make_unique<HideWatch>(e));
    const int boxes = program_.Answers().Shown();
    const std::string where = Where(w, fields.front());
    bool typedHeld = false;  // an integer field refuses the comma's key
    walker_->Act(w, [&] {
      Type(fields.front(), "1,5");
      typedHeld = NumberFieldOf(fields.front())->Holds(fields.front()->text());
      PressButton(ok, press);
    });
    ++steps_;
    if (w && w->isVisible()) {
      EXPECT_GT(program_.Answers().Shown(), boxes) << where << ": OK left the window open without a word";
      return;
    }
    if (press == Press::kMouse && !typedHeld)
      ADD_FAILURE() << where << ": a click on OK closed the window on a field put right unseen";
    for (const auto& watch : watches)
      EXPECT_TRUE(!watch->Seen() || watch->Held())
          << where << ": OK closed the window while a field showed \"" << watch->Text().toStdString() << "\"";
  }

  TProgramUnderWalk& program_;
  Walker*& walker_;
  SaveAnswers saves_;
  std::set<std::string> walked_;
  std::map<std::string, int> fieldsByWindow_;
  bool adjusted_ = false;
  int steps_ = 0;
};

TEST(EveryWindow, EveryNumberFieldShowsWhatItsWindowUsesAndStores) {
  TProgramUnderWalk program("ondravik_entry_fields");
  Walker* current = nullptr;
  FieldWalk fields(program, current);
  Walker walker(Clock::now() + std::chrono::minutes(4), [&](const QPointer<QWidget>& w) { fields(w); });
  walker.SetOpenedHook([&](const QPointer<QWidget>& w) { fields.Opened(w); });
  current = &walker;
  const int commands = program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); },
                                               [&](const CommandInfo& c) {
    EXPECT_EQ(ActiveDialog(), nullptr) << c.id;
    // OK was pressed in windows that are meant to change the data (a smooth kept, a grid made,
    // a filtered import): the next command starts from the same table and fits again.
    program.LoadTableAndFitsIfChanged();
  });
  EXPECT_FALSE(walker.TimedOut());
  EXPECT_GE(commands, 40);
  std::fprintf(stderr, "%d commands, %d windows, %d field steps, %d boxes\n", commands, walker.Windows(),
               fields.Steps(), program.Answers().Shown());
  // Each window with number fields was reached and its fields walked.
  for (const char* host : {"T3DSmooth", "T3DNParm", "T3DSpline", "TDFSpline", "T3DView",
                           "TDlgFitOpt", "TPrintGraph", "TPrnWin", "T3DScale", "TSection", "TUDFGraph",
                           "TEqnSearchDlg", "TAnimate", "TDlgDigitalFilter", "TPreference", "TASCIIGen", "TQEval"})
    EXPECT_GT(fields.FieldsOf(host), 0) << host;
}

}  // namespace
