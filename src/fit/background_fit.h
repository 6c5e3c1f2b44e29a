// The background fit: after the data or the options change, a thread of lower priority fits
// the type of equations the user chose for the background (Process menu, "Background
// T&hread Processing...") while the user works on.
//
// The thread fits copies of the data and the blocks and never calls user-interface code.
// When its run ends it posts one task to the user-interface thread, which publishes the
// results there, last of all setting FitResultsValid, and then calls the done hook (the
// status window's BackgroundFitDone, which posts 2148, 2191 or 2192 to the main window).
// A stop in between makes the task a no-op: results of data that have since changed are
// never published.
//
// Rule: the background fit is stopped and joined (StopBackgroundFit of app/shell_state.h,
// which calls StopBackgroundFitThread) before anything changes the data, the options or
// the fit results. The wait is short however costly the user functions it fits: the
// evaluations ask the stop word at their safe points, and a stop ends the run there.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

struct TSession;

// 0 idle, 1 running, -1 stop requested.
extern std::atomic<int> BgFitState;
// 1 when the last background fit produced results.
extern std::atomic<int> BgFitDone;

// The choice kept in the settings' background fit block (user-interface thread): the type
// 0..11 (fit_kinds.h; 0 none) and the flags.
inline constexpr std::uint32_t kBgFitFlagBeep = 1;        // audible signal when done
inline constexpr std::uint32_t kBgFitFlagAutoReview = 2;  // review when done
int BackgroundFitType();
std::uint32_t BackgroundFitFlags();
void SetBackgroundFitChoice(int type, std::uint32_t flags);

// What the user-interface library adds: the beep and the done handler, both called on the
// user-interface thread.
struct TBackgroundFitHooks {
  std::function<void()> Beep;
  std::function<void()> Done;
};
TBackgroundFitHooks& BackgroundFitHooks();

// Stops a running background fit, then starts one on copies of the session's data and
// blocks when a type is chosen and the data hold at least 4 active points; its results go
// to the session. User-interface thread.
void StartBackgroundFit(TSession& session);
// Asks a running background fit to stop and waits for it; then the session's fit results
// are void (FitCount, FitResultsValid, BgFitDone 0, the main window's results flag cleared).
void StopBackgroundFitThread(TSession& session);
// The same stop and wait for a foreground fit of unchanged data, which keeps the results
// published so far (a run still going had published none): a foreground run that is
// cancelled leaves them as they were.
void StopBackgroundFitKeepingResults();
// Whether a background thread exists that has not been joined.
bool BackgroundFitThreadExists();

// Registers the background fit of `session` with the shell: the pre-scan's
// StartBackgroundFit and VoidFitResults hooks (for a pre-scan of that session's table), the
// stopper of StopBackgroundFit and the holder of HoldBackgroundFit (app/background_fit_hold.h:
// the results stay; a run stopped before it published starts again on ResumeBackgroundFit).
// The session outlives the registration.
void InstallBackgroundFit(TSession& session);
