// The animation settings as the "Animate" dialog shows and stores them: a start equal to its
// end, or a zero increment, cannot animate, so those come back from the block the dialog was
// opened with; an increment that points away from the end turns round.
#pragma once

#include "graph3d/option_records.h"

// Normalises `working` in place; `opened` is the block as it was when the dialog opened.
void NormalizeAnimSettings(T3DAnimRec& working, const T3DAnimRec& opened);

// The settings of the dialog's Reset: turn about the vertical axis, whole graph.
T3DAnimRec ResetAnimSettings();
