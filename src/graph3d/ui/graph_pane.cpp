#include "graph3d/ui/graph_pane.h"

#include <QMouseEvent>
#include <QPainter>

TGraphPane::TGraphPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QString("pane%1").arg(kControlId));
  setMouseTracking(true);
  // The pane paints every pixel itself.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(40, 40);
}

void TGraphPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (onPaint) onPaint(painter);
}

void TGraphPane::mousePressEvent(QMouseEvent* event) {
  if (onMousePress) onMousePress(event);
}

void TGraphPane::mouseMoveEvent(QMouseEvent* event) {
  if (onMouseMove) onMouseMove(event);
}

void TGraphPane::mouseReleaseEvent(QMouseEvent* event) {
  if (onMouseRelease) onMouseRelease(event);
}

void TGraphPane::mouseDoubleClickEvent(QMouseEvent* event) {
  if (onMouseDoubleClick) onMouseDoubleClick(event);
  else QWidget::mouseDoubleClickEvent(event);
}

void TGraphPane::wheelEvent(QWheelEvent* event) {
  if (onWheel) onWheel(event);
  else QWidget::wheelEvent(event);
}

void TGraphPane::resizeEvent(QResizeEvent*) {
  if (onResize) onResize();
}
