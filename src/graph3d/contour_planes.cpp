// Contour planes: the surface's Z levels mapped onto the bottom or top face of the box.
#include "graph3d/renderer.h"

// Not drawn yet.
void T3DBase::DrawContourPlane(platform::DeviceContext&, int) {}
