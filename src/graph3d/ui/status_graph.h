// The 3D graph in the data status window: the data points, and once fit results exist the
// current fit's surface over them. Its view and points options are the status window's own
// records in the settings, written back when the window closes.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

#include "graph3d/graph_options.h"
#include "graph3d/renderer.h"

struct TSession;

class TStatusGraph : public QWidget {
  Q_OBJECT
 public:
  // withFits: the surface of the current fit (rank 1 after a run) is drawn over the points.
  TStatusGraph(QWidget* pane, TSession& session, bool withFits);
  ~TStatusGraph() override;

  const QImage& Frame() const { return frame_; }
  T3DBase& Renderer() { return *renderer_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The frame at the widget's size.
  void DrawFrame();
  // A user function's fit may take minutes to draw (its value at every point): the frame is
  // drawn off the paint, as a step the user may cancel, and the background shows meanwhile.
  void DrawCostlyFrame();
  // A Cancel while the fit's surface was sampled or drawn: the graph shows the data alone.
  void LeaveOutSurface();

  TGraphOptions options_;
  std::unique_ptr<T3DBase> renderer_;
  QImage frame_;
  bool frameValid_ = false;
  bool costly_ = false;   // the surface is a user function's fit, evaluated by the language
  bool drawing_ = false;  // a costly frame is being drawn or waits to be
};

// Titles of the status graph over fit results: the review installs the titles of the rank
// under review (without it the graph has none).
using TStatusGraphTitler = std::function<void(T3DTitleSet& titles)>;
void SetStatusGraphTitler(TStatusGraphTitler titler);

// Installs the graph windows' parts into the shell: the status window's graph and the
// "Print Text" dialog of the text windows, and the data graph command.
void RegisterGraphWindows(TSession& session);
