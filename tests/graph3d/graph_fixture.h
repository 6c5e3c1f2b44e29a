// A graph setup record with its option records, for renderer tests.
#pragma once

#include <cmath>
#include <memory>

#include "graph3d/renderer.h"
#include "platform/recording_device_context.h"

struct GraphFixture {
  T3DViewRec view = DefaultViewRec();
  T3DPointsRec points = DefaultPointsRec();
  T3DAnimRec anim;
  platform::Font font{"Arial", 12};
  T3DTitleSet titles;
  T3DTitleSet custom;
  std::int32_t scheme = 1;
  TUserColorSchemes userSchemes = DefaultUserColorSchemes();
  T3DGraphSetup setup;

  GraphFixture() {
    setup.View = &view;
    setup.PointsOpt = &points;
    setup.Anim = &anim;
    setup.Font = &font;
    setup.Titles = &custom;
    setup.TitleSettings = &titles;
    setup.Scheme = &scheme;
    setup.UserSchemes = &userSchemes;
    setup.SchemeTable = &ColorSchemeTable;
  }

  // A surface over [x0, x1] x [y0, y1] with the Z range taken from the surface.
  void SetSurface(SurfaceFunction f, long double x0 = -3, long double x1 = 3,
                  long double y0 = -3, long double y1 = 3) {
    setup.SurfaceFn = std::move(f);
    for (int a = 0; a < 2; ++a) {
      setup.Scaling.Auto[static_cast<std::size_t>(a)] = 0;
      setup.Scaling.Zoom[static_cast<std::size_t>(a)] = 1;
      setup.Scaling.Divs[static_cast<std::size_t>(a)] = 6;
    }
    setup.Scaling.AxisLow[0] = setup.Scaling.DataLow[0] = x0;
    setup.Scaling.AxisHigh[0] = setup.Scaling.DataHigh[0] = x1;
    setup.Scaling.AxisLow[1] = setup.Scaling.DataLow[1] = y0;
    setup.Scaling.AxisHigh[1] = setup.Scaling.DataHigh[1] = y1;
    setup.Scaling.Auto[2] = 1;
  }

  // A renderer on the record, drawing into a 640 x 480 rectangle.
  std::unique_ptr<T3DBase> MakeRenderer(int width = 640, int height = 480) {
    auto r = std::make_unique<T3DBase>();
    r->SetGraphRect(platform::Rect{0, 0, width, height});
    r->SetData(&setup, true);
    return r;
  }
};

// Sets the display facts for one test and puts the previous ones back afterwards.
class DisplayColors {
 public:
  explicit DisplayColors(long colors) : saved_(GetGraphDisplayFacts()) {
    GraphDisplayFacts f = saved_;
    f.colors = colors;
    SetGraphDisplayFacts(f);
  }
  ~DisplayColors() { SetGraphDisplayFacts(saved_); }

 private:
  GraphDisplayFacts saved_;
};
