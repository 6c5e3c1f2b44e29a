// The smoothed surface through a table of scattered points that the graphs previewing data
// draw (the data status window, the column-selection preview, the review's residual
// surface): the smoothing subsystem's own triangulation interpolant, which passes through
// every point. That subsystem sits above this one, so it installs the maker at start-up
// (RegisterSmoothingServices) and the graphs reach it here.
#pragma once

#include <functional>
#include <optional>
#include <span>

#include "app/xyz_point.h"
#include "graph3d/graph_setup.h"

// The three callbacks of a graph record. They share one engine over a copy of the table,
// so they stay valid after the table changes or goes; one thread at a time may call them.
struct TPreviewSurface {
  SurfaceFunction value;             // z at (x, y)
  PointSurfaceFunction atDataPoint;  // at a data point: its own z
  GridFunction grid;                 // a whole grid, x fastest
};

// Makes the surface over records 0..N of a table; nothing when it has fewer than 4 active
// points or they all lie on one line.
using TPreviewSurfaceMaker =
    std::function<std::optional<TPreviewSurface>(std::span<const TXYZPoint> table)>;

// Installs the maker (an empty one removes it).
void SetPreviewSurfaceMaker(TPreviewSurfaceMaker maker);

// The surface over the table; nothing without a maker or a surface.
std::optional<TPreviewSurface> MakePreviewSurface(std::span<const TXYZPoint> table);

// The record's value, data-point and grid callbacks := the surface's, or all cleared.
void AttachPreviewSurface(T3DGraphSetup& setup, const std::optional<TPreviewSurface>& surface);
