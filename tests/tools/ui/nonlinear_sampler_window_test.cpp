// The "Non-Linear Sampler" window: the code each click writes, the buttons it checks, the
// surface drawn anew from the code, and command 2153 on the program's settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/settings_file.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/modal_answers.h"
#include "graph3d/graph_options.h"
#include "tools/ui/nonlinear_sampler_window.h"

namespace {

class SamplerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSamplerGraph(options_.Setup(), options_.titles, code_);
    window_ = new TNLSamp(nullptr, &options_.Setup(), code_);
    window_->resize(900, 600);
    window_->show();
    ASSERT_TRUE(PumpUntil([this] { return window_->HeldImageValid(); }));
  }
  void TearDown() override { delete window_; }

  // The radio buttons checked, by id.
  std::vector<int> Checked() const {
    std::vector<int> ids;
    for (int id = 201; id <= 306; ++id)
      if (QRadioButton* r = window_->Button(id); r != nullptr && r->isChecked()) ids.push_back(id);
    return ids;
  }
  // The surface's highest drawn node.
  long double HighestNode() const {
    long double low = 0, high = 0, xs[6] = {}, ys[6] = {};
    window_->Renderer().GridMinMax(low, high, xs, ys);
    return high;
  }

  ProgramSettings settings_ = DefaultSettings(1280, 1024);
  TGraphOptions options_{settings_, kGraphSampler, kPointsDataStatus, -1};
  int code_ = -1;
  TNLSamp* window_ = nullptr;
};

TEST_F(SamplerWindow, StartsOnTheStandardGaussianWithoutTitlesOrPoints) {
  EXPECT_EQ(window_->windowTitle(), "Non-Linear Sampler");
  EXPECT_EQ(code_, 0);
  EXPECT_EQ(Checked(), (std::vector<int>{201, 301}));
  EXPECT_FALSE(window_->InvertBox()->isChecked());
  EXPECT_EQ(window_->InvertBox()->text(), "Invert ");
  for (const std::string& line : options_.titles.Lines) EXPECT_TRUE(line.empty());
  for (const std::string& axis : options_.titles.AxisTitles) EXPECT_TRUE(axis.empty());
  EXPECT_FALSE(options_.Setup().Points);
  // The Gaussian's peak of 100 at (55, 45) is on the grid's range of 0 to 100.
  EXPECT_GT(HighestNode(), 95.0L);
  EXPECT_LE(HighestNode(), 100.0L);
}

// Each click writes the code of the family, form and flag chosen, checks just those buttons
// and draws the new surface.
TEST_F(SamplerWindow, EachClickWritesTheCodeChecksItsButtonsAndRedraws) {
  struct Step {
    int click;
    int code;
    std::vector<int> checked;
    bool inverted;
  };
  const Step steps[] = {
      {304, 3, {201, 304}, false},                              // Additive+Synergy
      {401, 3 + kNLSampleInvertBit, {201, 304}, true},          // inverted
      {213, (kNLSamplePowerShape << 8) + 3 + kNLSampleInvertBit, {213, 304}, true},  // "Power"
      {401, (kNLSamplePowerShape << 8) + 3, {213, 304}, false},
      {214, (kNLSampleExponentialShape << 8) + 3, {214, 304}, false},  // "Exponential"
      {306, (kNLSampleExponentialShape << 8) + 5, {214, 306}, false},
      {201, 5, {201, 306}, false},
  };
  int recomputes = 0;
  for (const Step& s : steps) {
    if (s.click == kNLSampleInvertBox)
      window_->InvertBox()->click();
    else
      window_->Button(s.click)->click();
    EXPECT_EQ(code_, s.code) << s.click;
    EXPECT_EQ(Checked(), s.checked) << s.click;
    EXPECT_EQ(window_->InvertBox()->isChecked(), s.inverted) << s.click;
    EXPECT_EQ(window_->Recomputes(), ++recomputes) << s.click;
  }
  // Clicking the checked family again keeps it checked.
  window_->Button(201)->click();
  EXPECT_EQ(Checked(), (std::vector<int>{201, 306}));
}

// The graph shows the chosen surface: the synergy peak of 130, the inverted Gaussian's floor
// of 0 at its peak.
TEST_F(SamplerWindow, TheGraphFollowsTheChosenSurface) {
  window_->Choose(304);
  QApplication::processEvents();
  EXPECT_GT(HighestNode(), 125.0L);
  EXPECT_LE(HighestNode(), 130.0L);
  window_->Choose(301);
  window_->Choose(kNLSampleInvertBox);
  long double low = 1, high = 0, xs[6] = {}, ys[6] = {};
  window_->Renderer().GridMinMax(low, high, xs, ys);
  EXPECT_LT(low, 5.0L);
  EXPECT_NEAR(static_cast<double>(xs[1]), 55, 10);
  EXPECT_NEAR(static_cast<double>(ys[1]), 45, 10);
}

TEST(SamplerCommand, Command2153OpensTheWindowOnTheSamplersViewAndOkEndsIt) {
  const ProgramSettings kept = CurrentSettings();
  CurrentSettings() = DefaultSettings(1280, 1024);
  RegisterNonlinearSampler();
  std::vector<int> codes;
  ModalAnswer<TNLSamp> answer([&codes](TNLSamp* d) {
    d->Choose(205);
    d->Choose(302);
    codes.push_back(d->Family() * 1000 + d->Form());
    d->findChild<QPushButton*>("1")->click();
  });
  EXPECT_TRUE(RunCommandHandler(CmSampler));
  EXPECT_EQ(answer.Seen(), 1);
  EXPECT_EQ(codes, (std::vector<int>{205302}));
  UnregisterCommand(CmSampler);
  CurrentSettings() = kept;
}

}  // namespace
