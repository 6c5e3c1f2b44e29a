// The axis titles stay inside the graph whatever pushes them outward: long tick labels
// (a residual of -1.2345678e-05, a Y of 100000.001) on a small graph put the X, Y and Z
// titles past the graph's edge, where half of each was cut away.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "graph3d/label_thinning.h"
#include "graph_fixture.h"

namespace {

using platform::DcOp;
using platform::DcOpKind;
using platform::RecordingDeviceContext;

// A box over x 10 .. 14, y 100000.001 .. 100000.005 and z -1.2345678e-05 .. 1.2345678e-05:
// the Y and Z labels run to ten and more characters.
struct LongLabelGraph : GraphFixture {
  PointTable table = MakeTable({});

  LongLabelGraph() {
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    FixRanges({10, 100000.001L, -1.2345678e-05L}, {14, 100000.005L, 1.2345678e-05L});
    view.GridBits = 0;
    view.BackPlanes = 3;
    titles.AxisTitles = {"Distance", "Depth", "Residual"};
  }
};

// The box each text drawn in `color` covers, as the recording context measures it.
std::vector<std::pair<std::string, TLabelBox>> TextBoxes(const Drawing& d, platform::Color color) {
  std::vector<std::pair<std::string, TLabelBox>> boxes;
  for (const DcOp& op : d.Ops(DcOpKind::TextOut))
    if (op.color == color)
      boxes.emplace_back(op.text, LabelBoxAt(op.points[0].x, op.points[0].y,
                                             RecordingDeviceContext::TextExtentFor(op.font, op.text.size()),
                                             op.align, op.font.escapement, 0));
  return boxes;
}

// Every view around the box, from above and below, with the labels as they stand and turned
// along their axes, in a status window's graph at 1024 x 768, a residual graph's and a large
// one: every title drawn lies inside the graph, within its border line.
TEST(AxisTitleRoom, TitlesStayInsideTheGraphWhateverTheLabelsLength) {
  int titlesDrawn = 0;
  for (const auto& [width, height] : {std::pair{437, 397}, std::pair{320, 240}, std::pair{640, 480}})
    for (int angleZ : {20, -20, 60})
      for (int angleXY = 0; angleXY < 360; angleXY += 30)
        for (int rotate : {0, 16 | 32}) {
          LongLabelGraph g;
          g.view.AngleXY = angleXY;
          g.view.AngleZ = angleZ;
          g.view.LabelBits = static_cast<std::int16_t>(1 | 2 | 4 | 8 | rotate);
          const Drawing d = g.Draw(width, height, true);
          const platform::Rect room{1, 1, width, height};
          for (const auto& [text, box] : TextBoxes(d, d.Role(kRoleAxisTitles))) {
            ++titlesDrawn;
            EXPECT_EQ(ShiftInto(box, room), (platform::Point{0, 0}))
                << "\"" << text << "\" cut by the edge of a " << width << " x " << height << " graph seen from "
                << angleXY << ", " << angleZ << (rotate ? " with turned labels" : "");
          }
        }
  EXPECT_GT(titlesDrawn, 400);
}

// A coded title (a Greek delta and a superscript) is held inside the graph as a whole.
TEST(AxisTitleRoom, CodedTitlesStayInsideTheGraph) {
  LongLabelGraph g;
  g.titles.AxisTitles = {"~@D~@x", "~@D~@y~^2", "~@D~@z"};
  g.view.LabelBits = 1 | 2 | 4 | 8;
  for (int angleXY : {30, 120, 210, 300}) {
    g.view.AngleXY = angleXY;
    const Drawing d = g.Draw(320, 240, true);
    int pieces = 0;
    for (const auto& [text, box] : TextBoxes(d, d.Role(kRoleAxisTitles))) {
      ++pieces;
      EXPECT_EQ(ShiftInto(box, platform::Rect{1, 1, 320, 240}), (platform::Point{0, 0})) << text << " at " << angleXY;
    }
    EXPECT_GE(pieces, 6) << angleXY;
  }
}

// Data far from the origin (eastings and northings in metres) and a tiny range: ten and more
// characters to a label.
struct FarOffGraph : GraphFixture {
  PointTable table = MakeTable({});

  FarOffGraph(std::array<long double, 3> low, std::array<long double, 3> high, std::int16_t divisions) {
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    FixRanges(low, high, divisions);
    view.GridBits = 0;
    view.BackPlanes = 3;
  }
};

// A view around the box at one size: every direction from above and below, with labels as
// they stand and turned along their axes.
struct FarOffView {
  int width, height, angleXY, angleZ, rotate;

  Drawing Draw(FarOffGraph& g) const {
    g.view.AngleXY = angleXY;
    g.view.AngleZ = angleZ;
    g.view.LabelBits = static_cast<std::int16_t>(1 | 2 | 4 | 8 | rotate);
    return g.Draw(width, height, true);
  }
  std::string Name() const {
    return " in a " + std::to_string(width) + " x " + std::to_string(height) + " graph seen from " +
           std::to_string(angleXY) + ", " + std::to_string(angleZ) + (rotate ? " with turned labels" : "");
  }
};

template <class Each>
void ForEveryView(std::initializer_list<std::pair<int, int>> sizes, const Each& each) {
  for (const auto& [width, height] : sizes)
    for (int angleZ : {20, -20, 60})
      for (int angleXY = 0; angleXY < 360; angleXY += 30)
        for (int rotate : {0, 16 | 32}) each(FarOffView{width, height, angleXY, angleZ, rotate});
}

// Every label lies inside the graph, within its border line, and no two labels drawn run
// into each other, of one axis or of two: the labels of an axis far from the origin were cut
// by the frame of the import preview and touched the edge of the residual graph, and the
// first labels of the X and Y axes, which start at one corner, ran together.
TEST(AxisTitleRoom, LabelsStayInsideTheGraphAndApart) {
  const struct {
    std::array<long double, 3> low, high;
    std::int16_t divisions;
  } ranges[] = {
      {{5403000, 612000, 99.99L}, {5406500, 613500, 100.05L}, 7},
      {{612000, 5403000, -1.2e-7L}, {613500, 5406500, 1.3e-7L}, 7},
      {{-0.0012345L, 1e9L, 1e20L}, {-0.0012344L, 1e9L + 4, 1e20L + 4e6L}, 5},
  };
  int labelsDrawn = 0;
  for (const auto& range : ranges)
    ForEveryView({{528, 359}, {320, 240}, {640, 480}}, [&](const FarOffView& v) {
      FarOffGraph g(range.low, range.high, range.divisions);
      const Drawing d = v.Draw(g);
      const platform::Rect room{1, 1, v.width, v.height};
      const auto boxes = TextBoxes(d, d.Role(kRoleAxisLabels));
      const std::string view = v.Name();
      for (std::size_t i = 0; i < boxes.size(); ++i) {
        ++labelsDrawn;
        EXPECT_EQ(ShiftInto(boxes[i].second, room), (platform::Point{0, 0}))
            << "\"" << boxes[i].first << "\" cut by the edge" << view;
        for (std::size_t k = i + 1; k < boxes.size(); ++k)
          EXPECT_FALSE(LabelBoxesOverlap(boxes[i].second, boxes[k].second))
              << "\"" << boxes[i].first << "\" and \"" << boxes[k].first << "\" run together" << view;
      }
    });
  EXPECT_GT(labelsDrawn, 3000);
}

// The shift that brings a box inside a room: none for a box inside, the least one for a box
// across an edge, and the left and top edges kept for a box larger than the room.
TEST(AxisTitleRoom, BoxesAreShiftedTheLeastThatBringsThemIn) {
  const platform::Rect room{0, 0, 100, 50};
  auto box = [](int x, int y, int w, int h, int escapement = 0) {
    return LabelBoxAt(x, y, platform::Size{w, h}, platform::TextAlign::kLeft | platform::TextAlign::kTop, escapement, 0);
  };
  EXPECT_EQ(ShiftInto(box(10, 10, 20, 10), room), (platform::Point{0, 0}));
  EXPECT_EQ(ShiftInto(box(90, 10, 20, 10), room), (platform::Point{-10, 0}));
  EXPECT_EQ(ShiftInto(box(-5, 45, 20, 10), room), (platform::Point{5, -5}));
  EXPECT_EQ(ShiftInto(box(-5, -5, 200, 100), room), (platform::Point{5, 5})) << "larger than the room";
  // Upward text (turned by 90 degrees) runs from its anchor toward the top.
  EXPECT_EQ(ShiftInto(box(5, 20, 30, 8, 900), room), (platform::Point{0, 10}));
}

// A text goes to the nearest clear place, past what stands in its way sooner than back over
// it, and takes its place; where the room holds no clear place it is moved the least into it.
TEST(AxisTitleRoom, ATextTakesTheNearestClearPlace) {
  const platform::Rect room{0, 0, 200, 100};
  const TTextShape text{platform::Size{40, 10}, platform::TextAlign::kLeft | platform::TextAlign::kTop, 0, 0};
  const auto box = [](int x, int y, int w, int h) {
    return LabelBoxAt(x, y, platform::Size{w, h}, platform::TextAlign::kLeft | platform::TextAlign::kTop, 0, 0);
  };
  std::vector<TLabelBox> taken{box(50, 40, 60, 12)};
  // Outward is down the screen (3 pi / 2): past the label, not back above it.
  const platform::Point at = PlaceClearOf({60, 45}, text, 3.14159265358979L * 1.5L, 2, 100, room, taken);
  EXPECT_EQ(at, (platform::Point{60, 53}));
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_FALSE(LabelBoxesOverlap(taken[0], taken[1]));
  // Clear already: stays; over the edge: moved the least inside.
  EXPECT_EQ(PlaceClearOf({150, 80}, text, 0, 2, 100, room, taken), (platform::Point{150, 80}));
  EXPECT_EQ(PlaceClearOf({180, 20}, text, 0, 2, 100, room, taken), (platform::Point{160, 20}));
  // Kept off `rather` where it can be, over it where nothing else is clear.
  std::vector<TLabelBox> none;
  const TLabelBox everywhere = box(-10, -10, 300, 200);
  const TLabelBox left = box(0, 0, 100, 100);
  EXPECT_EQ(PlaceClearOf({20, 20}, text, 0, 2, 200, room, none, std::span(&left, 1)), (platform::Point{100, 20}));
  EXPECT_EQ(PlaceClearOf({20, 20}, text, 0, 2, 200, room, none, std::span(&everywhere, 1)), (platform::Point{20, 20}));
  std::vector<TLabelBox> full{everywhere};
  EXPECT_EQ(PlaceClearOf({-5, 95}, text, 0, 2, 200, room, full), (platform::Point{0, 90}));
}

// The six faces of the box on the screen, which together cover it.
std::vector<TLabelBox> BoxFaces(const Drawing& d, std::array<long double, 3> low, std::array<long double, 3> high) {
  const auto corner = [&](int c) {
    const platform::Point p = d.At(c & 1 ? high[0] : low[0], c & 2 ? high[1] : low[1], c & 4 ? high[2] : low[2]);
    return std::array<double, 2>{static_cast<double>(p.x), static_cast<double>(p.y)};
  };
  std::vector<TLabelBox> faces;
  for (const auto& c : {std::array{0, 1, 3, 2}, std::array{4, 5, 7, 6}, std::array{0, 1, 5, 4}, std::array{2, 3, 7, 6},
                        std::array{0, 2, 6, 4}, std::array{1, 3, 7, 5}}) {
    TLabelBox face;
    for (std::size_t k = 0; k < 4; ++k) face.corners[k] = corner(c[k]);
    faces.push_back(face);
  }
  return faces;
}

// Every view around the box, from above and below, with labels as they stand and turned: no
// axis title drawn runs into a label drawn, another title or the box, and each lies inside
// the graph. Map coordinates (eastings 431000 .. 436000, northings 5403001.26 .. 5406999.44) in a
// status window's graph at 1024 x 768 had "EASTING" written over the X labels. The graphs:
// the data view at 1600 x 1200 and at 1024 x 768, the import preview, a residual graph, a wide
// low one and a narrow tall one.
TEST(AxisTitleRoom, TitlesKeepClearOfTheLabels) {
  const struct {
    std::array<long double, 3> low, high;
    std::int16_t divisions;
  } ranges[] = {
      {{431000, 5403001.26L, 90}, {436000, 5406999.44L, 110}, 5},
      {{5403000, 612000, 99.99L}, {5406500, 613500, 100.05L}, 7},
      {{612000, 5403000, -1.2e-7L}, {613500, 5406500, 1.3e-7L}, 7},
      {{-0.0012345L, 1e9L, 1e20L}, {-0.0012344L, 1e9L + 4, 1e20L + 4e6L}, 5},
      {{10, 100000.001L, -1.2345678e-05L}, {14, 100000.005L, 1.2345678e-05L}, 4},
      {{-1, -1, -1}, {1, 1, 1}, 4},
  };
  int titlesDrawn = 0;
  for (const auto& range : ranges)
    ForEveryView({{1180, 900}, {760, 560}, {528, 359}, {437, 397}, {320, 240}, {900, 260}, {260, 700}},
                 [&](const FarOffView& v) {
                   FarOffGraph g(range.low, range.high, range.divisions);
                   g.titles.AxisTitles = {"EASTING", "NORTHING", "ELEVATION"};
                   const Drawing d = v.Draw(g);
                   const platform::Rect room{1, 1, v.width, v.height};
                   const auto labels = TextBoxes(d, d.Role(kRoleAxisLabels));
                   const auto titles = TextBoxes(d, d.Role(kRoleAxisTitles));
                   const auto faces = BoxFaces(d, range.low, range.high);
                   const std::string view = " of " + labels.front().first + v.Name();
                   for (std::size_t i = 0; i < titles.size(); ++i) {
                     ++titlesDrawn;
                     EXPECT_EQ(ShiftInto(titles[i].second, room), (platform::Point{0, 0}))
                         << "\"" << titles[i].first << "\" cut by the edge" << view;
                     for (const auto& [text, box] : labels)
                       EXPECT_FALSE(LabelBoxesOverlap(titles[i].second, box))
                           << "\"" << titles[i].first << "\" over \"" << text << "\"" << view;
                     for (std::size_t k = i + 1; k < titles.size(); ++k)
                       EXPECT_FALSE(LabelBoxesOverlap(titles[i].second, titles[k].second))
                           << "\"" << titles[i].first << "\" over \"" << titles[k].first << "\"" << view;
                     for (const TLabelBox& face : faces)
                       EXPECT_FALSE(LabelBoxesOverlap(titles[i].second, face))
                           << "\"" << titles[i].first << "\" over the box" << view;
                   }
                 });
  EXPECT_GT(titlesDrawn, 6000);
}

}  // namespace
