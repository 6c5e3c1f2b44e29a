// "Non-Linear Sampler" (TNLSamp, command 2153): the sample surfaces of the fitting engine's
// non-linear families (tools/nonlinear_sampler.h) drawn without any data. Radio buttons
// choose the family and the form, a check box inverts the surface; every change rewrites the
// shape code the surface reads and draws the surface anew. The graph type, view and colour
// dialogs are at hand.
#pragma once

#include <array>

#include "graph3d/ui/graph_dialog.h"
#include "tools/nonlinear_sampler.h"

class QCheckBox;
class QRadioButton;

class TNLSamp : public T3DDlg {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 4053;
  static constexpr int kHelpContext = 88;

  // `code` is the shape the setup's surface draws (its value callback reads it); it outlives
  // the window, which starts on "Gaussian", "Standard", not inverted, and writes that code.
  TNLSamp(QWidget* parent, T3DGraphSetup* setup, int& code);

  // A click on a family (201..214) or form (301..306) button or on the invert box (401):
  // the code, the buttons and the surface follow.
  void Choose(int id);
  int Family() const { return family_; }
  int Form() const { return form_; }
  bool Inverted() const { return inverted_; }
  QRadioButton* Button(int id) const;
  QCheckBox* InvertBox() const { return invert_; }
  // How often the surface was computed anew for a choice.
  int Recomputes() const { return recomputes_; }

 protected:
  void SetupWindow() override;

 private:
  // Every family and form button unchecked but the chosen ones; the box shows the flag.
  void ShowChoice();

  int& code_;
  int family_ = 201;
  int form_ = 301;
  bool inverted_ = false;
  std::array<QRadioButton*, kNLSampleFamilyCount> families_{};
  std::array<QRadioButton*, kNLSampleFormCount> forms_{};
  QCheckBox* invert_;
  int recomputes_ = 0;
};

// The sample graph's record on the settings' sampler view: the surface of `code`, no data,
// X, Y and Z from 0 to 100, no titles.
void SetSamplerGraph(T3DGraphSetup& setup, T3DTitleSet& titles, const int& code);

// Command 2153 on the program's settings (the data status window closed meanwhile).
void CmNLSamples(QWidget* parent, ProgramSettings& settings);
void RegisterNonlinearSampler();
