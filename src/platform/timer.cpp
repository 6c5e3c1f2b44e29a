#include "platform/timer.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<TimerService*> g_service{nullptr};
}

TimerService* SetTimerService(TimerService* service) { return g_service.exchange(service); }

int StartTimer(int ms, bool repeat, std::function<void()> callback) {
  TimerService* service = g_service.load();
  return service ? service->Start(ms, repeat, std::move(callback)) : 0;
}

void StopTimer(int id) {
  if (TimerService* service = g_service.load(); service && id != 0) service->Stop(id);
}

}  // namespace platform
