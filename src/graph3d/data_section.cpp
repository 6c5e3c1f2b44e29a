#include "graph3d/data_section.h"

#include <mutex>

#include "app/data_table.h"

int ApplySection(std::span<TXYZPoint> table, const SectionRequest& request) {
  const auto& b = request.bounds;
  bool anyBound = false;
  for (const auto& bound : b) anyBound = anyBound || bound.has_value();
  std::span<TXYZPoint> points = PointsOf(table);
  if (request.apply == SectionApply::New || !anyBound)
    for (TXYZPoint& p : points) p.Status = kPointActive;
  if (anyBound) {
    const bool include = request.mode == SectionMode::Include;
    const bool fresh = request.apply == SectionApply::New;
    for (TXYZPoint& p : points) {
      const bool outside = (b[0] && *b[0] > p.X) || (b[1] && p.X > *b[1]) ||
                           (b[2] && *b[2] > p.Y) || (b[3] && p.Y > *b[3]) ||
                           (b[4] && *b[4] > p.Z) || (b[5] && p.Z > *b[5]);
      // The side the box removes becomes inactive; the other side is left alone under
      // "Apply Existing" and made active under "Apply New".
      const bool removed = include ? outside : !outside;
      if (removed) {
        p.Status = kPointInactive;
      } else if (fresh) {
        p.Status = kPointActive;
      }
    }
  }
  int active = 0;
  for (const TXYZPoint& p : points) active += IsActive(p) ? 1 : 0;
  return active;
}

int ApplySectionToTable(TDataTable& table, const SectionRequest& request,
                        const std::function<void()>& stopBackgroundFit) {
  if (stopBackgroundFit) stopBackgroundFit();
  DataTableWriteLock lock(table.Mutex());
  return ApplySection(table.XYZData(), request);
}
