// T3DSDlg, a fixed-size dialog with a small preview pane in which its own renderer shows the
// graph as the dialog's settings would draw it: the base of the graph option dialogs and of
// the data statistics dialog. T3DSFDlg also builds the renderer's screen fonts, for previews
// that show titles and labels.
#pragma once

#include <QImage>

#include "app/ui/dialog.h"
#include "graph3d/renderer.h"
#include "graph3d/ui/graph_pane.h"

class T3DSDlg : public TDlg {
  Q_OBJECT
 public:
  // The setup record must outlive the dialog; the renderer writes its state back into it
  // when the dialog goes.
  T3DSDlg(QWidget* parent, T3DGraphSetup* setup, int counted = 1);

  T3DBase& Renderer() { return renderer_; }
  TGraphPane* Pane() const { return pane_; }
  // After each change of a setting: the whole preview is drawn again.
  void InvalidateGraph();
  const QImage& Preview() const { return preview_; }
  int Paints() const { return paints_; }

 protected:
  void SetupWindow() override;
  virtual bool BuildsFonts() const { return false; }

 private:
  void PaintGraphPane(QPainter& painter);

  T3DBase renderer_;
  TGraphPane* pane_;
  QImage preview_;
  int paints_ = 0;
};

class T3DSFDlg : public T3DSDlg {
  Q_OBJECT
 public:
  using T3DSDlg::T3DSDlg;

 protected:
  bool BuildsFonts() const override { return true; }
};
