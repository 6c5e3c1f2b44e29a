#include "platform/gui_thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace platform {
namespace {

std::atomic<UiDispatcher*> g_dispatcher{nullptr};
std::mutex g_targetMutex;
std::shared_ptr<std::function<void(int)>> g_target;

std::shared_ptr<std::function<void(int)>> Target() {
  std::lock_guard lock(g_targetMutex);
  return g_target;
}

}  // namespace

UiDispatcher* SetUiDispatcher(UiDispatcher* dispatcher) {
  return g_dispatcher.exchange(dispatcher);
}

bool OnUiThread() {
  UiDispatcher* d = g_dispatcher.load();
  return d ? d->OnUiThread() : true;
}

void UiThreadViolation(const std::source_location& where) {
  std::fprintf(stderr, "%s:%u: %s runs off the user-interface thread\n", where.file_name(),
               static_cast<unsigned>(where.line()), where.function_name());
  std::abort();
}

void PostToUi(std::function<void()> task) {
  if (UiDispatcher* d = g_dispatcher.load()) {
    d->Post(std::move(task));
  } else {
    task();
  }
}

void SendToUi(std::function<void()> task) {
  UiDispatcher* d = g_dispatcher.load();
  if (d && !d->OnUiThread()) {
    d->Send(std::move(task));
  } else {
    task();
  }
}

bool SendToUiUnless(std::function<void()> task, const std::atomic<int>& stop) {
  UiDispatcher* d = g_dispatcher.load();
  if (!d || d->OnUiThread()) {
    task();
    return true;
  }
  enum State { kQueued, kRunning, kDone, kAbandoned };
  struct Call {
    std::mutex mutex;
    std::condition_variable done;
    State state = kQueued;
    std::function<void()> task;
  };
  auto call = std::make_shared<Call>();
  call->task = std::move(task);
  d->Post([call] {
    {
      std::lock_guard lock(call->mutex);
      if (call->state == kAbandoned) return;
      call->state = kRunning;
    }
    call->task();
    {
      std::lock_guard lock(call->mutex);
      call->state = kDone;
    }
    call->done.notify_all();
  });
  std::unique_lock lock(call->mutex);
  while (call->state != kDone) {
    // A task already running finishes (the user-interface thread is busy with it, not
    // waiting for us); one still queued is abandoned once a stop is asked for. The stop
    // word is polled because whoever sets it knows nothing of this call.
    if (call->state == kQueued && stop.load() != 0) {
      call->state = kAbandoned;
      return false;
    }
    call->done.wait_for(lock, std::chrono::milliseconds(2));
  }
  return true;
}

void SetCommandTarget(std::function<void(int)> target) {
  std::lock_guard lock(g_targetMutex);
  g_target = target ? std::make_shared<std::function<void(int)>>(std::move(target)) : nullptr;
}

void PostCommand(int commandId) {
  PostToUi([commandId] {
    // Looked up when the command runs: a window closed in between receives nothing.
    if (auto target = Target()) (*target)(commandId);
  });
}

}  // namespace platform
