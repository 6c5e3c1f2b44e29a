#include "graph3d/ui/small_graph_dialog.h"

#include <QPainter>
#include <QVBoxLayout>

#include "platform/qt/qt_device_context.h"

T3DSDlg::T3DSDlg(QWidget* parent, T3DGraphSetup* setup, int counted)
    : TDlg(parent, 1, counted), renderer_(setup), pane_(new TGraphPane(this)) {
  pane_->onPaint = [this](QPainter& p) { PaintGraphPane(p); };
}

void T3DSDlg::SetupWindow() {
  if (layout() == nullptr) {
    auto* box = new QVBoxLayout(this);
    box->addWidget(pane_);
  }
  TDlg::SetupWindow();
  setFixedSize(size());
  if (BuildsFonts()) renderer_.CreateScreenFonts();
}

void T3DSDlg::InvalidateGraph() { pane_->update(); }

void T3DSDlg::PaintGraphPane(QPainter& painter) {
  if (preview_.size() != pane_->size()) {
    preview_ = QImage(pane_->size(), QImage::Format_RGB32);
    // The graph rectangle is the pane inset by one pixel.
    renderer_.SetGraphRect({1, 1, pane_->width() - 2, pane_->height() - 2});
  }
  renderer_.Prepare();
  {
    platform::qt::QtDeviceContext dc(preview_);
    renderer_.EraseSurface(dc, preview_.width(), preview_.height());
    dc.SetClipRect({0, 0, pane_->width(), pane_->height()});
    if (renderer_.AnimationStateValue() == kAnimIdle) renderer_.Draw(dc, kDrawScreen);
  }
  ++paints_;
  painter.drawImage(0, 0, preview_);
}
