#include "smooth/ui/quick_eval_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "app/long_double.h"
#include "app/number_format.h"
#include "app/settings_file.h"
#include "app/ui/number_field.h"
#include "app/ui/owned_window.h"
#include "app/ui/window_placement.h"
#include "fit/extremum_search.h"
#include "graph3d/ui/evaluation_progress.h"
#include "tools/data_generation.h"

namespace {

constexpr int kEditLimit = 11;       // characters an edit takes
constexpr std::size_t kReadLimit = 19;

QString Shown(long double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10Lg", v);
  return QString::fromLatin1(text);
}

// A single "=" assigns a user variable; "==", "<=" and ">=" compare.
bool Assigns(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') continue;
    const char before = i > 0 ? text[i - 1] : '\0';
    const char after = i + 1 < text.size() ? text[i + 1] : '\0';
    if (after == '=') {
      ++i;
      continue;
    }
    if (before != '<' && before != '>') return true;
  }
  return false;
}

}  // namespace

std::optional<long double> QuickEvalEntry(const std::string& text) {
  if (Assigns(text)) return std::nullopt;
  long double v = 0;
  if (!ReadEntryValue(text, kReadLimit, v) || IsMissingValue(v)) return std::nullopt;
  return v;
}

TQEval::TQEval(QWidget* owner, TQuickEvalSource source, TQuickEvalShared shared)
    : QDialog(owner), source_(std::move(source)), shared_(shared) {
  setWindowTitle(tr("Quick Eval"));
  setObjectName("TQEval");
  // It reads off the owner's surface while the user works in the owner: it stays in sight.
  if (owner != nullptr) new TOwnedWindowKeeper(this);
  x_ = shared_.xy ? (*shared_.xy)[0] : ExprErrorValue;
  y_ = shared_.xy ? (*shared_.xy)[1] : ExprErrorValue;
  auto* grid = new QGridLayout(this);
  auto label = [this](int id) {
    auto* l = new QLabel(this);
    l->setObjectName(QString::number(id));
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance("-0.000000000e-000"));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
  };
  const char* const names[2] = {"X", "Y"};
  for (int i = 0; i < 2; ++i) {
    grid->addWidget(new QLabel(tr(names[i]), this), i, 0);
    // A coordinate is a number or a formula; an empty field evaluates nothing.
    TRealFieldRules rules;
    rules.read = [](const QString& text) { return QuickEvalEntry(text.toStdString()); };
    rules.takesEmpty = true;
    rules.caption = tr("Quick Eval");
    rules.message = tr("X and Y take a number or a formula.");
    edits_[i] = new TEditReal(this, kEditLimit, std::move(rules));
    edits_[i]->setObjectName(QString::number(kX + i));
    grid->addWidget(edits_[i], i, 1);
    connect(edits_[i], &QLineEdit::textChanged, this, [this] {
      if (setup_) return;
      typed_ = true;
      timer_.start();
    });
  }
  grid->addWidget(new QLabel(tr("Z"), this), 2, 0);
  z_ = label(kZ);
  grid->addWidget(z_, 2, 1);
  const char* const boxes[2] = {"Surface Min", "Surface Max"};
  for (int s = 0; s < 2; ++s) {
    const int first = s == 0 ? kMinimum : kMaximum;
    checks_[s] = new QCheckBox(tr(boxes[s]), this);
    checks_[s]->setObjectName(QString::number(first));
    checks_[s]->setChecked(shared_.checks && (*shared_.checks)[static_cast<std::size_t>(s)] == 1);
    // A text typed just before the click is read now rather than dropped.
    connect(checks_[s], &QCheckBox::clicked, this, [this] {
      if (timer_.isActive()) {
        FlushEdits();
      } else {
        Evaluate();
      }
    });
    const int row = 3 + 4 * s;
    grid->addWidget(checks_[s], row, 0, 1, 2);
    for (int k = 0; k < 3; ++k) {
      grid->addWidget(new QLabel(QString(QChar("XYZ"[k])), this), row + 1 + k, 0);
      found_[static_cast<std::size_t>(3 * s + k)] = label(first + 1 + k);
      grid->addWidget(found_[static_cast<std::size_t>(3 * s + k)], row + 1 + k, 1);
    }
  }
  // The kept X and Y are shown in 12 characters, one more than the user may type: each edit is
  // widened to hold its text whole rather than cut to a number never used.
  if (!IsMissingValue(x_) && !IsMissingValue(y_)) {
    for (int i = 0; i < 2; ++i) {
      const QString text = QString::fromStdString(FormatNumber(i == 0 ? x_ : y_, 12, false));
      ShowFromFirstDigit(*edits_[i], text);
    }
  }
  timer_.setSingleShot(true);
  timer_.setInterval(kDelayMs);
  connect(&timer_, &QTimer::timeout, this, [this] { ReadEdits(); });
  setup_ = false;
}

TQEval::~TQEval() { SaveState(); }

void TQEval::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (placed_) return;
  placed_ = true;
  // A saved place puts the window back where the user left it; none leaves it centred.
  if (source_.placement != nullptr) RestorePlacement(*this, *source_.placement, MaximisedWord::kIgnored);
  Evaluate();
}

void TQEval::FlushEdits() {
  if (!timer_.isActive()) return;
  timer_.stop();
  ReadEdits();
}

void TQEval::ReadEdits() {
  // Each field has read its text already.
  const std::optional<long double> x = edits_[0]->TypedValue();
  const std::optional<long double> y = edits_[1]->TypedValue();
  x_ = x && y ? *x : ExprErrorValue;
  y_ = x && y ? *y : ExprErrorValue;
  Evaluate();
}

void TQEval::Evaluate() {
  ++evaluations_;
  // A surface that takes long to evaluate (a user function's fit, a view function) shows
  // the progress window with Cancel once it has taken a moment; a Cancel leaves the figures
  // shown as they were, rather than figures of evaluations that gave up.
  const TEvaluationTask task(this, windowTitle(), QStringLiteral("Calculation in Progress"));
  QString z;
  if (!IsMissingValue(x_) && !IsMissingValue(y_) && source_.value) {
    const long double v = source_.value(x_, y_);
    if (!IsMissingValue(v) && std::isfinite(v)) z = Shown(v);
  }
  const std::array<QString, 3> lowest = Search(false), highest = Search(true);
  if (task.Cancelled()) {
    // A Z shown is of the X and Y it was read at: of others it would be a wrong figure.
    if (x_ != zAt_[0] || y_ != zAt_[1]) z_->clear();
    return;
  }
  zAt_ = {x_, y_};
  z_->setText(z);
  for (std::size_t k = 0; k < 3; ++k) {
    found_[k]->setText(lowest[k]);
    found_[3 + k]->setText(highest[k]);
  }
}

std::array<QString, 3> TQEval::Search(bool maximum) const {
  const std::size_t s = maximum ? 1 : 0;
  const auto& start = maximum ? source_.maximumStart : source_.minimumStart;
  if (!checks_[s]->isChecked() || !start || !source_.value) return {};
  const SurfaceFunction& f = source_.searchValue ? source_.searchValue : source_.value;
  const bool whole = source_.wholeBox;
  const auto search = [&](const TSurfaceSearchStart& b, long double& x, long double& y, long double& z) {
    if (whole)
      return maximum ? FindHighestPoint(f, b.x, b.y, b.xLow, b.xHigh, b.yLow, b.yHigh, x, y, z)
                     : FindLowestPoint(f, b.x, b.y, b.xLow, b.xHigh, b.yLow, b.yHigh, x, y, z);
    return maximum ? FindFunctionMaximum(f, b.x, b.y, b.xLow, b.xHigh, b.yLow, b.yHigh, x, y, z)
                   : FindFunctionMinimum(f, b.x, b.y, b.xLow, b.xHigh, b.yLow, b.yHigh, x, y, z);
  };
  long double x = 0, y = 0, z = 0;
  bool found = search(start(), x, y, z);
  const auto& dataStart = maximum ? source_.dataMaximumStart : source_.dataMinimumStart;
  if (const std::optional<TSurfaceSearchStart> b = dataStart ? dataStart() : std::nullopt) {
    long double xd = 0, yd = 0, zd = 0;
    if (search(*b, xd, yd, zd) && (!found || (maximum ? zd > z : zd < z))) {
      x = xd;
      y = yd;
      z = zd;
      found = true;
    }
  }
  if (!found) return {};
  return {Shown(x), Shown(y), Shown(z)};
}

void TQEval::SaveState() {
  if (saved_) return;
  saved_ = true;
  // What is kept is what the fields show: a text that is no coordinate goes back first.
  // Edits never typed in keep the X and Y they were opened with, to every digit.
  timer_.stop();
  if (typed_) {
    for (TEditReal* e : edits_) (void)e->Settle();
    const std::optional<long double> x = edits_[0]->TypedValue();
    const std::optional<long double> y = edits_[1]->TypedValue();
    x_ = x && y ? *x : ExprErrorValue;
    y_ = x && y ? *y : ExprErrorValue;
  }
  if (source_.placement != nullptr && placed_) RecordPlacement(*this, *source_.placement);
  if (shared_.xy) *shared_.xy = {x_, y_};
  if (shared_.checks) *shared_.checks = {checks_[0]->isChecked() ? 1 : 0, checks_[1]->isChecked() ? 1 : 0};
}

void TQEval::done(int result) {
  SaveState();
  QDialog::done(result);
}

TQuickEvalWindow MakeQuickEval(QWidget* owner, TQuickEvalSource source) {
  ProgramSettings& settings = CurrentSettings();
  auto* dialog = new TQEval(owner, std::move(source), {&settings.quickEvalXY, &settings.quickEvalChecks});
  dialog->setModal(false);
  dialog->show();
  TQuickEvalWindow window;
  window.dialog = dialog;
  window.evaluate = [d = QPointer<TQEval>(dialog)] {
    if (d) d->Evaluate();
  };
  return window;
}
