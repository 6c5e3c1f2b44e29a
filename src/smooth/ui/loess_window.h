// T3DSmooth, "Loess XYZ Data Smoothing" (command 2143): the data smoothed by 3D loess (the
// scattered-data engine with a loess code), the local model's degree and neighbour count
// set by the user while SSE and r² show how far the smooth lies from the data. OK replaces
// every point's Z by the smooth at its (x, y); Cancel leaves the data as they were. Points
// cannot be toggled here.
#pragma once

#include <array>
#include <memory>

#include "smooth/engines/scattered_engine.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/smoothing_window.h"

class T3DSmooth : public TBaseNP {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 105;
  static constexpr int kOrder = 101;
  static constexpr int kCount = 102;

  T3DSmooth(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, TNPSettings* settings,
            std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);
  ~T3DSmooth() override;

  TNParm3D& Engine() { return *engine_; }
  const TNPSettings& Working() const { return working_; }
  TRangeSpinEdit* Edit(int which) const { return edits_[static_cast<std::size_t>(which)]; }
  // Whether OK found no smoothed copy and left the data as they were.
  bool SmoothingFailed() const { return failed_; }
  // Where OK reports that it replaced the data's Z (set true then).
  void SetSmoothedFlag(bool* smoothed) { smoothedOut_ = smoothed; }

  // OK: the settings are kept and every point's Z becomes the smooth's; without a smoothed
  // copy the user is told and the data stay.
  void accept() override;

 protected:
  void Recompute() override;

 private:
  // Hands the graph the engine's surface, or the points alone while it has none.
  void AttachSurface();
  void CopyBackOptions();
  void RefreshEdits();
  void OptionEdited(int which);
  void ShowStatistics();

  TNPSettings* settings_;
  TNPSettings working_;
  TNPChoices chosen_;  // what OK stores of working_
  T3DGraphSetup* setup_;
  std::unique_ptr<TNParm3D> engine_;
  long double stdErr_ = 0;
  bool surfaceShown_ = false;  // whether the graph was last handed a surface
  std::array<TRangeSpinEdit*, 2> edits_{};
  bool failed_ = false;
  bool* smoothedOut_ = nullptr;
};
