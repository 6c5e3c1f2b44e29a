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

std::vector<std::function<void()>>& Steps(int which) {
  static std::vector<std::function<void()>> steps[4];
  return steps[which];
}

void Run(int which) {
  // A copy: a step may add steps.
  auto steps = Steps(which);
  for (auto& step : steps) step();
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

void AddStartupStep(std::function<void()> step) { Steps(0).push_back(std::move(step)); }
void AddCanCloseStep(std::function<void()> step) { Steps(1).push_back(std::move(step)); }
void AddShutdownStep(std::function<void()> step) { Steps(2).push_back(std::move(step)); }
void RunStartupSteps() { Run(0); }
void RunCanCloseSteps() { Run(1); }
void RunShutdownSteps() { Run(2); }
void AddResetStep(std::function<void()> step) { Steps(3).push_back(std::move(step)); }
void RunResetSteps() { Run(3); }
