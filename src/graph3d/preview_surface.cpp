#include "graph3d/preview_surface.h"

#include <utility>

namespace {

TPreviewSurfaceMaker& Maker() {
  static TPreviewSurfaceMaker maker;
  return maker;
}

}  // namespace

void SetPreviewSurfaceMaker(TPreviewSurfaceMaker maker) { Maker() = std::move(maker); }

std::optional<TPreviewSurface> MakePreviewSurface(std::span<const TXYZPoint> table) {
  if (!Maker()) return std::nullopt;
  return Maker()(table);
}

void AttachPreviewSurface(T3DGraphSetup& setup, const std::optional<TPreviewSurface>& surface) {
  setup.SurfaceFn = surface ? surface->value : SurfaceFunction{};
  setup.PointSurfaceFn = surface ? surface->atDataPoint : PointSurfaceFunction{};
  setup.GridFn = surface ? surface->grid : GridFunction{};
}
