#include "smooth/engines/smoothing_titles.h"

#include "graph3d/view_function.h"
#include "smooth/engines/scattered_engine.h"

int NPChoiceDerivMode(int choice) {
  switch (choice) {
    case kNPChoiceDx: return kDerivX;
    case kNPChoiceDy: return kDerivY;
    case kNPChoiceDxDy: return kDerivXY;
    case kNPChoiceDx2: return kDerivXX;
    case kNPChoiceDy2: return kDerivYY;
    default: return kDerivValue;
  }
}

void SetNPGraphTitles(T3DTitleSet& set, const TDataTitles& titles, int choice) {
  SetGraphTitlesFromData(set, titles);
  // The function viewer numbers its derivatives as these windows do.
  if (choice > kNPChoiceValue && choice < kNPChoiceCount)
    set.AxisTitles[2] = ViewModeZTitle(static_cast<ViewMode>(choice));
}
