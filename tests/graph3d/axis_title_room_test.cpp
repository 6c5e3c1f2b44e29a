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
    for (const auto& [width, height] : {std::pair{528, 359}, std::pair{320, 240}, std::pair{640, 480}})
      for (int angleZ : {20, -20, 60})
        for (int angleXY = 0; angleXY < 360; angleXY += 30)
          for (int rotate : {0, 16 | 32}) {
            FarOffGraph g(range.low, range.high, range.divisions);
            g.view.AngleXY = angleXY;
            g.view.AngleZ = angleZ;
            g.view.LabelBits = static_cast<std::int16_t>(1 | 2 | 4 | 8 | rotate);
            const Drawing d = g.Draw(width, height, true);
            const platform::Rect room{1, 1, width, height};
            const auto boxes = TextBoxes(d, d.Role(kRoleAxisLabels));
            const std::string view = " in a " + std::to_string(width) + " x " + std::to_string(height) +
                                     " graph seen from " + std::to_string(angleXY) + ", " + std::to_string(angleZ) +
                                     (rotate ? " with turned labels" : "");
            for (std::size_t i = 0; i < boxes.size(); ++i) {
              ++labelsDrawn;
              EXPECT_EQ(ShiftInto(boxes[i].second, room), (platform::Point{0, 0}))
                  << "\"" << boxes[i].first << "\" cut by the edge" << view;
              for (std::size_t k = i + 1; k < boxes.size(); ++k)
                EXPECT_FALSE(LabelBoxesOverlap(boxes[i].second, boxes[k].second))
                    << "\"" << boxes[i].first << "\" and \"" << boxes[k].first << "\" run together" << view;
            }
          }
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

}  // namespace
