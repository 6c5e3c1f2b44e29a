// T3DDlg, the resizable dialog that hosts one 3D graph: the pane, the held image (the last
// frame drawn, so that a repaint without a change is one copy), the image cache of frames
// kept under a key (the fit rank in the review), the timing of each paint, the click zones
// that open the option dialogs, and the copy and print commands. The graph windows of the
// data view, the function viewers, the review, the data tools and the smoothing windows
// derive from it.
//
// Displays here are true colour: palettes need no realising, and both paint preferences
// ("direct to screen" and "via bitmaps") draw into the held image and copy it to the pane.
#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>

#include "app/ui/dialog.h"
#include "app/ui/window_placement.h"
#include "graph3d/frame_codec.h"
#include "graph3d/graph_pointer.h"
#include "graph3d/image_cache.h"
#include "graph3d/renderer.h"
#include "graph3d/ui/graph_pane.h"

// A frame as the cache keeps it, and back; null or false when it cannot be made.
std::unique_ptr<TLZW> EncodeFrame(const QImage& image, int kind, int key);
bool DecodeFrame(const std::vector<std::uint8_t>& plain, int kind, QImage& image);

class T3DDlg : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kMinimumWidth = 320;

  // The setup record must outlive the dialog; the renderer writes its state back into it
  // when the dialog goes.
  T3DDlg(QWidget* parent, T3DGraphSetup* setup, int counted = 1);
  ~T3DDlg() override;

  T3DBase& Renderer() { return renderer_; }
  const T3DBase& Renderer() const { return renderer_; }
  TGraphPane* Pane() const { return pane_; }

  // 2: the held image is stale and the cache cleared; 1: the held image is stale; then the
  // pane is repainted. A window that draws ahead into its cache stops and restarts that
  // work around a mode 2.
  virtual void Redraw(int mode);

  // The image cache (its byte limit in kilobytes of 1000 bytes).
  void InitImageCache(int kilobytes) { cache_.Init(kilobytes); }
  void ClearImageCache() { cache_.Clear(); }
  void FreeImageCache() { cache_.Free(); }
  void SetCacheEnabled(bool enabled) { cache_.SetEnabled(enabled); }
  void SetFrameKey(int key) { cache_.SetKey(key); }
  TImageCache& Cache() { return cache_; }
  const TImageCache& Cache() const { return cache_; }
  void SetImageKind(int kind) { imageKind_ = EffectiveImageKind(kind); }
  int ImageKindInUse() const { return imageKind_; }

  // Draws the graph into the held image (or takes the current key's frame from the cache)
  // and shows it; stores the frame in the cache when it may. A picture whose evaluations
  // the user stopped is never stored.
  void PaintGraph();
  // The picture shown, its cache key and what the renderer computed for it, kept before a
  // step the user may cancel (a costly surface recomputed and drawn) and put back after the
  // Cancel.
  struct TShownGraph {
    T3DBase::TComputedSurface computed;
    QImage held;
    bool heldValid = false;
    int key = 0;
  };
  TShownGraph KeepShownGraph() const;
  void PutBackShownGraph(TShownGraph shown);
  const QImage& HeldImage() const { return held_; }
  bool HeldImageValid() const { return heldValid_; }
  float RenderTime() const { return renderTime_; }
  float TransferTime() const { return transferTime_; }
  std::int64_t LastImageSize() const { return lastImageSize_; }
  // Whether the frame shown last came from the cache (else it was drawn).
  bool LastFromCache() const { return lastFromCache_; }

  // The graph rectangle in the pane's coordinates (edges inclusive) and whether a point of
  // the pane lies in it.
  platform::Rect GraphRectInPane() const { return renderer_.GraphRect(); }
  bool PtInGraph(int x, int y) const;

  // Where commands of the click zones go when the dialog has no button for them (the
  // window's menu commands 2141, 2343, 2344).
  void SetMenuCommandHandler(std::function<void(int)> handler) { menuHandler_ = std::move(handler); }
  // Runs the dialog's button `controlId` when it has one, else the menu command.
  void ExecuteGraphCommand(int controlId, int menuId);

  // Copy and print (the copy and print dialogs); a window that can print a numeric summary
  // beside its graph says so and draws it.
  virtual void CopyGraph();
  virtual void PrintGraph();
  virtual bool HasSummary() const { return false; }
  virtual void DrawSummary(platform::DeviceContext& dc, int textHeight, const platform::Rect& rect, bool colors);
  // The graph rectangle in screen coordinates (the copy and print dialogs centre on it).
  QRect GraphRectOnScreen() const;

 protected:
  void SetupWindow() override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  // 2 suppresses painting; 1 draws twice (the review's first frame). 0 here.
  virtual int QueryPaintMode() { return 0; }
  // Called at the end of every paint.
  virtual void AfterPaint() {}
  // A left-button press on the pane: the click zones here.
  virtual void PaneMousePress(QMouseEvent* event);
  virtual void PaneMouseMove(QMouseEvent*) {}
  virtual void PaneMouseRelease(QMouseEvent*) {}
  virtual void PaneMouseDoubleClick(QMouseEvent*) {}
  virtual void PaneWheel(QWheelEvent*) {}
  // The pane changed size: the graph rectangle, fonts, held image and cache follow.
  virtual void PaneResized();

  // The held image to draw a change into (a toggled point) without a full paint.
  QImage& MutableHeldImage() { return held_; }
  bool PaintingSuspended() const { return suspended_; }
  // While suspended the pane shows the held image as it was when painting stopped: a step
  // that draws the next picture meanwhile (and lets events through) is not seen halfway.
  void SetPaintingSuspended(bool suspended) {
    suspended_ = suspended;
    shownWhileSuspended_ = suspended ? held_ : QImage();
  }

 private:
  void PaintPane(QPainter& painter);
  bool PaintFromCache();

  T3DGraphSetup* setup_;
  T3DBase renderer_;
  TGraphPane* pane_;
  QImage held_;
  QImage shownWhileSuspended_;  // shares held_'s pixels until a drawing changes them
  bool heldValid_ = false;
  TImageCache cache_;
  int imageKind_ = kImageLzwBits;
  std::int64_t lastImageSize_ = 0;
  bool lastFromCache_ = false;
  float renderTime_ = 0;
  float transferTime_ = 0;
  bool suspended_ = false;
  bool fontsMade_ = false;
  TPlacementKeeper placement_;
  std::function<void(int)> menuHandler_;
};
