// Eight points on x = 0..7 under the surface z = xy/4, with a section context over the
// points, for the graph option dialogs' tests.
#pragma once

#include <span>
#include <string>

#include "graph3d/graph_fixture.h"
#include "graph3d/ui/graph_option_commands.h"

struct EightPointGraph : GraphFixture {
  PointTable table;
  GraphOptionContext context;
  explicit EightPointGraph(bool surface = true) {
    if (surface) SetSurface([](long double x, long double y) { return x * y / 4; }, 0, 7, 0, 7);
    table = MakeTable({{0, 1, 1}, {1, 2, 2}, {2, 3, 3}, {3, 1, 1.5}, {4, 2, 2.5}, {5, 3, 1}, {6, 1, 2}, {7, 2, 3}});
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    context.mutablePoints = [this] { return std::span<TXYZPoint>(table); };
    FixRanges({0, 0, 0}, {7, 3, 3});
  }
  // The points' statuses in order: ' ' active, '*' inactive.
  std::string Statuses() const {
    std::string s;
    for (std::size_t i = 1; i < table.size(); ++i) s += table[i].Status;
    return s;
  }
};
