// Data points: symbols, Z lines and limit bars, and the visible-only test.
#include "graph3d/renderer.h"

// Not drawn yet.
void T3DBase::DrawPoints(platform::DeviceContext&) {}
void T3DBase::DrawVisiblePoints(platform::DeviceContext&) {}
