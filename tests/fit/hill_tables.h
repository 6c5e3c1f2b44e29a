// Two small scattered tables, fifteen and twelve points, on which the extrema and the poles of
// listed fits were hunted.
#pragma once

#include <cmath>
#include <cstdint>

#include "app/xyz_point.h"

namespace hill_tables {

// The table of 15 points on which the fit ranked 38th by r² among the linear families showed
// Fn Zmin 0.342 where its surface falls to -32.6 beside the smallest x, and fits of 1/x and ln x
// passed their extrema beside that edge.
inline PointTable FifteenPoints() {
  const long double p[15][3] = {{2.8352790919269784L, 4.008322025459367L, 3.4250032079184307L},
                                {0.19492920516522683L, 4.80035458513088L, 2.6834424216744166L},
                                {2.9519393391742588L, 4.270045356709226L, 3.763023670278763L},
                                {0.8300557652360852L, 0.253548229830306L, 1.5231570567061112L},
                                {3.3893685428365474L, 1.6933004169010923L, 3.082732836827876L},
                                {0.1053767722194554L, 1.5900159893114112L, 1.5681035742641602L},
                                {1.5528509852659744L, 0.5635849586143499L, 2.0984166475763226L},
                                {4.69170643432307L, 3.133059096640605L, 4.459050287987343L},
                                {2.6919818993862235L, 3.9872908768316666L, 3.339103205890497L},
                                {4.057937013733754L, 1.5686073600112194L, 3.5093765821678633L},
                                {3.290130408058629L, 4.314046174593674L, 4.128968270114178L},
                                {3.053753928067631L, 3.9856345642306485L, 3.6366980378288774L},
                                {0.9562634004244869L, 0.6456897073716239L, 1.7895841762233393L},
                                {2.87197374128903L, 3.8342957836907763L, 3.3784728288970314L},
                                {0.19843209229500003L, 4.413103599509592L, 2.58030636814365L}};
  PointTable t = NewPointTable(15);
  for (std::size_t i = 0; i < 15; ++i) {
    TXYZPoint& q = t[i + 1];
    q.X = p[i][0], q.Y = p[i][1], q.Z = p[i][2], q.W = 1, q.Status = kPointActive;
  }
  return t;
}

// Twelve points of a hill on a plane, scattered by a fixed generator over [1, 6] x [0.5, 5].
inline PointTable TwelvePoints() {
  std::uint64_t state = 1077;
  const auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  PointTable t = NewPointTable(12);
  for (std::size_t i = 1; i <= 12; ++i) {
    TXYZPoint& q = t[i];
    q.X = 1 + 5 * next(), q.Y = 0.5L + 4.5L * next();
    q.Z = 2 + std::exp(-((q.X - 2) * (q.X - 2) + (q.Y - 2) * (q.Y - 2)) / 3) + 0.05L * (next() - 0.5L);
    q.W = 1, q.Status = kPointActive;
  }
  return t;
}

}  // namespace hill_tables
