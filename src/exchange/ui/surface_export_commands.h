// The review's exports of the fit as a table over a generated grid: Lotus (2401), Excel
// (2402), Quattro Pro for Windows (2403), the sibling product's worksheet (2405) and ASCII
// text (2406). The range dialog opens on the data's range in the review graph's mesh.
#pragma once

// Installs 2401-2403, 2405 and 2406 into the review window's extensions.
void RegisterSurfaceExports();
