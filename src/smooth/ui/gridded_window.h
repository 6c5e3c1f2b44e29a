// T3DSpline, "Non-Parametric Estimation of Gridded Data" (command 2162): a spline surface of
// the gridded-data engine (B-spline, bicubic with Akima edges, Akima's grid surface, least-
// squares B-spline with its own knot counts, NURBS) over the data, with the orders and knot
// counts in X and Y, and the surface or one of its five partial derivatives shown with SSE
// and r². The window never changes the data; OK keeps its settings.
#pragma once

#include <array>
#include <memory>

#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/derivative_choice_window.h"

class QRadioButton;

class T3DSpline : public TDerivativeChoiceNP<TSpline3D> {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 103;
  static constexpr int kOrderX = 101;  // then order Y, knots X, knots Y
  static constexpr int kFirstMethod = 111;  // 111-115: methods 0-4
  static constexpr int kFirstChoice = 121;  // 121-126: "None" .. "dY²"
  static constexpr int kMethods = 5;

  T3DSpline(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, const TDataTitles& titles,
            TNPGridSettings* settings, std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);

  void ClickMethod(int method);
  const TNPGridSettings& Working() const { return working_; }
  TRangeSpinEdit* Edit(int which) const { return edits_[static_cast<std::size_t>(which)]; }

  void accept() override;

 protected:
  void Recompute() override;

 private:
  bool BuildEngine() override;
  void CopyBack();
  void RefreshEdits() override;
  void UpdateControls() override;
  std::string NoSurfaceReason() const override;
  void EditChanged(int which);
  std::array<std::int32_t, kNPGridSettingsMethods>& Field(int which);

  TNPGridSettings* settings_;
  TNPGridSettings working_;
  TNPChoices chosen_;  // what OK stores of working_
  std::array<TRangeSpinEdit*, 4> edits_{};
  std::array<QRadioButton*, kMethods> methods_{};
};
