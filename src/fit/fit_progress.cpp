#include "fit/fit_progress.h"

#include <cmath>

#include "app/c_format.h"
#include "fit/fit_run.h"

std::atomic<int> FitAbort{0};
std::atomic<int> FitSkip{0};
std::atomic<int> FitIterUpdate{0};

void TFitReporter::Send(int code, long long value, long double real, std::string text) {
  TFitMessage m;
  m.code = code;
  m.value = value;
  m.real = real;
  m.text = std::move(text);
  for (TFitMessage& held : batch_)
    if (held.code == code) {
      held = std::move(m);
      return;
    }
  batch_.push_back(std::move(m));
}

int TFitReporter::Answer(int answer, bool now) {
  const auto time = clock_();
  if (!batch_.empty() && (now || !lastSend_ || time - *lastSend_ >= interval_)) {
    // The send's answer is FitAbort, read below.
    (void)send_(batch_);
    batch_.clear();
    lastSend_ = time;
  }
  // A send given up for a stop has left FitAbort set: answer at once.
  return FitAbort ? 0 : answer;
}

void TFitReporter::Flush() {
  if (!FitAbort) (void)Answer(1, true);
}

void TFitReporter::SendCounts(std::uint32_t fitted, int added) {
  if (static_cast<long long>(fitted) != lastFitted_) {
    lastFitted_ = fitted;
    Send(kFitMsgFitted, lastFitted_);
  }
  if (added != lastAdded_) {
    lastAdded_ = added;
    Send(kFitMsgAdded, lastAdded_);
  }
}

void TFitReporter::SendIteration(std::uint32_t iteration, long double r2) {
  Send(kFitMsgIteration, iteration);
  Send(kFitMsgR2, 0, r2);
  Send(kFitMsgGaugeR2, 0, r2);
}

int TFitReporter::FitProgress(int stage, float percent, std::uint32_t fitted, int added) {
  if (FitAbort) return 0;
  Send(kFitMsgTime + stage, static_cast<long long>(percent));
  if (stage >= 2) SendCounts(fitted, added);
  return Answer(1);
}

int TFitReporter::FitStatus(int code, int equation, float fraction, std::uint32_t fitted,
                            int added, std::uint32_t iteration, long double r2) {
  if (FitAbort) return 0;
  switch (code) {
    case 0:
      Send(kFitMsgTime, 0);
      Send(kFitMsgSkipButton, -1);
      return Answer(1, true);  // the phase's labels and Skip button show at once
    case 1:
      Send(kFitMsgEquation, 0, 0.0L, CFormat("Eqn %d", equation));
      SendCounts(fitted, added);
      if (FitIterUpdate) SendIteration(iteration, r2);
      break;
    case 2:
      if (FitSkip.exchange(0) != 0) return Answer(-1);
      if (FitIterUpdate) SendIteration(iteration, r2);
      break;
    case 3:
      SendIteration(iteration, r2);
      break;
    case 4:
      SendCounts(fitted, added);
      Send(kFitMsgGaugeFirst + 6, static_cast<long long>(fraction));
      break;
    default:
      break;
  }
  return Answer(1);
}

void TFitReporter::Install(TFitRunContext& ctx) {
  ctx.progress = [this](int stage, float percent, std::uint32_t fitted, int added) {
    return FitProgress(stage, percent, fitted, added);
  };
  ctx.status = [this](int code, int equation, float fraction, std::uint32_t fitted, int added,
                      std::uint32_t iteration, long double r2) {
    return FitStatus(code, equation, fraction, fitted, added, iteration, r2);
  };
}

int FitR2GaugeValue(long double r2) {
  const long double d = 1.0L - r2;
  if (!(d > 1e-5L)) return d <= 1e-5L ? 500 : 0;  // NaN: an empty gauge
  if (d >= 1.0L) return 0;
  return static_cast<int>(-100.0L * std::log10(d));
}

std::string FitElapsedText(long long hundredths) {
  if (hundredths < 0) hundredths = 0;
  const long long minutes = hundredths / 6000;
  const long long seconds = hundredths / 100 % 60;
  const long long rest = hundredths % 100;
  if (minutes > 0) return CFormat("Time %lld:%02lld.%02lld", minutes, seconds, rest);
  return CFormat("Time %lld.%02lld", hundredths / 100, rest);
}
