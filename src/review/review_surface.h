// The review graph's surfaces: the value of a fit in a surface mode (the fitted Z or one of
// its five partial derivatives), over the side it is handed (the session's current fit for
// the window, the render thread's own fit for the pictures it draws ahead), and the start
// points of the quick evaluation's surface minimum and maximum searches.
#pragma once

#include <functional>
#include <optional>

#include "app/data_statistics.h"
#include "fit/fit_side.h"
#include "graph3d/surface_search_start.h"
#include "graph3d/title_set.h"

struct TSession;

// By surface mode (ReviewSurfaceMode, equation_text.h): z, dz/dx, dz/dy, d²z/dxdy, d²z/dx²,
// d²z/dy² of the fit; 0 for any other mode (the graph is then flat).
long double SurfaceZ(const TFitSide& fit, int surfaceMode, long double x, long double y);

// The review's search for the surface's minimum (maximum) starts at the data point with the
// smallest (largest) Z and keeps to the data's X and Y ranges.
TSurfaceSearchStart SurfaceMinStart(const TDataStats& stats);
TSurfaceSearchStart SurfaceMaxStart(const TDataStats& stats);

// A further start for those searches: the lowest (highest) node of `f` on the grid of
// 33 x 33 nodes over the data's ranges, where the fit's own search (the numeric summary's
// extrema) starts too, and the data's ranges as its box. None where `f` is defined at no
// node.
std::optional<TSurfaceSearchStart> SurfaceGridStart(const std::function<long double(long double, long double)>& f,
                                                    const TDataStats& stats, bool maximum);

// The review graph's automatic titles of the session's current fit, as drawn: the summary
// lines up to `lineCount` with numbers of `precision` digits, the axis names and the Z title
// of the surface mode.
void FormatCurrentFitTitles(T3DTitleSet& set, const TSession& session, int lineCount, int surfaceMode,
                            int precision);
