#include "smooth/engines/smoothing_services.h"

#include <memory>

#include "app/point_table.h"
#include "smooth/engines/scattered_engine.h"

namespace {

// The engine and the copy of the table it reads, kept together by the callbacks.
struct TPreviewEngine {
  PointTable table;
  std::unique_ptr<TNParm3D> engine;
};

}  // namespace

std::optional<TPreviewSurface> MakeTriangulationPreview(std::span<const TXYZPoint> table) {
  auto preview = std::make_shared<TPreviewEngine>();
  preview->table = CopyPoints(table);
  if (preview->table.empty()) return std::nullopt;
  preview->engine = std::make_unique<TNParm3D>(preview->table, kNPOwnTriangulation, 1, 0, true);
  if (!preview->engine->HasSurface()) return std::nullopt;
  TPreviewSurface surface;
  surface.value = [preview](long double x, long double y) { return preview->engine->EvalAt(x, y); };
  surface.atDataPoint = [preview](long double x, long double y, long double z) {
    return preview->engine->EvalAtDataPoint(x, y, z);
  };
  surface.grid = [preview](int nx, int ny, std::span<const long double> xs,
                           std::span<const long double> ys) {
    return preview->engine->EvalGrid(nx, ny, xs, ys);
  };
  return surface;
}

void RegisterSmoothingServices() { SetPreviewSurfaceMaker(&MakeTriangulationPreview); }
