#include "graph3d/ui/graph_dialog.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cstring>
#include <utility>

#include "app/bitmap_files.h"
#include "app/byte_codec.h"
#include "expr/eval_context.h"
#include "graph3d/ui/copy_graph_dialog.h"
#include "graph3d/ui/graph_output.h"
#include "graph3d/ui/print_graph_dialog.h"
#include "platform/qt/qt_device_context.h"

namespace {

constexpr QImage::Format kHeldFormat = QImage::Format_RGB32;

// Click zones' buttons and the menu commands that stand in for them.
constexpr int kTitlesButton = 375, kTitlesCommand = 2141;
constexpr int kViewButton = 372, kViewCommand = 2343;
constexpr int kScalingButton = 373, kScalingCommand = 2344;

float Seconds(const QElapsedTimer& timer) { return static_cast<float>(timer.nsecsElapsed()) * 1e-9f; }

}  // namespace

std::unique_ptr<TLZW> EncodeFrame(const QImage& image, int kind, int key) {
  if (image.isNull()) return nullptr;
  const QImage rgb = image.format() == kHeldFormat ? image : image.convertToFormat(kHeldFormat);
  // Rows of an RGB32 image are whole words, one after the other.
  const auto* pixels = reinterpret_cast<const std::uint32_t*>(rgb.constBits());
  return EncodeFramePixels({pixels, static_cast<std::size_t>(rgb.width()) * static_cast<std::size_t>(rgb.height())},
                           rgb.width(), rgb.height(), kind, key);
}

bool DecodeFrame(const std::vector<std::uint8_t>& plain, int kind, QImage& image) {
  if (kind == kImageDib || kind == kImageLzwDib) {
    DibPicture picture;
    if (!ReadDib(plain, picture)) return false;
    QImage out(picture.width, picture.height, kHeldFormat);
    if (out.isNull()) return false;
    for (int y = 0; y < picture.height; ++y)
      std::memcpy(out.scanLine(y), picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width),
                  static_cast<std::size_t>(picture.width) * 4);
    image = std::move(out);
    return true;
  }
  // The bits fit the held image as it is: a frame of another size is not used.
  if (plain.size() < 4 || image.isNull() || image.format() != kHeldFormat) return false;
  const std::uint32_t count = bytes::LoadU32(plain.data());
  if (count != plain.size() - 4 || count != static_cast<std::uint32_t>(image.sizeInBytes())) return false;
  std::memcpy(image.bits(), plain.data() + 4, count);
  return true;
}

T3DDlg::T3DDlg(QWidget* parent, T3DGraphSetup* setup, int counted)
    : TDlg(parent, 1, counted), setup_(setup), renderer_(setup), pane_(new TGraphPane(this)) {
  setSizeGripEnabled(true);
  pane_->onPaint = [this](QPainter& p) { PaintPane(p); };
  pane_->onMousePress = [this](QMouseEvent* e) { PaneMousePress(e); };
  pane_->onMouseMove = [this](QMouseEvent* e) { PaneMouseMove(e); };
  pane_->onMouseRelease = [this](QMouseEvent* e) { PaneMouseRelease(e); };
  pane_->onMouseDoubleClick = [this](QMouseEvent* e) { PaneMouseDoubleClick(e); };
  pane_->onWheel = [this](QWheelEvent* e) { PaneWheel(e); };
  pane_->onResize = [this] { PaneResized(); };
}

T3DDlg::~T3DDlg() = default;

void T3DDlg::SetupWindow() {
  // A derived dialog lays the pane out with its own controls; a bare one shows the pane.
  // The base fits the dialog to its contents; a graph window keeps the size it was given.
  const QSize given = size();
  if (layout() == nullptr) {
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 4, 4, 4);
    box->addWidget(pane_);
  }
  TDlg::SetupWindow();
  if (testAttribute(Qt::WA_Resized)) {
    resize(given.expandedTo(minimumSizeHint()));
    PlaceOnOpening();
  }
  setMinimumWidth(kMinimumWidth);
  // From here on the window's moves and sizes are the user's, and are kept.
  placement_ = TPlacementKeeper(setup_ != nullptr ? setup_->HostWord1 : nullptr, MaximisedWord::kRestored);
  placement_.Apply(*this);
  placement_.Record(*this);
  PaneResized();
}

void T3DDlg::moveEvent(QMoveEvent* event) {
  TDlg::moveEvent(event);
  placement_.Record(*this);
}

void T3DDlg::resizeEvent(QResizeEvent* event) {
  TDlg::resizeEvent(event);
  placement_.Record(*this);
}

void T3DDlg::PaneResized() {
  // The graph rectangle is the pane inset by one pixel, in the pane's coordinates.
  const int w = pane_->width(), h = pane_->height();
  renderer_.SetGraphRect({1, 1, std::max(w - 2, 2), std::max(h - 2, 2)});
  heldValid_ = false;
  if (fontsMade_) renderer_.DeleteFonts();
  renderer_.CreateScreenFonts();
  fontsMade_ = true;
  cache_.Clear();
  pane_->update();
}

void T3DDlg::Redraw(int mode) {
  if (mode == 2) cache_.Clear();
  if (mode == 1 || mode == 2) heldValid_ = false;
  pane_->update();
}

bool T3DDlg::PtInGraph(int x, int y) const {
  const platform::Rect r = renderer_.GraphRect();
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

void T3DDlg::PaintPane(QPainter& painter) {
  if (suspended_) {
    const QImage& shown = shownWhileSuspended_.isNull() ? held_ : shownWhileSuspended_;
    if (!shown.isNull()) painter.drawImage(0, 0, shown);
    return;
  }
  if (!heldValid_ || held_.size() != pane_->size()) PaintGraph();
  QElapsedTimer transfer;
  transfer.start();
  if (!held_.isNull()) painter.drawImage(0, 0, held_);
  transferTime_ += Seconds(transfer);
}

bool T3DDlg::PaintFromCache() {
  QElapsedTimer timer;
  timer.start();
  std::vector<std::uint8_t> plain;
  std::int64_t stored = 0;
  if (held_.size() != pane_->size()) held_ = QImage(pane_->size(), kHeldFormat);
  if (!cache_.ExpandFrame(plain, &stored) || !DecodeFrame(plain, imageKind_, held_) ||
      held_.size() != pane_->size())
    return false;
  lastImageSize_ = stored;
  lastFromCache_ = true;
  heldValid_ = true;
  renderTime_ = 0;
  transferTime_ = Seconds(timer);
  AfterPaint();
  return true;
}

void T3DDlg::PaintGraph() {
  renderer_.Prepare();
  if (QueryPaintMode() == 2) return;
  if (cache_.FindFrame() && PaintFromCache()) {
    pane_->update();
    return;
  }
  const QSize size = pane_->size();
  if (held_.size() != size) held_ = QImage(size, kHeldFormat);
  if (held_.isNull()) return;
  QElapsedTimer timer;
  timer.start();
  const int drawings = QueryPaintMode() == 1 ? 2 : 1;
  for (int k = 0; k < drawings; ++k) {
    platform::qt::QtDeviceContext dc(held_);
    if (renderer_.AnimationStateValue() == kAnimIdle) {
      renderer_.EraseSurface(dc, held_.width(), held_.height());
      renderer_.Draw(dc, kDrawScreen);
    }
    if (k == 0) {
      renderTime_ = Seconds(timer);
      timer.restart();
    }
  }
  heldValid_ = true;
  lastFromCache_ = false;
  if (cache_.CanCacheFrame() && !ExprThreadContext().stopped) {
    std::unique_ptr<TLZW> frame = EncodeFrame(held_, imageKind_, cache_.Key());
    lastImageSize_ = frame ? cache_.CacheImage(std::move(frame)) : TImageCache::kNoCache;
  }
  transferTime_ = Seconds(timer);
  AfterPaint();
}

T3DDlg::TShownGraph T3DDlg::KeepShownGraph() const {
  return TShownGraph{renderer_.KeepComputed(), held_, heldValid_, cache_.Key()};
}

void T3DDlg::PutBackShownGraph(TShownGraph shown) {
  renderer_.PutBackComputed(std::move(shown.computed));
  held_ = std::move(shown.held);
  heldValid_ = shown.heldValid;
  cache_.SetKey(shown.key);
  pane_->update();
}

void T3DDlg::ExecuteGraphCommand(int controlId, int menuId) {
  if (auto* button = findChild<QAbstractButton*>(QString::number(controlId))) {
    button->click();
    return;
  }
  if (menuHandler_) menuHandler_(menuId);
}

void T3DDlg::PaneMousePress(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  if (!PtInGraph(p.x(), p.y())) return;
  const platform::Rect r = renderer_.GraphRect();
  switch (ClickZoneAt(p.x() - r.left, p.y() - r.top, r.right - r.left, r.bottom - r.top)) {
    case ClickZone::Titles: ExecuteGraphCommand(kTitlesButton, kTitlesCommand); break;
    case ClickZone::View: ExecuteGraphCommand(kViewButton, kViewCommand); break;
    case ClickZone::Scaling: ExecuteGraphCommand(kScalingButton, kScalingCommand); break;
  }
}

QRect T3DDlg::GraphRectOnScreen() const {
  const platform::Rect r = renderer_.GraphRect();
  return {pane_->mapToGlobal(QPoint(r.left, r.top)), QSize(r.right - r.left + 1, r.bottom - r.top + 1)};
}

void T3DDlg::CopyGraph() {
  TCopyGraphSettings settings;
  if (!RunCopyGraphDialog(this, GraphRectOnScreen(), settings)) return;
  // The pane shows its held image while the graph is drawn elsewhere.
  suspended_ = true;
  PerformGraphCopy(this, renderer_, settings);
  suspended_ = false;
  pane_->update();
}

void T3DDlg::PrintGraph() {
  TSummaryDrawer summary;
  if (HasSummary())
    summary = [this](platform::DeviceContext& dc, int resolution, const platform::Rect& rect, bool colors) {
      DrawSummary(dc, resolution, rect, colors);
    };
  suspended_ = true;
  RunGraphPrint(this, renderer_, GraphRectOnScreen(), summary);
  suspended_ = false;
  pane_->update();
}
void T3DDlg::DrawSummary(platform::DeviceContext&, int, const platform::Rect&, bool) {}
