#include "tools/ui/udf_graph.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cstring>
#include <limits>

#include "app/c_format.h"
#include "app/settings_file.h"
#include "expr/expression.h"
#include "expr/function_text_lines.h"
#include "fit/session.h"
#include "graph3d/graph_options.h"
#include "graph3d/title_set.h"
#include "graph3d/ui/evaluation_progress.h"
#include "graph3d/ui/graph_option_commands.h"
#include "platform/busy_window.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_text.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_limits.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

constexpr int kTimerInterval = 100;  // ms
constexpr int kEditChars = 14;
constexpr int kFindUpdateButton = 735, kDerivativesButton = 736, kResetButton = 18;

std::span<const TXYZPoint> SessionPoints(const TSession& session) {
  const std::span<const TXYZPoint> all = std::as_const(session.Table).XYZData();
  const int n = PointCount(all);
  return all.empty() ? all : all.first(static_cast<std::size_t>(n) + 1);
}

QPushButton* AddButton(QWidget* owner, QLayout* layout, int id, const char* text) {
  auto* b = new QPushButton(text, owner);
  b->setObjectName(QString::number(id));
  b->setAutoDefault(false);
  layout->addWidget(b);
  return b;
}

// What a "Find && &Update" that did not end with fitted parameters tells the user.
const char* FindUpdateOutcome(UserFitResult result) {
  switch (result) {
    case UserFitResult::kFitted: return nullptr;
    case UserFitResult::kStoppedAtIterationLimit:
      return "The fit stopped at the iteration limit before it converged.\nThe parameters it reached are the "
             "new start values.";
    case UserFitResult::kStoppedShortOfMinimum:
      return "The fit stopped short of a minimum: its last steps gained nothing, though its gradient is not "
             "small.\nThe parameters it reached are the new start values.";
    case UserFitResult::kNotFitted:
      return "The fit did not converge to an acceptable result.\nThe start values are as they were.";
    case UserFitResult::kNoFunction: return "The function is not defined.";
    case UserFitResult::kCancelled: return nullptr;  // the user knows: the start values stay
  }
  return nullptr;
}

}  // namespace

// ---- The rows ----

TUdfAdjustControls::TUdfAdjustControls(QWidget* owner, TUdfAdjustRows& rows, std::function<void()> changed)
    : QObject(owner), rows_(rows), changed_(std::move(changed)) {
  for (int i = 0; i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    labels_[u] = new QLabel(QString("#&%1").arg(QChar('A' + i)), owner);
    // A value is a number or a formula; a bounded row takes its limits (Show sets them).
    TRealFieldRules rules;
    rules.read = [](const QString& text) { return ExprEntryValue(ToCp1252(text)); };
    rules.show = [this, i](long double v) {
      const TUdfAdjustRow& row = rows_.Row(i);
      return FromCp1252(UdfStartText(v, 6, row.lower, row.upper));
    };
    // Finished, a start at a limit moves just inside it, and the field shows where.
    rules.finished = [this, i] {
      if (showing_ || !rows_.Finish(i)) return;
      Show();
      changed_();
    };
    edits_[u] = new TEditReal(owner, kEditChars, std::move(rules));
    edits_[u]->setObjectName(QString::number(kFirstEdit + i));
    edits_[u]->setFixedWidth(edits_[u]->fontMetrics().horizontalAdvance("-1.23456e+025") + 12);
    labels_[u]->setBuddy(edits_[u]);
    bars_[u] = new QScrollBar(Qt::Horizontal, owner);
    bars_[u]->setObjectName(QString::number(kFirstBar + i));
    bars_[u]->setRange(0, kAdjustPositionMax);
    bars_[u]->setPageStep(10);
    // Dragging the box moves nothing until it is let go.
    bars_[u]->setTracking(false);
    bars_[u]->setMinimumWidth(120);
    connect(bars_[u], &QScrollBar::valueChanged, this, [this, i](int position) { Scrolled(i, position); });
    // Typed texts, and a text the field put back when it was left (Show's own are skipped).
    connect(edits_[u], &QLineEdit::textChanged, this, [this, i](const QString& text) { Typed(i, text); });
  }
}

QLineEdit* TUdfAdjustControls::Edit(int i) const { return edits_[static_cast<std::size_t>(i)]; }

void TUdfAdjustControls::Show() {
  showing_ = true;
  for (int i = 0; i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    const TUdfAdjustRow& row = rows_.Row(i);
    for (QWidget* w : {static_cast<QWidget*>(labels_[u]), static_cast<QWidget*>(edits_[u]), static_cast<QWidget*>(bars_[u])})
      w->setEnabled(row.enabled);
    if (!row.enabled) continue;
    constexpr long double kUnbounded = std::numeric_limits<long double>::infinity();
    if (row.bounded)
      edits_[u]->SetRange(row.lower, row.upper);
    else
      edits_[u]->SetRange(-kUnbounded, kUnbounded);
    if (edits_[u]->text() != FromCp1252(row.editText)) ShowFromFirstDigit(*edits_[u], FromCp1252(row.editText));
    bars_[u]->setValue(row.position);
  }
  showing_ = false;
}

void TUdfAdjustControls::Scrolled(int i, int position) {
  if (showing_) return;
  // The bar finishes the field first. A start the field holds ("0" at a lower limit of 0,
  // which moves just inside it) is where the bar moves on from; one past a limit ("25" under
  // 10) is clamped just inside it and told, and the bar shows where it is without moving on.
  const auto u = static_cast<std::size_t>(i);
  if (SettledByPress(*edits_[u], bars_[u])) rows_.Scroll(i, position);
  Show();
  changed_();
}

void TUdfAdjustControls::Typed(int i, const QString& text) {
  if (showing_) return;
  // The text stays as typed. One that gives no value, or one past a bounded row's limits,
  // changes nothing until the field is finished.
  if (!rows_.Edit(i, ToCp1252(text))) return;
  Show();
  changed_();
}

// ---- The derivative table ----

TUDFDeriv::TUDFDeriv(QWidget* parent, TSession& session, int k)
    : TDlg(parent), rows_(TUdfAdjustRows::Window::kDerivatives, k, SessionPoints(session), session.DataStats.Z.Range) {
  setObjectName("TUDFDeriv");
  setWindowTitle("Partial Derivatives Within Range of Data");
  controls_ = std::make_unique<TUdfAdjustControls>(this, rows_, [this] { Changed(); });
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  const char* headers[] = {"Minimum", "Maximum", "Range", "% of Z", "Rel %"};
  const int firsts[] = {kFirstMinimum, kFirstMaximum, kFirstRange, kFirstPercent, kFirstRelative};
  grid->addWidget(new QLabel("Value", this), 0, 1);
  for (int c = 0; c < 5; ++c) {
    auto* h = new QLabel(headers[c], this);
    h->setAlignment(Qt::AlignCenter);
    grid->addWidget(h, 0, c + 3);
  }
  for (int i = 0; i < kUdfMaxParams; ++i) {
    grid->addWidget(controls_->Label(i), i + 1, 0);
    grid->addWidget(controls_->Edit(i), i + 1, 1);
    grid->addWidget(controls_->Bar(i), i + 1, 2);
    for (int c = 0; c < 5; ++c) {
      auto* s = new QLabel(this);
      s->setObjectName(QString::number(firsts[c] + i));
      s->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      s->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      s->setMinimumWidth(s->fontMetrics().horizontalAdvance(c < 3 ? "-1.23456e+025" : "100.0%") + 10);
      statics_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = s;
      grid->addWidget(s, i + 1, c + 3);
    }
  }
  auto* buttons = new QHBoxLayout;
  QPushButton* reset = AddButton(this, buttons, kResetButton, "&Reset");
  buttons->addStretch();
  QPushButton* help = AddButton(this, buttons, 9, "Help");
  QPushButton* ok = AddButton(this, buttons, 1, "OK");
  QPushButton* cancel = AddButton(this, buttons, 2, "Cancel");
  ok->setDefault(true);
  connect(reset, &QPushButton::clicked, this, [this] {
    rows_.Reset();
    controls_->Show();
    refresh_.Clear();
    FillTable();
  });
  connect(help, &QPushButton::clicked, this, [this] { platform::ShowHelp(ToWindow(this), kHelpContext); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  rows_.Setup();
  controls_->Show();
  for (int i = 0; i < kUdfMaxParams; ++i) {
    // Rows beyond the count show nothing of the minimum, maximum, range and share.
    const bool on = rows_.Row(i).enabled;
    for (int c = 0; c < 4; ++c) statics_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]->setEnabled(on);
  }
  FillTable();
  timer_.setInterval(kTimerInterval);
  connect(&timer_, &QTimer::timeout, this, &TUDFDeriv::Tick);
}

void TUDFDeriv::SetupWindow() {
  TDlg::SetupWindow();
  timer_.start();
  refresh_.SetTimerRunning(timer_.isActive());
}

void TUDFDeriv::done(int result) {
  timer_.stop();
  TDlg::done(result);
}

QLabel* TUDFDeriv::Static(int id) const {
  for (const auto& column : statics_)
    for (QLabel* s : column)
      if (s->objectName() == QString::number(id)) return s;
  return nullptr;
}

void TUDFDeriv::FillTable() {
  const auto table = rows_.DerivativeTable();
  for (std::size_t i = 0; i < kUdfMaxParams; ++i) {
    const TUdfDerivativeRow& row = table[i];
    const std::string* texts[] = {&row.minimum, &row.maximum, &row.range, &row.percentOfZ, &row.relativePercent};
    for (std::size_t c = 0; c < 5; ++c) statics_[c][i]->setText(FromCp1252(*texts[c]));
  }
}

void TUDFDeriv::Changed() {
  if (refresh_.Changed()) FillTable();
}

void TUDFDeriv::Tick() {
  if (refresh_.Tick()) FillTable();
}

// ---- The graph ----

TUDFGraph::TUDFGraph(QWidget* parent, T3DGraphSetup* setup, TSession& session, int k)
    : T3DDlg(parent, setup),
      session_(session),
      rows_(TUdfAdjustRows::Window::kGraph, k, SessionPoints(session), session.DataStats.Z.Range) {
  setObjectName("TUDFGraph");
  setWindowTitle("Inspect and Adjust UDF");
  controls_ = std::make_unique<TUdfAdjustControls>(this, rows_, [this] { Changed(); });

  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(2);
  for (int i = 0; i < kUdfMaxParams; ++i) {
    grid->addWidget(controls_->Label(i), i, 0);
    grid->addWidget(controls_->Edit(i), i, 1);
    grid->addWidget(controls_->Bar(i), i, 2);
  }
  auto* actions = new QHBoxLayout;
  QPushButton* find = AddButton(this, actions, kFindUpdateButton, "Find && &Update");
  QPushButton* derivatives = AddButton(this, actions, kDerivativesButton, "Deri&vatives");
  QPushButton* reset = AddButton(this, actions, kResetButton, "&Reset");
  auto* options = new QGridLayout;
  const struct {
    int id;
    const char* text;
  } kOptions[] = {{kCmGraphType, "&3D Type"}, {kCmViewOptions, "3D &View"}, {kCmGraphFont, "Fon&t"},
                  {kCmColors, "C&olors"},     {kCmPointsOptions, "Poi&nts"}};
  int n = 0;
  for (const auto& o : kOptions) {
    auto* b = new QPushButton(o.text, this);
    b->setObjectName(QString::number(o.id));
    b->setAutoDefault(false);
    // The graph they show is of the start values the fields hold.
    connect(b, &QPushButton::clicked, this, SettlingFirst([this, id = o.id] {
              GraphOptionDialogs dialogs;
              (void)RunGraphOptionCommand(*this, id, dialogs, GraphOptionContext{});
            }));
    options->addWidget(b, n / 3, n % 3);
    ++n;
  }
  auto* endings = new QHBoxLayout;
  QPushButton* help = AddButton(this, endings, 9, "Help");
  endings->addStretch();
  QPushButton* ok = AddButton(this, endings, 1, "OK");
  QPushButton* cancel = AddButton(this, endings, 2, "Cancel");
  ok->setDefault(true);
  // Both start from the start values the fields hold.
  connect(find, &QPushButton::clicked, this, SettlingFirst([this] { CmFindAndUpdate(); }));
  connect(derivatives, &QPushButton::clicked, this, SettlingFirst([this] { CmDerivatives(); }));
  connect(reset, &QPushButton::clicked, this, &TUDFGraph::CmReset);
  connect(help, &QPushButton::clicked, this, [this] { platform::ShowHelp(ToWindow(this), kHelpContext); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* side = new QVBoxLayout;
  side->addLayout(grid);
  side->addLayout(actions);
  side->addLayout(options);
  side->addStretch();
  side->addLayout(endings);
  auto* top = new QHBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  top->addWidget(Pane(), 1);
  top->addLayout(side);

  rows_.Setup();
  controls_->Show();
  timer_.setInterval(kTimerInterval);
  connect(&timer_, &QTimer::timeout, this, &TUDFGraph::Tick);
}

void TUDFGraph::SetupWindow() {
  T3DDlg::SetupWindow();
  timer_.start();
  refresh_.SetTimerRunning(timer_.isActive());
}

void TUDFGraph::done(int result) {
  timer_.stop();
  T3DDlg::done(result);
}

void TUDFGraph::RefreshGraph() {
  ++refreshes_;
  Renderer().Recompute();
  Redraw(1);
}

void TUDFGraph::Changed() {
  if (refresh_.Changed()) RefreshGraph();
}

void TUDFGraph::Tick() {
  if (refresh_.Tick()) RefreshGraph();
}

void TUDFGraph::CmFindAndUpdate() {
  ShowBusyMsg(ToWindow(this), "Find/Update", "Processing...", 1);
  UserFitResult result = UserFitResult::kNotFitted;
  {
    // A function that takes long to evaluate can be fitted for minutes: once the fit has
    // taken a moment, a window with Cancel takes the busy window's place.
    const TEvaluationProgress progress(this, QStringLiteral("Find/Update"), QStringLiteral("Processing..."));
    result = rows_.FindAndUpdate(session_.DataStats, session_.FitOptions);
  }
  HideBusyMsg();
  controls_->Show();
  refresh_.Clear();
  RefreshGraph();
  if (const char* outcome = FindUpdateOutcome(result)) InfoBox(ToWindow(this), "Find/Update", outcome);
}

void TUDFGraph::CmDerivatives() {
  const int result = (new TUDFDeriv(this, session_, rows_.Function()))->Execute();
  if (result == QDialog::Accepted) {
    rows_.TakeRecordStarts();
    controls_->Show();
    refresh_.Clear();
    RefreshGraph();
  } else {
    rows_.PutBackStarts();
  }
}

void TUDFGraph::CmReset() {
  rows_.Reset();
  controls_->Show();
  refresh_.Clear();
  RefreshGraph();
}

// ---- The "&Adjust" road ----

std::optional<TUdfForm> AdjustUdfStarts(QWidget* parent, TSession& session, int k, TUdfForm form) {
  TUdfRecord* record = UdfRecordAt(k);
  if (!record) return std::nullopt;
  std::array<long double, kUdfMaxParams> kept{};
  std::copy(record->Start.begin(), record->Start.end(), kept.begin());

  TGraphOptions options(CurrentSettings(), kGraphUserFunction, kPointsUserFunction, kPlaceUserFunctionGraph);
  T3DGraphSetup& setup = options.Setup();
  const UdfValueCallback value = EvalUdfCallback(k);
  setup.SurfaceFn = [value](long double x, long double y) { return value(x, y); };
  setup.Points = TablePoints(session.Table);
  SetDataRanges(setup.Scaling, session.DataStats);
  // The data title, then the first four lines of the function.
  SetGraphTitlesFromData(options.titles, session.DataTitles());
  const std::vector<std::string_view> lines = UdfTextLines(UdfFieldText(record->Text));
  for (std::size_t i = 0; i < 4 && i < lines.size(); ++i)
    options.titles.Lines[i + 1] = std::string(lines[i].substr(0, T3DTitleSet::kLineLength));

  auto* window = new TUDFGraph(parent, &setup, session, k);
  window->resize(1000, 640);
  // It comes up once the function has been evaluated over the data's range, which may take a
  // while: a click on its way to the dialog before it must not land on its controls.
  GuardAgainstEarlyClicks(window);
  const int result = window->Execute();
  options.StoreBack();
  record = UdfRecordAt(k);
  if (result != QDialog::Accepted || !record) return std::nullopt;

  const TAdjustedStarts changes = CompareAdjustedStarts(*record, kept);
  if (!changes.AnyChanged()) return form;
  bool replaceDataFormulas = false;
  if (changes.changedReadsData)
    replaceDataFormulas = AskYesNo(ToWindow(parent), CFormat("User Defined Function %d", k + 1),
                                   "Replace Formulas with Changed Numeric Values") == platform::kIdYes;
  for (int i = 0; i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    if (!changes.changed[u]) continue;
    if ((record->DataMask & (1u << i)) != 0 && !replaceDataFormulas) continue;
    const std::string text = AdjustedStartText(*record, i);
    record->StartText[u].fill(0);
    std::memcpy(record->StartText[u].data(), text.data(), std::min(text.size(), kUdfExprTextSize - 1));
    form.startText[u] = text;
  }
  return form;
}
