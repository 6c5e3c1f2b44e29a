#include "graph3d/ui/graph_frame_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <utility>

#include "app/c_format.h"
#include "app/long_double.h"
#include "app/number_format.h"
#include "app/ui/dialog.h"
#include "app/ui/main_window.h"
#include "expr/eval_context.h"
#include "graph3d/color_schemes.h"
#include "graph3d/graph_pointer.h"
#include "graph3d/ui/copy_graph_dialog.h"
#include "graph3d/ui/graph_output.h"
#include "graph3d/ui/print_graph_dialog.h"
#include "platform/qt/qt_device_context.h"
#include "platform/string_table.h"

namespace {

constexpr int kResidualText = 3293;
constexpr int kInactiveResidualText = 3294;

QColor RoleColor(const T3DBase& r, int role) {
  const platform::Color c = Basic16Colors[static_cast<std::size_t>(r.ColorIndex(role))];
  return QColor(c.Red(), c.Green(), c.Blue());
}

// The status font: Arial, 8 points.
QFont StatusFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  return font;
}

}  // namespace

T3DWin::T3DWin(QWidget* parent, const QString& title, T3DGraphSetup* setup)
    : T3DWin(parent, title, setup, setup != nullptr ? setup->HostWord1 : nullptr) {}

T3DWin::T3DWin(QWidget* parent, const QString& title, T3DGraphSetup* setup, WindowPlacement* place)
    : QWidget(parent, OwnedWindowFlags(parent, Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                               Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)),
      setup_(setup), renderer_(setup), placement_(place, MaximisedWord::kIgnored) {
  setWindowTitle(title);
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (placement_.Apply(*this)) return;
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  PlaceFrameWithinScreen(this, screen.topLeft() + QPoint(20, 20), QSize(screen.width() - 40, screen.height() - 40));
}

T3DWin::~T3DWin() {
  if (counted_) CountedDialogClosed();
}

void T3DWin::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Open over the main window, the window counts as a dialog: the main window's commands
  // wait until it closes.
  if (!counted_ && parentWidget() != nullptr && parentWidget() == MainWindow) {
    counted_ = true;
    CountedDialogOpened();
  }
  LayoutGraph();
}

void T3DWin::closeEvent(QCloseEvent* event) {
  if (counted_) {
    counted_ = false;
    CountedDialogClosed();
  }
  emit closed();
  QWidget::closeEvent(event);
}

bool T3DWin::RecordsPlacement() const { return setup_ == nullptr || (setup_->LockMask & kLockEverything) == 0; }

void T3DWin::LayoutGraph() {
  // The graph takes the frame less one pixel at the right and bottom, and less the status
  // strip.
  renderer_.SetGraphRect({0, 0, width() - 1, height() - 1 - TopInset() - StripHeight()});
  if (fontsMade_) renderer_.DeleteFonts();
  renderer_.CreateScreenFonts();
  fontsMade_ = true;
  frameValid_ = false;
  update();
}

void T3DWin::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (RecordsPlacement()) placement_.Record(*this);
}

void T3DWin::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (RecordsPlacement()) placement_.Record(*this);
  LayoutGraph();
}

void T3DWin::Redraw() {
  frameValid_ = false;
  update();
}

void T3DWin::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (busy_) {
    if (!frame_.isNull()) painter.drawImage(ClientPoint({0, 0}), frame_);
    return;
  }
  if (!frameValid_ || frame_.size() != FrameSize()) DrawFrameNow();
  DrawExtras(frame_);
  painter.drawImage(ClientPoint({0, 0}), frame_);
}

void T3DWin::DrawFrameNow() {
  QImage frame(FrameSize(), QImage::Format_RGB32);
  frame.fill(RoleColor(renderer_, kRoleBackground));
  renderer_.Prepare();
  if (renderer_.AnimationStateValue() == kAnimIdle) {
    platform::qt::QtDeviceContext dc(frame);
    renderer_.Draw(dc, kDrawScreen);
  }
  // A picture of stopped evaluations is no picture of the surface: the frame stays.
  if (ExprThreadContext().stopped) return;
  frame_ = std::move(frame);
  frameValid_ = true;
}

T3DWin::TShownFrame T3DWin::KeepShownFrame() const { return TShownFrame{renderer_.KeepComputed(), frame_, frameValid_}; }

void T3DWin::PutBackShownFrame(TShownFrame shown) {
  renderer_.PutBackComputed(std::move(shown.computed));
  frame_ = std::move(shown.frame);
  frameValid_ = shown.valid;
  update();
}

QRect T3DWin::GraphRectOnScreen() const {
  const platform::Rect r = renderer_.GraphRect();
  return {mapToGlobal(ClientPoint(QPoint(r.left, r.top))), QSize(r.right - r.left + 1, r.bottom - r.top + 1)};
}

void T3DWin::CopyGraph() {
  TCopyGraphSettings settings;
  if (!RunCopyGraphDialog(this, GraphRectOnScreen(), settings)) return;
  busy_ = true;
  PerformGraphCopy(this, renderer_, settings);
  busy_ = false;
  update();
}

void T3DWin::PrintGraph() {
  TSummaryDrawer summary;
  if (HasSummary())
    summary = [this](platform::DeviceContext& dc, int resolution, const platform::Rect& rect, bool colors) {
      DrawSummary(dc, resolution, rect, colors);
    };
  busy_ = true;
  RunGraphPrint(this, renderer_, GraphRectOnScreen(), summary);
  busy_ = false;
  update();
}

T3DWinSL::T3DWinSL(QWidget* parent, const QString& title, T3DGraphSetup* setup) : T3DWin(parent, title, setup) {
  setMouseTracking(true);
  renderer_.SetKeepPoints(true);
}

int T3DWinSL::StripHeight() const {
  // One and a half lines of the status font.
  return QFontMetrics(StatusFont()).height() * 3 / 2;
}

void T3DWinSL::DrawExtras(QImage& frame) {
  QPainter p(&frame);
  const int bottom = frame.height() - 1, right = frame.width() - 1;
  const QColor background = RoleColor(renderer_, kRoleBackground);
  p.fillRect(QRect(QPoint(1, bottom - StripHeight() + 1), QPoint(right, bottom)), background);
  p.setFont(StatusFont());
  p.setPen(RoleColor(renderer_, kRoleTitle));
  const QRect line(10, bottom - StripHeight() + 1, right - 20, StripHeight() - 1);
  p.drawText(line, Qt::AlignLeft | Qt::AlignBottom, QString::fromLatin1(left_.c_str()));
  p.drawText(line, Qt::AlignRight | Qt::AlignBottom, QString::fromLatin1(right_.c_str()));
}

void T3DWinSL::PointerAt(int x, int y) {
  const platform::Rect r = renderer_.GraphRect();
  const auto& kept = renderer_.KeptPoints();
  const int entry = FindNearestKeptPoint(kept, x, y, r.right, r.bottom);
  const int record = entry > 0 ? kept[static_cast<std::size_t>(entry)].index : 0;
  const std::span<const TXYZPoint> table =
      setup_ != nullptr && setup_->Points ? setup_->Points() : std::span<const TXYZPoint>();
  if (record < 1 || static_cast<std::size_t>(record) >= table.size()) {
    if (left_.empty() && right_.empty()) return;
    left_.clear();
    right_.clear();
    lastHit_ = -1;
    update();
    return;
  }
  const TXYZPoint& point = table[static_cast<std::size_t>(record)];
  if (renderer_.ContentFlags() == kContentResiduals) {
    if (point.Status == '*') {
      left_ = CFormat(std::string(platform::LoadString(kInactiveResidualText)).c_str(), record);
    } else {
      const long double surface = setup_->PointSurfaceFn ? setup_->PointSurfaceFn(point.X, point.Y, point.Z)
                                  : setup_->SurfaceFn    ? setup_->SurfaceFn(point.X, point.Y)
                                                         : ExprErrorValue;
      const std::string residual = IsUsableValue(surface) ? FormatNumber(point.Z - surface, 8) : "Error";
      left_ = CFormat(std::string(platform::LoadString(kResidualText)).c_str(), record, residual.c_str());
    }
  } else {
    left_ = HoverTexts(point, record).message;
  }
  const TPointTexts t = HoverTexts(point, record);
  right_ = "X " + t.x + "  Y " + t.y + "  Z " + t.z;
  lastHit_ = record;
  update();
}

void T3DWinSL::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = FramePoint(event->position().toPoint());
  PointerAt(p.x(), p.y());
}

void T3DWinSL::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton || (renderer_.ContentFlags() & 7) != kContentResiduals) return;
  // The pointer goes to the point of the largest residual.
  const int record = renderer_.ResidualStats().maxAbsRIndex;
  for (const TKeptPoint& p : renderer_.KeptPoints()) {
    if (&p == &renderer_.KeptPoints()[0] || p.index != record || p.x < 0) continue;
    QCursor::setPos(mapToGlobal(ClientPoint(QPoint(p.x, p.y))));
    return;
  }
}
