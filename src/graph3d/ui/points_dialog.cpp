#include "graph3d/ui/points_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "graph3d/ui/option_dialog_buttons.h"

namespace {

struct Choice {
  int id;
  const char* text;
  int value;
};
constexpr Choice kShapes[] = {{605, "S&quare", 1}, {606, "&Circle", 2}, {607, "&Diamond", 3}};
constexpr Choice kFills[] = {{518, "&None", 0},    {523, "&Four Color", 1}, {519, "Color &1", 2},
                             {520, "Color &2", 3}, {521, "Color &3", 4},    {522, "Color &4", 5}};
constexpr Choice kDisplays[] = {{596, "&All Points", 1}, {609, "&Visible Only", 2}, {604, "&Hide Points", 3}};
constexpr int kHideZLines = 611;
constexpr int kHideZLinesBit = 0x100;

}  // namespace

TPoints::TPoints(QWidget* parent, T3DGraphSetup* setup)
    : T3DSFDlg(parent, setup),
      remembered_(TRememberedView::From(setup->View != nullptr ? *setup->View : Renderer().View())),
      state_(Renderer().MutablePointsOptions()),
      clock_(new TPreviewClock(this, [this] { Tick(); })) {
  setWindowTitle(tr("Points"));
  auto group = [&](const char* title, const auto& choices, QBoxLayout* into) {
    auto* frame = new QGroupBox(tr(title), this);
    auto* column = new QVBoxLayout(frame);
    column->setSpacing(2);
    for (const Choice& c : choices) {
      auto* b = new QRadioButton(tr(c.text), frame);
      b->setAutoExclusive(false);
      buttons_[c.id] = b;
      column->addWidget(b);
      connect(b, &QRadioButton::clicked, this, [this, id = c.id] { Click(id); });
    }
    into->addWidget(frame);
    return column;
  };
  auto* left = new QVBoxLayout;
  auto* sizeBox = new QGroupBox(tr("Size"), this);
  auto* sizeRow = new QHBoxLayout(sizeBox);
  sizeBar_ = new QScrollBar(Qt::Horizontal, sizeBox);
  sizeBar_->setRange(1, 10);
  sizeBar_->setPageStep(2);
  sizeBar_->setMinimumWidth(100);
  sizeText_ = new QLabel(sizeBox);
  sizeText_->setMinimumWidth(20);
  sizeRow->addWidget(sizeBar_, 1);
  sizeRow->addWidget(sizeText_);
  left->addWidget(sizeBox);
  group("Shape", kShapes, left);
  group("Fill", kFills, left);
  QVBoxLayout* display = group("Display", kDisplays, left);
  auto* hide = new QCheckBox(tr("Hide Z &Lines"), this);
  buttons_[kHideZLines] = hide;
  display->addWidget(hide);
  connect(hide, &QCheckBox::clicked, this, [this] { Click(kHideZLines); });
  left->addStretch(1);
  connect(sizeBar_, &QScrollBar::sliderMoved, this, [this](int v) { SetSize(v, false); });
  connect(sizeBar_, &QScrollBar::actionTriggered, this, [this](int) {
    if (!sizeBar_->isSliderDown()) SetSize(sizeBar_->sliderPosition(), true);
  });
  connect(sizeBar_, &QScrollBar::sliderReleased, this, [this] { SetSize(sizeBar_->value(), true); });

  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons, 23, [this] { CmReset(); });
  auto* top = new QHBoxLayout(this);
  top->addLayout(left);
  top->addWidget(Pane(), 1);
  top->addLayout(buttons);
  Pane()->setMinimumSize(320, 280);
  UpdateControls();
  clock_->Start();
}

TPoints::~TPoints() {
  clock_->Stop();
  // A quick preview never reaches the record.
  remembered_.PutInto(Renderer());
}

QWidget* TPoints::Control(int id) const {
  if (id == 610) return sizeBar_;
  const auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second;
}

void TPoints::UpdateControls() {
  const QSignalBlocker block(sizeBar_);
  sizeBar_->setValue(state_.Size);
  sizeText_->setText(QString::number(state_.Size));
  for (const Choice& c : kShapes) buttons_[c.id]->setChecked(state_.Shape == c.value);
  for (const Choice& c : kFills) buttons_[c.id]->setChecked(state_.Fill == c.value);
  const int mode = state_.Display & 0xFF;
  const bool pointsAlone = (Renderer().ContentFlags() & 7) == kContentPoints;
  for (const Choice& c : kDisplays) {
    buttons_[c.id]->setChecked(!pointsAlone && mode == c.value);
    buttons_[c.id]->setEnabled(!pointsAlone);
  }
  buttons_[kHideZLines]->setChecked(pointsAlone && (state_.Display & kHideZLinesBit) != 0);
  buttons_[kHideZLines]->setEnabled(pointsAlone);
  const bool shown = mode != 3;
  for (const Choice& c : kShapes) buttons_[c.id]->setEnabled(shown);
  for (const Choice& c : kFills) buttons_[c.id]->setEnabled(shown);
}

void TPoints::QuickPreview() {
  TRememberedView::QuickLook(Renderer());
  UpdateControls();
  InvalidateGraph();
  ticks_ = 0;
}

void TPoints::Click(int id) {
  const T3DPointsRec before = state_;
  for (const Choice& c : kShapes)
    if (c.id == id) state_.Shape = static_cast<std::uint16_t>(c.value);
  for (const Choice& c : kFills)
    if (c.id == id) state_.Fill = static_cast<std::uint16_t>(c.value);
  for (const Choice& c : kDisplays)
    if (c.id == id) state_.Display = static_cast<std::uint16_t>((state_.Display & kHideZLinesBit) | c.value);
  if (id == kHideZLines) state_.Display ^= kHideZLinesBit;
  if (before == state_) {
    UpdateControls();
    return;
  }
  QuickPreview();
}

void TPoints::SetSize(int size, bool release) {
  state_.Size = static_cast<std::uint16_t>(std::clamp(size, 1, 10));
  sizeText_->setText(QString::number(state_.Size));
  if (release) QuickPreview();
  ticks_ = 0;
}

void TPoints::Tick() {
  if (remembered_.ShownBy(Renderer())) {
    ticks_ = 0;
    return;
  }
  if (++ticks_ >= 20) {
    remembered_.PutInto(Renderer());
    InvalidateGraph();
    ticks_ = 0;
  }
}

void TPoints::CmReset() {
  state_.Size = 3;
  state_.Shape = 2;
  state_.Fill = 1;
  state_.Display = 1;
  UpdateControls();
  remembered_.PutInto(Renderer());
  InvalidateGraph();
  ticks_ = 0;
}
