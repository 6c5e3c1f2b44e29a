// The review graph's two title sets, which outlive a review: the automatic set, formatted
// for the rank under review (the data status window's graph shows it too), and the user's
// own set from "Custom Titles", which keeps its text from one review to the next of a run.
// User-interface thread only (checked); the render thread draws from copies.
#pragma once

#include "graph3d/title_set.h"

struct TReviewTitleSets {
  T3DTitleSet automatic;
  T3DTitleSet custom;
};

TReviewTitleSets& ReviewTitleSets();
// The residual graph's two title sets, kept the same way.
TReviewTitleSets& ResidualTitleSets();
