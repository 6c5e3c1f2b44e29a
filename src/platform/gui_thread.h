// Reaching the user-interface thread from any thread. Workers never touch a window: they
// post a command to the main window (as the fit threads post 2191, 2192 and 2148), or hand
// a function to the user-interface thread, queued (Post) or waiting for it to run (Send).
//
// Send blocks the calling worker until the user-interface thread has run the function, so
// the user-interface thread must never wait for that worker while it is sending (stop a
// worker by its state word and let it finish its send first).
#pragma once

#include <atomic>
#include <functional>
#include <source_location>

namespace platform {

class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  virtual bool OnUiThread() const = 0;
  virtual void Post(std::function<void()> task) = 0;
  virtual void Send(std::function<void()> task) = 0;
};

// The Qt layer installs the dispatcher; without one (headless runs) tasks run at once on the
// calling thread.
UiDispatcher* SetUiDispatcher(UiDispatcher* dispatcher);
bool OnUiThread();

// Where a function's contract says "user-interface thread only": a build without NDEBUG
// stops with the caller's place when it is called from any other thread (headless runs,
// without a dispatcher, count every thread as the user interface's).
[[noreturn]] void UiThreadViolation(const std::source_location& where);
inline void AssertUiThread(const std::source_location where = std::source_location::current()) {
#ifndef NDEBUG
  if (!OnUiThread()) UiThreadViolation(where);
#else
  (void)where;
#endif
}
void PostToUi(std::function<void()> task);
void SendToUi(std::function<void()> task);
// Send for a worker whose user-interface thread may wait for it: the worker waits until the
// task has run, or gives up (false, the task never runs) once `stop` is nonzero while the
// task still waits in the queue. A user-interface thread that sets `stop` and then joins
// the worker therefore never deadlocks with the worker's send.
[[nodiscard]] bool SendToUiUnless(std::function<void()> task, const std::atomic<int>& stop);

// The main window's command handler (set by the main window while it exists).
void SetCommandTarget(std::function<void(int)> target);
// Queues a command for the main window, from any thread; it runs on the user-interface
// thread after the current event, through the same handler and enabler as a menu choice.
// Dropped when no main window exists.
void PostCommand(int commandId);

}  // namespace platform
