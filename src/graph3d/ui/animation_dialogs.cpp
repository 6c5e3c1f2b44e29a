#include "graph3d/ui/animation_dialogs.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "app/ui/small_controls.h"
#include "graph3d/animation_settings.h"
#include "graph3d/option_files.h"
#include "graph3d/ui/option_dialog_buttons.h"
#include "platform/qt/qt_device_context.h"

namespace {

constexpr const char* kAnimationFilter = "Animate [ani]|*.ani|";
constexpr const char* kEditLabels[6] = {"&Start", "&End", "I&ncr", "S&tart", "En&d", "In&cr"};
// The XY end takes 360 as well as 359: the dialog's own Reset turns the graph a full circle
// from 5 to 360, and a field must take what its Reset and its files put into it.
constexpr long kEditRanges[6][2] = {{0, 359}, {0, 360}, {-180, 180}, {-90, 90}, {-90, 90}, {-90, 90}};
constexpr const char* kModeTexts[4] = {"&XY", "&Z", "X&Y, Z", "Z, XY"};
constexpr const char* kScopeTexts[3] = {"&Graph", "S&urface,Data", "Sur&face"};

std::int16_t& Field(T3DAnimRec& r, int i) {
  std::int16_t* fields[6] = {&r.StartXY, &r.EndXY, &r.StepXY, &r.StartZ, &r.EndZ, &r.StepZ};
  return *fields[i];
}

}  // namespace

TAnimate::TAnimate(QWidget* parent, T3DAnimRec* block) : TDlg(parent), block_(block), working_(*block) {
  setWindowTitle(tr("Animate"));
  auto* anglesBox = new QGroupBox(tr("Angles"), this);
  auto* grid = new QGridLayout(anglesBox);
  grid->addWidget(new QLabel(tr("XY"), anglesBox), 0, 1);
  grid->addWidget(new QLabel(tr("Z"), anglesBox), 0, 3);
  for (int i = 0; i < 6; ++i) {
    auto* e = new TEditInt(anglesBox, 4, kEditRanges[i][0], kEditRanges[i][1]);
    e->setObjectName(QString("edit%1").arg(482 + i));
    e->setFixedWidth(60);
    auto* label = new QLabel(tr(kEditLabels[i]), anglesBox);
    label->setBuddy(e);
    grid->addWidget(label, 1 + i % 3, (i / 3) * 2);
    grid->addWidget(e, 1 + i % 3, (i / 3) * 2 + 1);
    edits_[static_cast<std::size_t>(i)] = e;
    connect(e, &QLineEdit::textChanged, this, [this, i] { ReadEdit(i); });
  }
  auto* varyBox = new QGroupBox(tr("Vary"), this);
  auto* varyColumn = new QVBoxLayout(varyBox);
  for (int m = 0; m < 4; ++m) {
    auto* b = new QRadioButton(tr(kModeTexts[m]), varyBox);
    b->setAutoExclusive(false);
    modes_[static_cast<std::size_t>(m)] = b;
    varyColumn->addWidget(b);
    connect(b, &QRadioButton::clicked, this, [this, m] { SetVaryMode(m + 1); });
  }
  auto* scopeBox = new QGroupBox(tr("Draw"), this);
  auto* scopeColumn = new QVBoxLayout(scopeBox);
  for (int s = 0; s < 3; ++s) {
    auto* b = new QRadioButton(tr(kScopeTexts[s]), scopeBox);
    b->setAutoExclusive(false);
    scopes_[static_cast<std::size_t>(s)] = b;
    scopeColumn->addWidget(b);
    connect(b, &QRadioButton::clicked, this, [this, s] { SetScope(s); });
  }
  auto* choices = new QHBoxLayout;
  choices->addWidget(varyBox);
  choices->addWidget(scopeBox);
  auto* left = new QVBoxLayout;
  left->addWidget(anglesBox);
  left->addLayout(choices);
  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons, 1, [this] { CmReset(); }, [this] { CmReadAnimation(); },
                   [this] { CmSaveAnimation(); });
  auto* top = new QHBoxLayout(this);
  top->addLayout(left);
  top->addLayout(buttons);
  UpdateControls();
}

QLineEdit* TAnimate::Edit(int i) const { return edits_[static_cast<std::size_t>(i)]; }

void TAnimate::UpdateControls() {
  NormalizeAnimSettings(working_, *block_);
  writing_ = true;
  for (int i = 0; i < 6; ++i) edits_[static_cast<std::size_t>(i)]->setText(QString::number(Field(working_, i)));
  writing_ = false;
  const int mode = working_.Mode();
  for (int i = 0; i < 3; ++i) edits_[static_cast<std::size_t>(i)]->setEnabled(mode != 2);
  for (int i = 3; i < 6; ++i) edits_[static_cast<std::size_t>(i)]->setEnabled(mode != 1);
  for (int m = 0; m < 4; ++m) modes_[static_cast<std::size_t>(m)]->setChecked(mode == m + 1);
  for (int s = 0; s < 3; ++s) scopes_[static_cast<std::size_t>(s)]->setChecked(working_.Scope() == s);
}

void TAnimate::ReadEdit(int i) {
  if (writing_) return;
  // Only a text that is a value of the field's range counts; an emptied field or a lone
  // sign leaves the angle as it was until the field is left (and shows it again).
  if (const std::optional<long double> v = edits_[static_cast<std::size_t>(i)]->TypedValue())
    Field(working_, i) = static_cast<std::int16_t>(*v);
}

void TAnimate::SetVaryMode(int mode) {
  working_.Vary = static_cast<std::int16_t>((working_.Vary & 0xFF00) | std::clamp(mode, 1, 4));
  UpdateControls();
}

void TAnimate::SetScope(int scope) {
  working_.Vary = static_cast<std::int16_t>((std::clamp(scope, 0, 2) << 8) | working_.Mode());
  UpdateControls();
}

void TAnimate::CmReset() {
  working_ = ResetAnimSettings();
  UpdateControls();
}

void TAnimate::CmReadAnimation() {
  const std::string path = AskOptionFile(this, false, "Read Animation", kAnimationFilter, "ANI");
  if (path.empty()) return;
  T3DAnimRec read;
  if (ReportOptionFile(this, path, ReadAnimationFile(path, read), kAnimationFileErrorText)) {
    working_ = read;
    UpdateControls();
  }
}

void TAnimate::CmSaveAnimation() {
  // What is written is what the fields show.
  if (!FieldsSettled()) return;
  const std::string path = AskOptionFile(this, true, "Save Animation", kAnimationFilter, "ANI");
  if (!path.empty()) ReportOptionFileSave(this, path, WriteAnimationFile(path, working_));
}

void TAnimate::accept() {
  if (!FieldsSettled()) return;
  for (int i = 0; i < 6; ++i) ReadEdit(i);
  UpdateControls();
  *block_ = working_;
  TDlg::accept();
}

TAnimateWin::TAnimateWin(QWidget* parent, T3DGraphSetup* setup, const QString& title)
    : T3DWin(parent, title.isEmpty() ? tr("Animate View") : title, setup,
             setup != nullptr ? setup->HostWord2 : nullptr),
      menu_(new QMenuBar(this)) {
  startStop_ = menu_->addAction(tr("&Start"));
  adjust_ = menu_->addAction(tr("&Adjust"));
  end_ = menu_->addAction(tr("&End"));
  connect(startStop_, &QAction::triggered, this, [this] { Playing() ? CmStop() : CmStart(); });
  connect(adjust_, &QAction::triggered, this, [this] { CmAdjust(); });
  connect(end_, &QAction::triggered, this, [this] { close(); });
  setFocusPolicy(Qt::StrongFocus);
  frames_.setSingleShot(true);
  frames_.setTimerType(Qt::PreciseTimer);
  connect(&frames_, &QTimer::timeout, this, [this] { NextFrame(); });
  clock_ = [timer = std::make_shared<QElapsedTimer>()]() -> long long {
    if (!timer->isValid()) timer->start();
    return timer->elapsed();
  };
}

void TAnimateWin::ScheduleFrame() {
  frames_.start(static_cast<int>(std::clamp<long long>(frameBegun_ + kFrameMs - clock_(), 0, kFrameMs)));
}

void TAnimateWin::NextFrame() {
  // The frame drawn last is painted first (its paint schedules this one).
  if (!frameShown_) return;
  // A timer may come early, or the clock be one of its own: the refresh is waited out.
  if (Renderer().AnimationStateValue() != kAnimStopRequested && clock_() < frameBegun_ + kFrameMs) {
    ScheduleFrame();
    return;
  }
  frameBegun_ = clock_();
  frameShown_ = false;
  if (!Step()) {
    frameShown_ = true;
    frames_.stop();
  }
}

int TAnimateWin::TopInset() const { return menu_->sizeHint().height(); }

void TAnimateWin::UpdateMenu() {
  const bool playing = Playing();
  startStop_->setText(playing ? tr("&Stop") : tr("&Start"));
  startStop_->setData(playing ? kCmStop : kCmStart);
  adjust_->setEnabled(!playing);
  end_->setEnabled(!playing);
}

void TAnimateWin::CmStart() {
  if (Playing()) return;
  Renderer().SetAnimationState(kAnimStartRequested);
  UpdateMenu();
  update();
  if (timerDriven_) {
    frameShown_ = true;
    frameBegun_ = clock_() - kFrameMs;
    frames_.start(0);
  }
}

void TAnimateWin::CmStop() {
  Renderer().RequestAnimationStop();
  UpdateMenu();
  // The stop is served at once, whether the last frame was shown or not (a hidden window).
  if (timerDriven_ && Playing()) {
    frameShown_ = true;
    frames_.start(0);
  }
}

void TAnimateWin::CmAdjust() {
  if (Playing() || setup_ == nullptr || setup_->Anim == nullptr) return;
  if ((new TAnimate(this, setup_->Anim))->Execute() != 1) return;
  Renderer().ResetAnimation();
  CmStart();
}

bool TAnimateWin::Step() {
  if (frame_.size() != FrameSize()) frame_ = QImage(FrameSize(), QImage::Format_RGB32);
  platform::qt::QtDeviceContext dc(frame_);
  bool running;
  if (Renderer().AnimationStateValue() == kAnimStartRequested) {
    Renderer().Prepare();
    running = Renderer().Animate(dc);
  } else {
    running = Renderer().AnimationStep(dc);
  }
  // Once it ends, the view from before the animation is back and is drawn once more.
  frameValid_ = running;
  if (!running) UpdateMenu();
  update();
  return running;
}

void TAnimateWin::paintEvent(QPaintEvent* event) {
  if (!Playing()) {
    T3DWin::paintEvent(event);
    return;
  }
  QPainter painter(this);
  if (!frame_.isNull()) painter.drawImage(ClientPoint({0, 0}), frame_);
  if (timerDriven_ && !frameShown_) {
    frameShown_ = true;
    ScheduleFrame();
  }
}

void TAnimateWin::resizeEvent(QResizeEvent* event) {
  menu_->setGeometry(0, 0, width(), menu_->sizeHint().height());
  T3DWin::resizeEvent(event);
}

void TAnimateWin::keyPressEvent(QKeyEvent* event) {
  if (Playing()) {
    CmStop();
    event->accept();
    return;
  }
  T3DWin::keyPressEvent(event);
}

void TAnimateWin::closeEvent(QCloseEvent* event) {
  // The close box while playing only stops the animation.
  if (Playing()) {
    CmStop();
    event->ignore();
    return;
  }
  frames_.stop();
  T3DWin::closeEvent(event);
}
