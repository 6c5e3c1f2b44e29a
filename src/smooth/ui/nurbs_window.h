// T3DSmoothNurbs, "NURBS XYZ Data Smoothing" (command 2144): the gridded-data engine's NURBS
// smoothing of the data's grid lines, of equal degree 2 to 9 in X and Y, drawn over the data
// with SSE and r². OK replaces every point's Z by the smoothed surface at its (x, y) and
// keeps NURBS with the chosen degree in the caller's settings; Cancel leaves both.
#pragma once

#include <array>
#include <memory>

#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/smoothing_window.h"

class QRadioButton;

class T3DSmoothNurbs : public TBaseNP {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 107;
  static constexpr int kFirstDegree = 101;  // 101-108: degrees 2-9
  static constexpr int kLsqCoefficients = 10;

  T3DSmoothNurbs(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, TNPGridSettings* settings,
                 std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);
  ~T3DSmoothNurbs() override;

  // What a click on the degree button of `degree` (2..9) does.
  void ClickDegree(int degree);
  TSpline3D& Engine() { return *engine_; }
  const TNPGridSettings& Working() const { return working_; }
  QRadioButton* DegreeButton(int degree) const { return buttons_[static_cast<std::size_t>(degree - 2)]; }
  // Where OK reports that it replaced the data's Z (set true then).
  void SetSmoothedFlag(bool* smoothed) { smoothedOut_ = smoothed; }

  void accept() override;

 protected:
  void Recompute() override;

 private:
  // Hands the graph the engine's surface, or the points alone while it has none.
  void AttachSurface();
  void CopyBack();
  void UpdateControls();
  void ShowStatistics();

  TNPGridSettings* settings_;
  TNPGridSettings working_;
  TNPChoices chosen_;  // what OK stores of working_
  T3DGraphSetup* setup_;
  std::unique_ptr<TSpline3D> engine_;
  long double stdErr_ = 0;
  bool surfaceShown_ = false;  // whether the graph was last handed a surface
  std::array<QRadioButton*, 8> buttons_{};
  bool* smoothedOut_ = nullptr;
};
