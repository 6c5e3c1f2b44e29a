// How a foreground fit run reports to its progress dialog. The run's progress and status
// callbacks (`FitProgress`, `FitStatus`) turn the kernels' reports into messages whose codes
// are the ids of the dialog's controls; a send function carries the messages to the dialog
// on the user-interface thread and waits until the dialog has shown them. Reports come far
// more often than a dialog can be read, and every send makes the fitting thread wait for the
// interface thread: the reporter sends at most one batch an interval, each code's latest
// value, and a phase start at once.
//
// The messages carry values, never pointers into the worker: a message the dialog receives
// after the worker moved on still says what it said when it was sent.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TFitRunContext;

enum FitProgressCode : int {
  kFitMsgAbort = 2,             // sets FitAbort (the Cancel button)
  kFitMsgSkipButton = 931,      // value -1 shows the button and the non-linear labels, -2
                                // hides it, anything else asks to skip the current equation
  kFitMsgBackgroundButton = 932,  // value -1 shows, -2 hides "Fit in Background"
  kFitMsgFitted = 934,          // "Eqns Fitted": value
  kFitMsgAdded = 935,           // "Eqns Added": value
  kFitMsgEquation = 944,        // the current equation: text
  kFitMsgIteration = 945,       // value
  kFitMsgR2 = 946,              // real, shown "%.8Lg"
  kFitMsgTime = 947,            // the elapsed time since the start
  kFitMsgGaugeFirst = 948,      // + stage - 1: the gauges Sums .. Non-Linear, value percent
  kFitMsgGaugeR2 = 955,         // real r², shown by FitR2GaugeValue
  kFitMsgStart = 32001,         // the dialog starts the worker
  kFitMsgComplete = 32002,      // the run ended with its fits ranked (value: run result)
  kFitMsgNothingToFit = 32003,  // the selection holds nothing to fit; the run never started
};

struct TFitMessage {
  int code = 0;
  long long value = 0;
  long double real = 0.0L;
  std::string text;
};

// Carries a batch of messages to the dialog and waits until they are shown (one round trip to
// the user-interface thread); false when the send was given up because the run is being
// stopped.
using TFitSendFn = std::function<bool(const std::vector<TFitMessage>&)>;

// Set by Cancel; every callback then answers 0 and the run unwinds with -1.
extern std::atomic<int> FitAbort;
// Set by "&Stop Current Fit"; the next iteration report of the non-linear fitter takes it
// and answers -1 (skip this equation).
extern std::atomic<int> FitSkip;
// The "&Iteration Update" check box: report every iteration of the non-linear fitter.
extern std::atomic<int> FitIterUpdate;

// The callbacks of one foreground run. Counts are sent only when they differ from the
// value last sent.
inline constexpr std::chrono::milliseconds kFitReportInterval{50};

// The reporter's clock; tests give one of their own, so that no test waits on real time.
using TFitClock = std::function<std::chrono::steady_clock::time_point()>;

class TFitReporter {
 public:
  explicit TFitReporter(TFitSendFn send, std::chrono::milliseconds interval = kFitReportInterval,
                        TFitClock clock = &std::chrono::steady_clock::now)
      : send_(std::move(send)), interval_(interval), clock_(std::move(clock)) {}

  // Stage 1..7, percent of the stage, equations fitted and fits listed; 1 go on, 0 abort.
  int FitProgress(int stage, float percent, std::uint32_t fitted, int added);
  // Code 0 phase start, 1 new equation, 2 iteration, 3 fit recorded, 4 equation end; 1 go
  // on, 0 abort, -1 skip the current equation.
  int FitStatus(int code, int equation, float fraction, std::uint32_t fitted, int added,
                std::uint32_t iteration, long double r2);
  // Makes these the run's callbacks (the reporter must outlive the run).
  void Install(TFitRunContext& ctx);
  // Sends what the interval still holds back (before the run's end is sent).
  void Flush();

 private:
  // Messages join the batch, replacing an earlier one of their code; Answer sends the batch
  // once the interval has passed (at once when `now`) and answers.
  void Send(int code, long long value, long double real = 0.0L, std::string text = {});
  void SendCounts(std::uint32_t fitted, int added);
  void SendIteration(std::uint32_t iteration, long double r2);
  int Answer(int answer, bool now = false);

  TFitSendFn send_;
  std::chrono::milliseconds interval_;
  TFitClock clock_;
  // Empty until the first send: the steady clock counts from the boot, so a machine up for
  // less than an interval would otherwise hold back the first report.
  std::optional<std::chrono::steady_clock::time_point> lastSend_;
  std::vector<TFitMessage> batch_;
  long long lastFitted_ = -1;
  long long lastAdded_ = -1;
};

// The r² gauge (0..500): d = 1 - r²; d <= 1e-5 gives 500, d >= 1 gives 0, otherwise
// (int)(-100 log10 d), so that .9, .99, ... .99999 stand at 100, 200, ... 500.
int FitR2GaugeValue(long double r2);
// "Time m:ss.hh" from one minute on, else "Time s.hh".
std::string FitElapsedText(long long hundredths);
