#include "graph3d/ui/rotating_graph_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

#include "platform/qt/qt_device_context.h"

namespace {

// The message field is four units of the strip wide, X, Y and Z one each.
constexpr int kFieldStretch[4] = {4, 1, 1, 1};

}  // namespace

T3DDlgSW::T3DDlgSW(QWidget* parent, T3DGraphSetup* setup, int counted)
    : T3DDlg(parent, setup, counted), strip_(new QFrame(this)) {
  strip_->setObjectName(QString::number(kStrip));
  strip_->setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(strip_);
  row->setContentsMargins(4, 2, 4, 2);
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      auto* separator = new QFrame(strip_);
      separator->setObjectName(QString::number(392 + i - 1));
      separator->setFrameShape(QFrame::VLine);
      separator->setFixedWidth(2);
      row->addWidget(separator);
    }
    fields_[i] = new QLabel(strip_);
    fields_[i]->setObjectName(QString::number(kFieldIds[i]));
    fields_[i]->setMinimumWidth(20);
    row->addWidget(fields_[i], kFieldStretch[i]);
  }
  // The projected points must outlive each paint: they are what the pointer is matched to.
  Renderer().SetKeepPoints(true);
}

void T3DDlgSW::SetupWindow() {
  if (layout() == nullptr) {
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 4, 4, 4);
    box->setSpacing(4);
    box->addWidget(Pane(), 1);
    box->addWidget(strip_);
  }
  T3DDlg::SetupWindow();
}

bool T3DDlgSW::AttachSetup(T3DGraphSetup* setup) {
  const bool ok = Renderer().SetData(setup);
  Renderer().SetKeepPoints(true);
  return ok;
}

QString T3DDlgSW::FieldText(int i) const { return fields_[i]->text(); }

void T3DDlgSW::SetFieldText(int i, const QString& text) { fields_[i]->setText(text); }

QString T3DDlgSW::HoverMessage(const TXYZPoint& point, int record) const {
  return QString::fromLatin1(HoverTexts(point, record).message.c_str());
}

void T3DDlgSW::ShowTexts(const QString& message, const QString& x, const QString& y, const QString& z) {
  const QString texts[4] = {message, x, y, z};
  for (int i = 0; i < 4; ++i) fields_[i]->setText(texts[i]);
}

const TXYZPoint* T3DDlgSW::Record(int record) const {
  const T3DGraphSetup* setup = Renderer().Setup();
  if (setup == nullptr || !setup->Points) return nullptr;
  const std::span<const TXYZPoint> table = setup->Points();
  if (record < 1 || static_cast<std::size_t>(record) >= table.size()) return nullptr;
  return &table[static_cast<std::size_t>(record)];
}

int T3DDlgSW::PointAt(int x, int y, int* entry) const {
  const platform::Rect r = GraphRectInPane();
  const auto& kept = Renderer().KeptPoints();
  const int k = FindNearestKeptPoint(kept, x, y, r.right, r.bottom);
  if (entry) *entry = k;
  return k > 0 ? kept[static_cast<std::size_t>(k)].index : 0;
}

void T3DDlgSW::PaneMouseMove(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (holding_) {
    const bool dragged = !IsClick(press_.x(), press_.y(), p.x(), p.y());
    Pane()->setCursor(dragged ? Qt::ArrowCursor : Qt::ClosedHandCursor);
    return;
  }
  const int record = PointAt(p.x(), p.y());
  const TXYZPoint* point = Record(record);
  if (point == nullptr) {
    Pane()->setCursor(Qt::ArrowCursor);
    fields_[0]->clear();
    return;
  }
  const TPointTexts t = HoverTexts(*point, record);
  ShowTexts(HoverMessage(*point, record), QString::fromLatin1(t.x.c_str()),
            QString::fromLatin1(t.y.c_str()), QString::fromLatin1(t.z.c_str()));
  Pane()->setCursor(Qt::PointingHandCursor);
}

void T3DDlgSW::PaneMousePress(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pickingEnabled_ || holding_) return;
  const QPoint p = event->position().toPoint();
  if (!PtInGraph(p.x(), p.y())) return;
  int entry = 0;
  const int record = PointAt(p.x(), p.y(), &entry);
  const TXYZPoint* point = Record(record);
  if (point == nullptr || !toggler_) {
    T3DDlg::PaneMousePress(event);  // the click zones
    return;
  }
  holding_ = true;
  press_ = p;
  heldEntry_ = entry;
  heldRecord_ = record;
  Pane()->setCursor(Qt::ClosedHandCursor);
  const TPointTexts t = HoverTexts(*point, record);
  ShowTexts(QString::fromLatin1(ToggleText(*point, record).c_str()), QString::fromLatin1(t.x.c_str()),
            QString::fromLatin1(t.y.c_str()), QString::fromLatin1(t.z.c_str()));
}

void T3DDlgSW::PaneMouseRelease(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    ToggleWheelMode();
    return;
  }
  if (event->button() != Qt::LeftButton || !holding_) return;
  holding_ = false;
  Pane()->setCursor(Qt::ArrowCursor);
  const QPoint p = event->position().toPoint();
  const TXYZPoint* point = Record(heldRecord_);
  if (!pickingEnabled_ || point == nullptr || !IsClick(press_.x(), press_.y(), p.x(), p.y())) return;
  toggler_(heldRecord_, ToggledStatus(point->Status));
  // Only the one symbol changes: draw it again into the held image and show it.
  if (HeldImageValid()) {
    platform::qt::QtDeviceContext dc(MutableHeldImage());
    Renderer().RedrawPickedPoint(dc, heldEntry_);
  }
  Pane()->update();
  pointEdits_ = true;
  if (pointsChanged_) pointsChanged_();
  // The next full paint draws the point from the table; the cached frames are stale.
  Cache().Clear();
}

void T3DDlgSW::PaneMouseDoubleClick(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) StandardView();
}

void T3DDlgSW::StandardView() {
  T3DViewRec& view = Renderer().MutableView();
  view.AngleXY = 210;
  view.AngleZ = 20;
  wheelMode_ = 1;
  Redraw(2);
}

void T3DDlgSW::PaneWheel(QWheelEvent* event) {
  WheelStep(event->angleDelta().y(), event->modifiers());
  event->accept();
}

void T3DDlgSW::WheelStep(int delta, Qt::KeyboardModifiers modifiers) {
  const int notches = wheel_.Notches(delta);
  if (notches == 0) return;
  const TWheelKeys keys{(modifiers & Qt::ShiftModifier) != 0, (modifiers & Qt::ControlModifier) != 0};
  T3DViewRec& view = Renderer().MutableView();
  if (wheelMode_ == 0) {
    view.AngleXY = static_cast<long double>(WheelRotation(static_cast<int>(view.AngleXY), notches, keys));
  } else {
    view.AngleZ = static_cast<long double>(WheelElevation(static_cast<int>(view.AngleZ), notches, keys));
  }
  Redraw(2);
}

void T3DDlgSW::SetArrowCursor() {
  Pane()->setCursor(Qt::ArrowCursor);
  if (pointEdits_ && prescanOnFinish_ && prescan_) prescan_();
}

bool T3DDlgSW::FinishPointEdits() {
  Pane()->setCursor(Qt::ArrowCursor);
  if (pointEdits_) {
    if (prescan_) prescan_();
    pointEdits_ = false;
  }
  return true;
}
