#include "review/wheel_rules.h"

#include <initializer_list>

namespace {

constexpr int kWheelNotch = 120;

bool IsStandardRotation(int degrees) {
  return degrees == 30 || degrees == 120 || degrees == 210 || degrees == 300;
}

}  // namespace

int TWheelAccumulator::Notches(int delta) {
  remainder_ += delta;
  const int notches = remainder_ / kWheelNotch;
  remainder_ -= notches * kWheelNotch;
  return notches;
}

void ApplyWheelNotches(TWheelView& view, int mode, int notches, bool shift, bool ctrl) {
  if (notches == 0) return;
  if (mode == kWheelRotation) {
    const int whole = static_cast<int>(view.rotation);
    if (!shift && !ctrl && !IsStandardRotation(whole)) {
      for (int standard : {30, 120, 210, 300})
        if (standard > whole) {
          view.rotation = standard;
          break;
        }
      return;
    }
    const int step = ctrl ? 15 : shift ? 30 : 90;
    view.rotation += notches * step;
    if (view.rotation > 360) view.rotation = 30;
    if (view.rotation < 0) view.rotation = 300;
    return;
  }
  if (shift || ctrl) {
    view.elevation += notches * (shift ? 15 : 10);
    if (view.elevation > 90) view.elevation = 0;
    if (view.elevation < 0) view.elevation = 90;
    return;
  }
  view.elevation = view.elevation < 20 ? 20 : view.elevation < 90 ? 90 : 0;
}
