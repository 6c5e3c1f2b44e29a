// T3DNParm, "Non-Parametric Estimation of Scattered Data" (command 2163): a surface through
// or near the scattered data by one of the scattered-data engine's methods (eight of the
// program's, up to eight of an extension library), the method's two integer options, and
// the surface or one of its five partial derivatives over the data with SSE and r². The
// window never changes the data: statuses toggled inside it go back when it closes. OK keeps
// the method and options in the caller's settings; any other way out leaves them.
#pragma once

#include <array>
#include <memory>

#include "smooth/engines/scattered_engine.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/derivative_choice_window.h"

class QLabel;
class QRadioButton;

class T3DNParm : public TDerivativeChoiceNP<TNParm3D> {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 104;
  static constexpr int kOption1 = 101;
  static constexpr int kOption2 = 102;
  static constexpr int kOption1Label = 133;
  static constexpr int kOption2Label = 134;
  static constexpr int kFirstMethod = 111;  // 111-118 the program's, 119-126 "A".."H"
  static constexpr int kFirstChoice = 141;  // "None", "dX", "dY", "dXdY", "dX²", "dY²"

  T3DNParm(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, const TDataTitles& titles,
           TNPSettings* settings, std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);

  // What a click on a method button (code 0..15) does.
  void ClickMethod(int code);

  const TNPSettings& Working() const { return working_; }
  TRangeSpinEdit* Edit(int which) const { return edits_[static_cast<std::size_t>(which)]; }

  void accept() override;

 protected:
  void Recompute() override;

 private:
  bool BuildEngine() override;
  // The method the engine runs becomes the window's (a fallback included).
  void AdoptEngineMethod();
  void RefreshEdits() override;
  void UpdateControls() override;
  std::string NoSurfaceReason() const override;
  void OptionEdited(int which);

  TNPSettings* settings_;
  TNPSettings working_;
  TNPChoices chosen_;  // what OK stores of working_
  std::array<TRangeSpinEdit*, 2> edits_{};
  std::array<QRadioButton*, 16> methods_{};
};
