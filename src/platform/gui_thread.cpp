#include "platform/gui_thread.h"

#include <atomic>
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
