// Sectioning the data: a box in X, Y and Z (any bound may be open) either keeps the points
// inside it active ("Include") or deactivates them ("Exclude"). "Apply New" starts from every
// point active; "Apply Existing" changes only the points the box concerns. Bounds are
// inclusive. With no bound at all every point becomes active.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>

#include "app/xyz_point.h"

class TDataTable;

enum class SectionMode { Include, Exclude };
enum class SectionApply { Existing, New };

struct SectionRequest {
  // Xi, Xf, Yi, Yf, Zi, Zf; an empty bound is open.
  std::array<std::optional<long double>, 6> bounds;
  SectionMode mode = SectionMode::Include;
  SectionApply apply = SectionApply::New;
};

// Sets the status of records 1 .. N of the table; returns the number of active points after.
int ApplySection(std::span<TXYZPoint> table, const SectionRequest& request);

// The same on the program's data table. The background fit reads the statuses, so
// `stopBackgroundFit` runs first (it stops and joins it), and the statuses change under the
// table's write lock, which workers that copy the table take shared.
int ApplySectionToTable(TDataTable& table, const SectionRequest& request,
                        const std::function<void()>& stopBackgroundFit);
