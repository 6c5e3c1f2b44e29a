// The graph box: back planes, grid lines, axes with ticks, labels and titles, front edges.
#include "graph3d/renderer.h"

// Not drawn yet; corner 0 stands for the far corner.
int T3DBase::DrawFrameAndGrids(platform::DeviceContext&, bool) { return 0; }
void T3DBase::DrawFrontFrame(platform::DeviceContext&, int) {}
