// T3DWin, a stand-alone resizable window whose client area (below its menu bar, when it has
// one) is one 3D graph (the base of the animation window and of the data tools' and the review's
// graph windows), and T3DWinSL, which adds a status strip along the bottom that names the data
// point under the mouse, with its residual when the graph shows residuals.
#pragma once

#include <QImage>
#include <QWidget>

#include <algorithm>
#include <string>

#include "app/ui/window_placement.h"
#include "graph3d/renderer.h"

class T3DWin : public QWidget {
  Q_OBJECT
 public:
  // The parent learns of the closing through the message 0x9E3 (1, 0): here a signal.
  // The window keeps its place in the setup record's placement.
  T3DWin(QWidget* parent, const QString& title, T3DGraphSetup* setup);
  ~T3DWin() override;

  T3DBase& Renderer() { return renderer_; }
  const T3DBase& Renderer() const { return renderer_; }
  // The frame as last drawn (what the client area shows).
  const QImage& Frame() const { return frame_; }
  void Redraw();
  // Draws the frame now rather than at the next paint (a step the user may cancel draws a
  // costly surface within its own time), and keeps it unless its evaluations were stopped.
  void DrawFrameNow();
  // The frame shown and what the renderer computed for it, kept before a step the user may
  // cancel and put back after the Cancel; while `busy` the window shows the frame it holds.
  struct TShownFrame {
    T3DBase::TComputedSurface computed;
    QImage frame;
    bool valid = false;
  };
  TShownFrame KeepShownFrame() const;
  void PutBackShownFrame(TShownFrame shown);
  void SetBusy(bool busy) { busy_ = busy; }

  virtual void CopyGraph();
  virtual void PrintGraph();
  // The graph rectangle in screen coordinates (the copy and print dialogs centre on it).
  QRect GraphRectOnScreen() const;
  virtual bool HasSummary() const { return false; }
  virtual void DrawSummary(platform::DeviceContext&, int, const platform::Rect&, bool /*colors*/) {}

 signals:
  void closed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The height kept free under the graph (the status strip's), and above it (a menu bar's).
  // The frame (graph and strip) starts below the inset: the renderer places its titles from
  // the top of what it draws on.
  virtual int StripHeight() const { return 0; }
  virtual int TopInset() const { return 0; }
  // A point of the client area in the frame's coordinates, and back.
  QPoint FramePoint(const QPoint& client) const { return client - QPoint(0, TopInset()); }
  QPoint ClientPoint(const QPoint& frame) const { return frame + QPoint(0, TopInset()); }
  QSize FrameSize() const { return {width(), std::max(height() - TopInset(), 1)}; }
  // Draws what lies outside the graph (the status strip) onto the frame.
  virtual void DrawExtras(QImage&) {}
  // A window that keeps its place in another record than the setup record's own: it opens
  // there when the record holds a place, else at (20, 20) with the screen less 40 pixels
  // each way.
  T3DWin(QWidget* parent, const QString& title, T3DGraphSetup* setup, WindowPlacement* place);
  // Whether moves and sizes are recorded: not while the setup record locks everything.
  virtual bool RecordsPlacement() const;
  void LayoutGraph();

  T3DGraphSetup* setup_;
  T3DBase renderer_;
  QImage frame_;
  bool frameValid_ = false;
  bool busy_ = false;

 private:
  bool counted_ = false;
  bool fontsMade_ = false;
  TPlacementKeeper placement_;
};

class T3DWinSL : public T3DWin {
  Q_OBJECT
 public:
  T3DWinSL(QWidget* parent, const QString& title, T3DGraphSetup* setup);

  const std::string& LeftText() const { return left_; }
  const std::string& RightText() const { return right_; }
  // Updates the strip for a pointer at (x, y) of the frame (the client area below the inset).
  void PointerAt(int x, int y);

 protected:
  int StripHeight() const override;
  void DrawExtras(QImage& frame) override;
  // The window with the strip keeps its placement whatever the lock mask says.
  bool RecordsPlacement() const override { return true; }
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::string left_, right_;
  int lastHit_ = -1;
};
