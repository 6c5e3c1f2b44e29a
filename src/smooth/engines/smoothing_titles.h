// The graph titles of the smoothing windows: the data title on line 1, lines 2-5 empty, the
// data's X and Y names, and as Z title the Z name or, for a derivative surface, the partial
// derivative in the second title font's partial and superscript signs.
#pragma once

#include <string>

#include "app/data_titles.h"
#include "graph3d/title_set.h"

// The windows' derivative choices, numbered as their radio buttons.
enum TNPSurfaceChoice : int {
  kNPChoiceValue = 0,
  kNPChoiceDx = 1,
  kNPChoiceDy = 2,
  kNPChoiceDxDy = 3,
  kNPChoiceDx2 = 4,
  kNPChoiceDy2 = 5,
};
inline constexpr int kNPChoiceCount = 6;

// The engines' derivative mode (value 0, x 1, y 2, xx 3, yy 4, xy 5) of a choice.
int NPChoiceDerivMode(int choice);

// Fills `set` for `choice` (0..5); the set's sizes become its own again.
void SetNPGraphTitles(T3DTitleSet& set, const TDataTitles& titles, int choice);
