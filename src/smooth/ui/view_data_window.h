// TViewDataNP, "View X,Y,Z Data" (command 2151): the data table as a 3D point graph and,
// with "A&dd Surface" checked, the program's own triangulation surface through the active points.
// Unlike the other smoothing windows it changes the data: statuses toggled with the mouse
// or through the section dialog stay changed when it closes.
#pragma once

#include <cstdint>
#include <memory>

#include "smooth/engines/scattered_engine.h"
#include "smooth/ui/smoothing_window.h"

class QCheckBox;

class TViewDataNP : public TBaseNP {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 86;
  static constexpr int kAdd = 101;

  // `addSurface` is the program's setting, written back when the window goes.
  TViewDataNP(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, std::int32_t* addSurface,
              std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);
  ~TViewDataNP() override;

  // The check box changed: the surface is built anew on the statuses as they stand.
  void SetAddSurface(bool on);
  // The surface engine, or null when the window shows the points alone.
  TNParm3D* Engine() { return engine_.get(); }

 protected:
  // Nothing here waits for a delay: the check box acts at once.
  void Recompute() override {}

 private:
  void BuildSurface();

  T3DGraphSetup* setup_;
  std::int32_t* addSurfaceSetting_;
  bool addSurface_;
  std::unique_ptr<TNParm3D> engine_;
  QCheckBox* add_ = nullptr;
};
