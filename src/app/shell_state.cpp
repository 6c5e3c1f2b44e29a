#include "app/shell_state.h"

#include <vector>

int SecondInstance = 0;
std::atomic<int> Exiting{0};
int OpenDialogCount = 0;
int AuditLevel = 0;
int NoThreadsFlag = 0;
std::string StartupDataFile;
std::string NPDllName;
std::string ProgramDir;
std::string SettingsDir;
int ScreenWidth = 0;
int ScreenHeight = 0;
int ScreenDpiX = 96;
int ScreenDpiY = 96;
long long ScreenColors = 0;
std::atomic<float> ProcessorSpeed{0};

long long ColorsForBits(int bitsPerPixel) {
  if (bitsPerPixel <= 0) return 0;
  return 1LL << (bitsPerPixel > 24 ? 24 : bitsPerPixel);
}

namespace {

struct NamedStep {
  std::string owner;
  std::function<void()> run;
};

std::vector<NamedStep>& Steps(int which) {
  static std::vector<NamedStep> steps[4];
  return steps[which];
}

void AddStep(int which, std::string_view owner, std::function<void()> step) {
  auto& steps = Steps(which);
  for (auto& s : steps) {
    if (s.owner == owner) {
      s.run = std::move(step);
      return;
    }
  }
  steps.push_back({std::string(owner), std::move(step)});
}

void Run(int which) {
  // A copy: a step may add steps.
  auto steps = Steps(which);
  for (auto& step : steps) step.run();
}

}  // namespace

namespace {
std::function<void()>& Stopper() {
  static std::function<void()> stopper;
  return stopper;
}
}  // namespace

void SetBackgroundFitStopper(std::function<void()> stopper) { Stopper() = std::move(stopper); }
void StopBackgroundFit() {
  if (Stopper()) Stopper()();
}

void ForgetShellSteps() {
  for (int which = 0; which < 4; ++which) Steps(which).clear();
}

void AddStartupStep(std::string_view owner, std::function<void()> step) {
  AddStep(0, owner, std::move(step));
}
void AddCanCloseStep(std::string_view owner, std::function<void()> step) {
  AddStep(1, owner, std::move(step));
}
void AddShutdownStep(std::string_view owner, std::function<void()> step) {
  AddStep(2, owner, std::move(step));
}
void RunStartupSteps() { Run(0); }
void RunCanCloseSteps() { Run(1); }
void RunShutdownSteps() { Run(2); }
void AddResetStep(std::string_view owner, std::function<void()> step) {
  AddStep(3, owner, std::move(step));
}
void RunResetSteps() { Run(3); }
