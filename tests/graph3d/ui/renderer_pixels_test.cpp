// The renderer drawing into QImages through the Qt device context: what reaches the pixels.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

#include "graph3d/graph_fixture.h"
#include "platform/qt/qt_device_context.h"

namespace {

using platform::Color;
using platform::Point;
using platform::qt::QtDeviceContext;

// A graph of `table`'s points in a box 0 .. 4 on every axis, drawn into an image.
struct PixelGraph : GraphFixture {
  PointTable table;

  explicit PixelGraph(PointTable points) : table(std::move(points)) {
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    FixRanges({0, 0, 0}, {4, 4, 4});
    ContentOnly();
  }
  struct Picture {
    QImage image;
    std::unique_ptr<T3DBase> renderer;
    Color At(Point p) const {
      const QRgb c = image.pixel(p.x, p.y);
      return Color::Rgb(static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                        static_cast<std::uint8_t>(qBlue(c)));
    }
    Point Projected(long double x, long double y, long double z) const {
      Point p;
      renderer->Project(x, y, z, p.x, p.y);
      return p;
    }
  };
  Picture Draw(int width = 500, int height = 400) {
    Picture pic{QImage(width + 1, height + 1, QImage::Format_RGB32), MakeRenderer(width, height)};
    QtDeviceContext dc(pic.image);
    pic.renderer->Draw(dc, kDrawScreen);
    return pic;
  }
};

TEST(RendererPixels, HidePointsDrawsNothing) {
  PixelGraph g(MakeTable({{1, 1, 3}, {2, 2, 1}, {3, 3, 2}}));
  g.setup.SurfaceFn = [](long double x, long double y) { return 1 + 0.25L * (x + y); };
  g.setup.LimitFn = [](long double, long double, long double) { return 0.5L; };
  g.view.GraphType = 5;
  g.points.Display = 3;
  const QImage hidden = g.Draw().image;
  SetPointCount(g.table, 0);
  g.points.Display = 1;
  EXPECT_EQ(hidden, g.Draw().image);
  SetPointCount(g.table, 3);
  EXPECT_NE(hidden, g.Draw().image);  // the points are there to be hidden
}

TEST(RendererPixels, SymbolsDoubleInSizeAtAThousandPixels) {
  struct Case {
    int width;
    int diameter;  // 2 s + 1 pixels, s = 3 x max(width / 500, 1)
  };
  const Case cases[] = {{400, 7}, {500, 7}, {1000, 13}};
  for (const Case& c : cases) {
    PixelGraph g(MakeTable({{2, 2, 2}}));
    g.points.Fill = 2;  // every symbol filled in the first colour
    const auto pic = g.Draw(c.width, 400);
    const Point centre = pic.Projected(2, 2, 2);
    int left = centre.x, right = centre.x;
    while (pic.At({left - 1, centre.y}) != Color::White()) --left;
    while (pic.At({right + 1, centre.y}) != Color::White()) ++right;
    EXPECT_EQ(right - left + 1, c.diameter) << c.width;
    EXPECT_EQ(pic.At(centre), Color::Hex(0x000080)) << c.width;  // navy: Points <1 SD
  }
}

// A ridge along y at x = 2 seen from the +x side, low: the far side (small x) lies behind
// it. Points stand on both sides.
PixelGraph RidgeGraph() {
  PixelGraph g(MakeTable({{3.5L, 2, 0.5L}, {0.5L, 2, 0.5L}, {2, 2, 3.9L}}));
  g.setup.SurfaceFn = [](long double x, long double) {
    return 3.5L * std::exp(-(x - 2) * (x - 2) / 0.09L);
  };
  g.view.MeshX = g.view.MeshY = 41;
  g.view.AngleXY = 0;
  g.view.AngleZ = 10;
  g.view.GraphType = 5;
  g.points.Display = 2;
  return g;
}

TEST(RendererPixels, VisibleOnlyHidesWhatTheSurfaceCovers) {
  // Which of the three points are visible: in front of the ridge, behind it, on its crest.
  auto visible = [](PixelGraph& g) {
    const auto pic = g.Draw();
    return std::vector<bool>{pic.renderer->PointVisible(1), pic.renderer->PointVisible(2),
                             pic.renderer->PointVisible(3)};
  };
  PixelGraph g = RidgeGraph();
  EXPECT_EQ(visible(g), (std::vector<bool>{true, false, true}));
  // The hidden point's symbol is not drawn: its place shows the ridge, not the symbol.
  const auto pic = g.Draw();
  g.points.Display = 1;
  const auto all = g.Draw();
  const Point hidden = all.Projected(0.5L, 2, 0.5L);
  EXPECT_NE(all.At(hidden), pic.At(hidden));
  g.points.Display = 2;
  // The top plane is drawn after the surface (seen from above) and before the test: the
  // test is decided on the surface, not on the plane in front.
  g.view.ContourBits = 2;
  EXPECT_EQ(visible(g), (std::vector<bool>{true, false, true}));
  // Seen from the other side the roles change; a wire frame hides nothing.
  g.view.AngleXY = 180;
  EXPECT_EQ(visible(g), (std::vector<bool>{false, true, true}));
  g.view.GraphType = 0;
  EXPECT_EQ(visible(g), (std::vector<bool>{true, true, true}));
}

TEST(RendererPixels, FullOpenLeavesTheFrontEdgesOut) {
  for (int planes : {2, 3}) {
    PixelGraph g(MakeTable({}));
    g.view.BackPlanes = static_cast<std::int16_t>(planes);
    g.view.Perspective = 0;  // upright edges stand upright
    const auto pic = g.Draw();
    // The upright edge at the near corner (Xmin, Ymin at rotation 210), half way up.
    const Point a = pic.Projected(0, 0, 0), b = pic.Projected(0, 0, 4);
    const Point middle{a.x, (a.y + b.y) / 2};
    ASSERT_EQ(a.x, b.x);
    EXPECT_EQ(pic.At(middle), planes == 2 ? Color::Hex(0x000080) : Color::White()) << planes;
  }
}

}  // namespace
