// The pane a graph is shown in (control 381 of the graph windows and dialogs): a plain
// widget that hands its painting, mouse and wheel events and its size changes to its owner.
#pragma once

#include <QWidget>

#include <functional>

class TGraphPane : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kControlId = 381;

  explicit TGraphPane(QWidget* parent);
  QSize sizeHint() const override { return {480, 360}; }

  std::function<void(QPainter&)> onPaint;
  std::function<void(QMouseEvent*)> onMousePress;
  std::function<void(QMouseEvent*)> onMouseMove;
  std::function<void(QMouseEvent*)> onMouseRelease;
  std::function<void(QMouseEvent*)> onMouseDoubleClick;
  std::function<void(QWheelEvent*)> onWheel;
  std::function<void()> onResize;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
};
