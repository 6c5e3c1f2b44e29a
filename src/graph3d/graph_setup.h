// The record with which a window hands a surface and/or data points to the 3D renderer.
// Whoever opens a graph window fills one, points it at the option records (usually the
// program's settings, so that a change of view is remembered for the next window) and
// keeps it alive as long as the window; the renderer copies it into its own state
// (LoadOptions) and writes its state back (StoreOptions).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "app/xyz_point.h"
#include "graph3d/color_schemes.h"
#include "graph3d/option_records.h"
#include "graph3d/title_set.h"
#include "platform/device_context.h"

// Value callbacks return ExprErrorValue (or a value that is not finite) where the surface
// has no value, for instance when its evaluation raised a math error; such nodes are never
// drawn and never widen a range. The callbacks run on the thread that draws.
using SurfaceFunction = std::function<long double(long double x, long double y)>;
// The surface at a data point (x, y, z): interpolating surfaces that pass through the data.
using PointSurfaceFunction = std::function<long double(long double x, long double y, long double z)>;
// The whole grid in one call: nx * ny values, x varying fastest; an empty result means
// "not available" and the grid is then sampled point by point.
using GridFunction = std::function<std::vector<long double>(
    int nx, int ny, std::span<const long double> xs, std::span<const long double> ys)>;
// Half-width of the confidence or prediction interval at (x, y) about the surface value z.
using LimitFunction = std::function<long double(long double x, long double y, long double z)>;
// Whether the node at (x, y) counts for the Z range and the extreme nodes (see ScaleRegion).
using RegionFunction = std::function<bool(long double x, long double y)>;
// The point table to draw (records 0 .. N, header first), read at the point of use because
// the data table moves when it grows; an empty span means no points.
using PointsSource = std::function<std::span<const TXYZPoint>()>;

// Which content a graph shows, derived from the record by SetData.
enum ContentFlag : int {
  kContentSurface = 1,         // SurfaceFn set and no residual mode
  kContentPoints = 2,          // Points set and no residual mode
  kContentResiduals = 4,       // ResidualMode nonzero
  kContentLimit = 8,           // LimitFn set
  kContentPointSurface = 16,   // PointSurfaceFn set
  kContentGridFunction = 32,   // GridFn set
};

// LockMask bits: what StoreOptions must not write back.
enum LockBit : int {
  kLockGraphType = 0x0001,
  kLockMesh = 0x0002,
  kLockScaling = 0x0004,
  kLockPointsDisplay = 0x0008,
  kLockEverything = 0x4000,
};

struct T3DGraphSetup {
  SurfaceFunction SurfaceFn;
  PointSurfaceFunction PointSurfaceFn;
  GridFunction GridFn;
  PointsSource Points;
  LimitFunction LimitFn;
  std::int32_t LimitKind = 0;     // nonzero confidence, zero prediction
  std::int32_t ResidualMode = 0;  // 0 normal; 1 residual, 2 percent, 3 standardised
  std::int32_t ZFromPoints = 0;   // nonzero: the surface does not widen the points' Z range
  // Where the surface's nodes set the Z range and the lowest and highest node (GridMinMax);
  // nodes elsewhere are drawn all the same. None: everywhere. The smoothing windows name the
  // hull of the data, so that a surface extrapolated into the corners of axes rounded out
  // beyond the data neither stretches the Z axis nor becomes the surface's minimum.
  RegionFunction ScaleRegion;
  T3DViewRec* View = nullptr;
  T3DScalingBlock Scaling;
  T3DAnimRec* Anim = nullptr;
  WindowPlacement* HostWord1 = nullptr;  // the graph window's placement (kept, written back)
  WindowPlacement* HostWord2 = nullptr;  // the animation window's placement
  platform::Font* Font = nullptr;  // graph font; its height holds the base point size
  T3DTitleSet* Titles = nullptr;         // custom titles, used when enabled
  T3DTitleSet* TitleSettings = nullptr;  // standard titles; receives the font sizes
  T3DPointsRec* PointsOpt = nullptr;
  const TColorSchemeTable* SchemeTable = nullptr;  // null reads as ColorSchemeTable
  std::int32_t* Scheme = nullptr;                  // 0-8 built-in, 9 user scheme
  std::int32_t UserScheme = 0;                     // 0-14
  // The program's user colour schemes (part of its settings); null leaves a user scheme
  // drawn as built-in scheme 1.
  TUserColorSchemes* UserSchemes = nullptr;
  std::int32_t LockMask = 0;
};
