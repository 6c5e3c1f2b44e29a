#include "graph3d/animation_settings.h"

namespace {

void NormalizeAxis(std::int16_t& start, std::int16_t& end, std::int16_t& step,
                   std::int16_t openedStart, std::int16_t openedEnd, std::int16_t openedStep) {
  if (start == end) {
    start = openedStart;
    end = openedEnd;
  }
  if (step == 0) step = openedStep;
  if ((end > start && step < 0) || (start > end && step > 0)) step = static_cast<std::int16_t>(-step);
}

}  // namespace

void NormalizeAnimSettings(T3DAnimRec& working, const T3DAnimRec& opened) {
  NormalizeAxis(working.StartXY, working.EndXY, working.StepXY, opened.StartXY, opened.EndXY,
                opened.StepXY);
  NormalizeAxis(working.StartZ, working.EndZ, working.StepZ, opened.StartZ, opened.EndZ,
                opened.StepZ);
}

T3DAnimRec ResetAnimSettings() {
  T3DAnimRec rec;
  rec.Vary = 1;
  rec.StartXY = 5;
  rec.EndXY = 360;
  rec.StepXY = 5;
  rec.StartZ = 60;
  rec.EndZ = -60;
  rec.StepZ = -5;
  return rec;
}
