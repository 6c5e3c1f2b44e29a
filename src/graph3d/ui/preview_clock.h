// What the graph option dialogs share for their previews: the view values they remember (the
// graph type, contour bits, grid word and label bits of the record), a quick preview that
// draws a plain mesh without planes, grids and labels, and the 100 ms clock after whose
// quiet ticks the full graph follows.
#pragma once

#include <QObject>

#include <functional>

#include "graph3d/renderer.h"

class QTimer;

struct TRememberedView {
  std::int16_t graphType = 0;
  std::int16_t contourBits = 0;
  std::int16_t gridBits = 0;
  std::int16_t labelBits = 0;

  static TRememberedView From(const T3DViewRec& view) {
    return {view.GraphType, view.ContourBits, view.GridBits, view.LabelBits};
  }
  // Whether the renderer shows these values.
  bool ShownBy(const T3DBase& r) const {
    const T3DViewRec& v = r.View();
    return v.GraphType == graphType && v.ContourBits == contourBits && v.GridBits == gridBits &&
           v.LabelBits == labelBits;
  }
  void PutInto(T3DBase& r) const {
    T3DViewRec& v = r.MutableView();
    v.GraphType = graphType;
    v.ContourBits = contourBits;
    v.GridBits = gridBits;
    v.LabelBits = labelBits;
  }
  // The quick preview's look: a mesh without contour planes, grids or labels.
  static void QuickLook(T3DBase& r) {
    T3DViewRec& v = r.MutableView();
    v.GraphType = 1;
    v.ContourBits = 0;
    v.GridBits = 0;
    v.LabelBits = 0;
  }
};

// The dialogs' clock (a Qt timer of 100 ms); `tick` runs on every tick. Tests call the
// dialogs' Tick() themselves instead of waiting.
class TPreviewClock : public QObject {
  Q_OBJECT
 public:
  static constexpr int kIntervalMs = 100;
  TPreviewClock(QObject* parent, std::function<void()> tick);
  void Start();
  void Stop();
  bool Running() const;

 private:
  QTimer* timer_;
};
