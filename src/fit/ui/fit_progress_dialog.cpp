#include "fit/ui/fit_progress_dialog.h"

#include "platform/qt/early_clicks.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/c_format.h"
#include "app/settings_file.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/main_window.h"
#include "fit/fit_command.h"
#include "fit/fit_list.h"
#include "fit/session.h"
#include "platform/gui_thread.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/qt/qt_text.h"
#include "platform/timer.h"

namespace {

constexpr const char* kCaption = "Ondravik 3D Automated Fitting";
constexpr int kFirstGauge = kFitMsgGaugeFirst;  // 948
constexpr int kR2GaugeRange = 500;

struct GaugeLook {
  const char* title;
  QColor color;
};
const GaugeLook kGauges[TFit::kGaugeCount] = {
    {"Sums", QColor(0, 128, 0)},          {"Polynomial", QColor(0, 0, 255)},
    {"Rational", QColor(255, 0, 0)},      {"Subset Z", QColor(255, 255, 0)},
    {"Subset lnZ", QColor(0, 128, 128)},  {"Subset 1/Z", QColor(255, 0, 255)},
    {"Non-Linear", QColor(0, 255, 255)},  {"Current r\u00b2", QColor(0, 0, 128)},
};
// The r² gauge's scale: the labels 103..108 stand at 0, 100, ..., 500.
const char* const kR2Scale[6] = {"0", ".9", ".99", ".999", ".9999", ".99999"};

// Lays its labels out so that label i is centred at i/(n-1) of the width.
class TScaleRow : public QWidget {
 public:
  explicit TScaleRow(QWidget* parent) : QWidget(parent) {}
  void Add(QLabel* label) {
    label->setParent(this);
    labels_.push_back(label);
  }
  QSize sizeHint() const override {
    return {200, labels_.empty() ? 0 : labels_.front()->sizeHint().height()};
  }

 protected:
  void resizeEvent(QResizeEvent*) override {
    const int n = static_cast<int>(labels_.size());
    for (int i = 0; i < n; ++i) {
      QLabel* l = labels_[static_cast<std::size_t>(i)];
      const QSize s = l->sizeHint();
      const int centre = n > 1 ? i * (width() - 1) / (n - 1) : 0;
      l->setGeometry(std::clamp(centre - s.width() / 2, 0, std::max(0, width() - s.width())), 0,
                     s.width(), s.height());
    }
  }

 private:
  std::vector<QLabel*> labels_;
};

QLabel* Value(QWidget* parent, int id, int minWidth = 0) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::number(id));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setMinimumWidth(minWidth);
  return label;
}

// The review starts through the main window's commands 2191 (graph first) and 2192 (list
// first): the dialog offers a start only where a handler serves it, as the Review menu does.
bool ReviewServed(int command) { return HasCommandHandler(command); }

QPushButton* Button(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::number(id));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TGauge::TGauge(QWidget* parent, int range, int spacing, int fillPercent, QColor color)
    : QWidget(parent), range_(range), spacing_(spacing), fill_(fillPercent), color_(color) {
  setMinimumHeight(14);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TGauge::SetValue(int value) {
  value = std::clamp(value, 0, range_);
  if (value == value_) return;
  value_ = value;
  update();
}

void TGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  p.fillRect(rect(), palette().color(QPalette::Base));
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(frame.topLeft(), frame.topRight());
  p.drawLine(frame.topLeft(), frame.bottomLeft());
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(frame.bottomLeft(), frame.bottomRight());
  p.drawLine(frame.topRight(), frame.bottomRight());
  const QRect inside = rect().adjusted(2, 2, -2, -2);
  const int segments = range_ / spacing_;
  const int lit = value_ / spacing_;
  for (int i = 0; i < lit; ++i) {
    const int x0 = inside.left() + i * inside.width() / segments;
    const int x1 = inside.left() + (i + 1) * inside.width() / segments;
    const int w = std::max(1, (x1 - x0) * fill_ / 100);
    p.fillRect(QRect(x0, inside.top(), w, inside.height()), color_);
  }
}

TFit::TFit(QWidget* parent, TSession& session, TFitJob job)
    : TDlg(parent), session_(session), job_(std::move(job)) {
  setWindowTitle(kCaption);
  setObjectName("TFit");
  clickGuard_ = GuardAgainstEarlyClicks(this);
  auto* layout = new QVBoxLayout(this);

  auto* counts = new QHBoxLayout;
  fitted_ = Value(this, kFitMsgFitted, 90);
  added_ = Value(this, kFitMsgAdded, 90);
  counts->addWidget(new QLabel("Eqns Fitted", this));
  counts->addWidget(fitted_);
  counts->addSpacing(16);
  counts->addWidget(new QLabel("Eqns Added", this));
  counts->addWidget(added_);
  counts->addStretch();
  time_ = Value(this, kFitMsgTime, 110);
  counts->addWidget(time_);
  layout->addLayout(counts);

  auto* grid = new QGridLayout;
  for (int i = 0; i < kGaugeCount; ++i) {
    const bool r2 = i == kGaugeCount - 1;
    auto* frame = new QGroupBox(kGauges[i].title, this);
    frame->setObjectName(QString::number(936 + i));
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(6, 2, 6, 4);
    gauges_[i] = new TGauge(frame, r2 ? kR2GaugeRange : 100, r2 ? 10 : 2, 90, kGauges[i].color);
    gauges_[i]->setObjectName(QString::number(kFirstGauge + i));
    inner->addWidget(gauges_[i]);
    if (r2) {
      auto* scale = new TScaleRow(frame);
      for (int k = 0; k < 6; ++k) {
        nonLinearLabels_[2 + k] = new QLabel(kR2Scale[k]);
        nonLinearLabels_[2 + k]->setObjectName(QString::number(103 + k));
        scale->Add(nonLinearLabels_[2 + k]);
      }
      inner->addWidget(scale);
    }
    // The linear gauges two by two; the non-linear ones across the dialog, so that the r²
    // scale has room for its labels.
    if (i < 6)
      grid->addWidget(frame, i / 2, i % 2);
    else
      grid->addWidget(frame, i - 3, 0, 1, 2);
  }
  layout->addLayout(grid);

  auto* current = new QHBoxLayout;
  equation_ = Value(this, kFitMsgEquation, 120);
  iteration_ = Value(this, kFitMsgIteration, 60);
  r2_ = Value(this, kFitMsgR2, 130);
  nonLinearLabels_[0] = new QLabel("Iter:", this);
  nonLinearLabels_[0]->setObjectName("101");
  nonLinearLabels_[1] = new QLabel(" r\u00b2:", this);
  nonLinearLabels_[1]->setObjectName("102");
  current->addWidget(equation_, 1);
  current->addWidget(nonLinearLabels_[0]);
  current->addWidget(iteration_);
  current->addWidget(nonLinearLabels_[1]);
  current->addWidget(r2_);
  layout->addLayout(current);

  auto* buttons = new QHBoxLayout;
  skip_ = ::Button(this, 931, "&Stop Current Fit");
  background_ = ::Button(this, 932, "Fit in &Background");
  iterationBox_ = new QCheckBox("&Iteration Update", this);
  iterationBox_->setObjectName("933");
  ok_ = ::Button(this, kFitDlgOk, "OK");
  listStart_ = ::Button(this, kFitDlgListStart, "&List Start");
  graphStart_ = ::Button(this, kFitDlgGraphStart, "&Graph Start");
  cancel_ = ::Button(this, kFitDlgCancel, "Cancel");
  // The buttons that come and go keep their room while hidden, so that none moves under a
  // click: "Stop Current Fit" appears after the others of its row, and once the run has
  // completed no button stands where Cancel stood.
  for (QWidget* w : {static_cast<QWidget*>(background_), static_cast<QWidget*>(iterationBox_),
                     static_cast<QWidget*>(skip_)})
    buttons->addWidget(w);
  buttons->addStretch();
  for (QPushButton* b : {ok_, listStart_, graphStart_, cancel_}) buttons->addWidget(b);
  layout->addLayout(buttons);
  for (QWidget* w : {static_cast<QWidget*>(skip_), static_cast<QWidget*>(cancel_)}) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
  }

  for (QWidget* w : {static_cast<QWidget*>(ok_), static_cast<QWidget*>(listStart_),
                     static_cast<QWidget*>(graphStart_), static_cast<QWidget*>(skip_)})
    w->hide();
  ShowNonLinearLabels(false);
  setMinimumWidth(560);

  connect(cancel_, &QPushButton::clicked, this, [this] {
    EvFitProgress({kFitMsgAbort, 1, 0.0L, {}});
    done(kFitDlgCancel);
  });
  connect(skip_, &QPushButton::clicked, this, [this] { EvFitProgress({kFitMsgSkipButton, 1, 0.0L, {}}); });
  connect(background_, &QPushButton::clicked, this, [] {
    if (MainWindow) MainWindow->showMinimized();
  });
  connect(iterationBox_, &QCheckBox::toggled, this, [](bool on) { FitIterUpdate = on ? 1 : 0; });
  connect(ok_, &QPushButton::clicked, this, [this] { done(kFitDlgOk); });
  connect(listStart_, &QPushButton::clicked, this, [this] { done(kFitDlgListStart); });
  connect(graphStart_, &QPushButton::clicked, this, [this] { done(kFitDlgGraphStart); });
}

TFit::~TFit() {
  if (timer_) platform::StopTimer(timer_);
  StopClock();
  if (FitProgressSink() == this) SetFitProgressSink(nullptr);
  // No message reaches this dialog any more; the worker's pending sends give up.
  StopFitThread();
}

TGauge* TFit::Gauge(int id) const {
  return id >= kFirstGauge && id < kFirstGauge + kGaugeCount ? gauges_[id - kFirstGauge] : nullptr;
}

QLabel* TFit::Text(int id) const {
  switch (id) {
    case kFitMsgFitted: return fitted_;
    case kFitMsgAdded: return added_;
    case kFitMsgEquation: return equation_;
    case kFitMsgIteration: return iteration_;
    case kFitMsgR2: return r2_;
    case kFitMsgTime: return time_;
    default: return id >= 101 && id <= 108 ? nonLinearLabels_[id - 101] : nullptr;
  }
}

QPushButton* TFit::Button(int id) const {
  switch (id) {
    case 931: return skip_;
    case 932: return background_;
    case kFitDlgOk: return ok_;
    case kFitDlgCancel: return cancel_;
    case kFitDlgListStart: return listStart_;
    case kFitDlgGraphStart: return graphStart_;
    default: return nullptr;
  }
}

void TFit::SetupWindow() {
  TDlg::SetupWindow();
  iterationBox_->setChecked(FitIterUpdate != 0);
  SetFitProgressSink(this);
  // The worker starts once the dialog stands and its modal loop runs.
  QPointer<TFit> self(this);
  platform::PostToUi([self] {
    if (self) self->EvFitProgress({kFitMsgStart, 0, 0.0L, {}});
  });
}

void TFit::reject() {
  // Escape or the close box: Cancel while the run goes on; once it has completed, the
  // results are kept and no review starts.
  if (completed_)
    done(kFitDlgOk);
  else
    cancel_->click();
}

void TFit::ShowNonLinearLabels(bool on) {
  for (QLabel* l : nonLinearLabels_) l->setVisible(on);
}

void TFit::Start() {
  if (!job_) return;
  started_ = std::chrono::steady_clock::now();
  TFitJob job = std::move(*job_);
  job_.reset();
  if (!StartFitThread(std::move(job))) {
    ErrorBox(platform::qt::ToWindow(this), kCaption, "The fitting thread could not be started.");
    done(kFitDlgCancel);
    return;
  }
  QPointer<TFit> self(this);
  clock_ = platform::StartTimer(kClockTickMs, true, [self] {
    if (self) self->EvFitProgress({kFitMsgTime, 0, 0.0L, {}});
  });
}

void TFit::StopClock() {
  if (clock_) platform::StopTimer(clock_);
  clock_ = 0;
}

void TFit::Complete() {
  completed_ = true;
  StopClock();
  CompleteFitRun(session_);
  QApplication::beep();
  for (QWidget* w : {static_cast<QWidget*>(cancel_), static_cast<QWidget*>(background_),
                     static_cast<QWidget*>(skip_), static_cast<QWidget*>(iterationBox_)})
    w->hide();
  ShowNonLinearLabels(false);
  ok_->show();
  const bool fits = session_.FitResultsValid != 0;
  for (auto [button, command] : {std::pair{listStart_, CmReviewList}, std::pair{graphStart_, CmReviewGraph}}) {
    button->setVisible(fits);
    button->setEnabled(ReviewServed(command));
    button->setToolTip(button->isEnabled() ? QString() : QStringLiteral("The fit review is not available yet"));
  }
  ok_->setDefault(true);
  // The run ends by itself: OK and the Start buttons come where Cancel stood, under a
  // pointer that may be on its way to Cancel.
  if (clickGuard_) clickGuard_->AppearsNow();
  for (QLabel* l : {equation_, iteration_, r2_}) l->clear();
  if (gauges_[6]->Value() != 0) gauges_[6]->SetValue(100);
  if (gauges_[7]->Value() != 0) gauges_[7]->SetValue(kR2GaugeRange);
  // After 10 seconds the dialog gives way to the review in the last mode. With no review to
  // follow (no fits, or no review yet) it waits for OK: closing would only take its totals.
  const int lastMode = CurrentSettings().reviewStartMode == 1 ? CmReviewList : CmReviewGraph;
  if (!fits || !ReviewServed(lastMode)) return;
  QPointer<TFit> self(this);
  timer_ = platform::StartTimer(kDoneTimeoutMs, false, [self] {
    if (!self) return;
    self->timer_ = 0;
    self->done(kFitDlgTimedOut);
  });
}

void TFit::EvFitProgress(const TFitMessage& m) {
  switch (m.code) {
    case kFitMsgAbort:
      FitAbort = 1;
      return;
    case kFitMsgSkipButton:
      if (m.value == -1) {
        skip_->show();
        ShowNonLinearLabels(true);
      } else if (m.value == -2) {
        skip_->hide();
      } else {
        FitSkip = 1;
      }
      return;
    case kFitMsgBackgroundButton:
      background_->setVisible(m.value == -1);
      return;
    case kFitMsgFitted:
    case kFitMsgAdded:
    case kFitMsgIteration:
      Text(m.code)->setText(QString::fromStdString(CFormat("%lld", m.value)));
      return;
    case kFitMsgEquation:
      equation_->setText(platform::qt::FromCp1252(m.text));
      return;
    case kFitMsgR2:
      r2_->setText(QString::fromStdString(CFormat("%.8Lg", m.real)));
      return;
    case kFitMsgTime: {
      const auto elapsed = std::chrono::steady_clock::now() - started_;
      time_->setText(QString::fromStdString(FitElapsedText(
          std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 10)));
      return;
    }
    case kFitMsgGaugeR2:
      gauges_[7]->SetValue(FitR2GaugeValue(m.real));
      return;
    case kFitMsgStart:
      Start();
      return;
    case kFitMsgComplete:
      // A run that ran short of memory keeps what it fitted, but must not look complete.
      if (m.value == -2)
        ErrorBox(platform::qt::ToWindow(this), kCaption, platform::LoadString(3448));
      Complete();
      return;
    case kFitMsgNothingToFit:
      InfoBox(platform::qt::ToWindow(this), kCaption,
              "Nothing to Fit: no equation and no user function is selected.");
      done(kFitDlgOk);
      return;
    default:
      if (m.code >= kFirstGauge && m.code < kFirstGauge + 7)
        gauges_[m.code - kFirstGauge]->SetValue(static_cast<int>(m.value));
      return;
  }
}
