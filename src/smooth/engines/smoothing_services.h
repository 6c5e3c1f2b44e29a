// What the smoothing subsystem offers the subsystems below it, installed at start-up: the
// smoothed preview surface of scattered data (graph3d/preview_surface.h).
#pragma once

#include <optional>
#include <span>

#include "app/xyz_point.h"
#include "graph3d/preview_surface.h"

// The preview surface over a copy of the table: the scattered-data engine with the program's
// own triangulation interpolant (code 16) and no library.
std::optional<TPreviewSurface> MakeTriangulationPreview(std::span<const TXYZPoint> table);

// Installs MakeTriangulationPreview as the program's preview surface maker.
void RegisterSmoothingServices();
