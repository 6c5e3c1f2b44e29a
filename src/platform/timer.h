// Timers that call back on the user-interface thread. The Qt layer installs the service;
// without one no timer can be started (StartTimer answers 0), and callers take their
// "timer could not be started" road, as they must on any platform.
#pragma once

#include <functional>

namespace platform {

class TimerService {
 public:
  virtual ~TimerService() = default;
  // Starts a timer firing after ms milliseconds (again every ms when repeat); returns its
  // id, never 0.
  virtual int Start(int ms, bool repeat, std::function<void()> callback) = 0;
  virtual void Stop(int id) = 0;
};

TimerService* SetTimerService(TimerService* service);

// 0 when no timer could be started.
int StartTimer(int ms, bool repeat, std::function<void()> callback);
void StopTimer(int id);

}  // namespace platform
