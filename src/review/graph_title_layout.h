// The layout of a review graph's titles: which of its two title sets is drawn, which lines of
// a custom set still follow the rank, which lines carry text codes, and the title sizes.
#pragma once

#include "graph3d/title_set.h"

// Lays out the titles of a graph with the custom set `custom` and the automatic set
// `automatic` (formatted for the current rank), and returns the set to draw.
//
// A custom set in use is drawn, and its lines that still hold automatic text follow the
// rank: the rank line (the second, after the data title) when it begins with "Rank", the
// statistics line when it begins with "r~^2~^=", both parameter lines when the first of
// them begins with "a=". Otherwise the automatic set is drawn and its custom flag
// is cleared. The drawn set's code marks are refreshed. The automatic set's four sizes are
// `baseSize` times a factor that shrinks as the drawn set has more non-empty lines (all 1
// with fixed sizes); a custom set keeps the sizes chosen in its own dialog.
T3DTitleSet& LayoutGraphTitles(T3DTitleSet& custom, T3DTitleSet& automatic, float baseSize);
