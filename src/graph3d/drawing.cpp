// Drawing a frame into a device context, and the view-angle animation.
//
// The animation is a sequence of frames drawn off-screen and copied to the window. Instead
// of a loop that keeps the user interface alive by pumping its messages, the host drives
// it with a timer: Animate starts it, each AnimationStep draws one frame, and a stop
// request (an atomic state word, settable from anywhere) ends it at the next step, with
// the view as it was before the animation.
#include "graph3d/renderer.h"

namespace {

// An angle that has passed its end (in the direction of its step) starts again.
bool Wrap(long double& angle, int step, int start, int end) {
  if ((step > 0 && angle > end) || (step < 0 && angle < end)) {
    angle = start;
    return true;
  }
  return false;
}

int RectSum(const platform::Rect& r) { return r.left + r.top + r.right + r.bottom; }

}  // namespace

void T3DBase::Draw(platform::DeviceContext& dc, int mode) {
  if (!drawingEnabled_) return;
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[kRoleFrameForPrint])]);
  dc.SelectBrush(basicBrushes_[static_cast<std::size_t>(colorIndex_[kRoleBackground])]);
  if (mode == kDrawPrinter) {
    dc.Rectangle(rect_.left, rect_.top, rect_.right + 1, rect_.bottom + 1);
  } else {
    // From the origin to the rectangle's far corner: a rectangle that does not start at
    // (0, 0) is drawn where it lies, and an area of its width and height at the origin
    // would leave part of it unerased.
    dc.Rectangle(0, 0, rect_.right + 1, rect_.bottom + 1);
  }
  if (mode < 0) return;
  drawMode_ = mode;
  if ((contentFlags_ & kContentSurface) && view_.GraphType >= 2) {
    const platform::Palette* previous =
        dc.SelectPalette(&palettes_[static_cast<std::size_t>(decoding_.palette)]);
    dc.RealizePalette();
    Render(dc);
    dc.SelectPalette(previous);
  } else {
    Render(dc);
  }
}

void T3DBase::EraseSurface(platform::DeviceContext& dc, int width, int height) {
  const auto background = static_cast<std::size_t>(colorIndex_[kRoleBackground]);
  dc.SelectPen(basicPens_[background]);
  dc.SelectBrush(basicBrushes_[background]);
  dc.Rectangle(0, 0, width, height);
}

bool T3DBase::Animate(platform::DeviceContext& dc) {
  int expected = kAnimStartRequested;
  if (!animState_.compare_exchange_strong(expected, kAnimRunning)) return false;
  if (!MakeAnimationMemory(dc)) {
    // Without an off-screen surface there is no animation; the graph stays as it was.
    animState_.store(kAnimIdle);
    return false;
  }
  animSaved_ = Remembered{view_.AngleXY, view_.AngleZ, points_.Display, view_.BackPlanes,
                          view_.ContourBits, view_.LabelBits};
  const T3DAnimRec anim = setup_ != nullptr && setup_->Anim != nullptr ? *setup_->Anim : T3DAnimRec{};
  if (anim.Scope() >= 1) {
    view_.BackPlanes = 0;
    view_.ContourBits = 0;
    view_.LabelBits = 0;
  }
  if (anim.Scope() == 2 && setup_ != nullptr && setup_->SurfaceFn &&
      contentFlags_ != kContentResiduals) {
    points_.Display = static_cast<std::uint16_t>((points_.Display & 0x100) | 3);
  }
  if (lastAnimXY_ == 0 && lastAnimZ_ == 0) {
    if (anim.Mode() != 2) view_.AngleXY = anim.StartXY;
    if (anim.Mode() != 1) view_.AngleZ = anim.StartZ;
    dirty_ = true;
    Draw(dc, kDrawScreen);
  } else {
    view_.AngleXY = lastAnimXY_;
    view_.AngleZ = lastAnimZ_;
  }
  if (animState_.load() <= 0) {
    EndAnimation();
    return false;
  }
  return true;
}

void T3DBase::StepAnimationAngles() {
  const T3DAnimRec a = setup_ != nullptr && setup_->Anim != nullptr ? *setup_->Anim : T3DAnimRec{};
  switch (a.Mode()) {
    case 1:
      view_.AngleXY += a.StepXY;
      Wrap(view_.AngleXY, a.StepXY, a.StartXY, a.EndXY);
      break;
    case 2:
      view_.AngleZ += a.StepZ;
      Wrap(view_.AngleZ, a.StepZ, a.StartZ, a.EndZ);
      break;
    case 3:
      view_.AngleZ += a.StepZ;
      if (Wrap(view_.AngleZ, a.StepZ, a.StartZ, a.EndZ)) {
        view_.AngleXY += a.StepXY;
        Wrap(view_.AngleXY, a.StepXY, a.StartXY, a.EndXY);
      }
      break;
    case 4:
      view_.AngleXY += a.StepXY;
      if (Wrap(view_.AngleXY, a.StepXY, a.StartXY, a.EndXY)) {
        view_.AngleZ += a.StepZ;
        Wrap(view_.AngleZ, a.StepZ, a.StartZ, a.EndZ);
      }
      break;
    default:
      break;
  }
}

bool T3DBase::AnimationStep(platform::DeviceContext& dc) {
  if (!animMemory_) return false;
  if (animState_.load() <= 0) {
    EndAnimation();
    return false;
  }
  dirty_ = true;
  StepAnimationAngles();
  int before;
  do {
    before = RectSum(rect_);
    if (!MakeAnimationMemory(dc)) {
      EndAnimation();
      return false;
    }
    Draw(*animMemory_, kDrawScreen);
  } while (animState_.load() > 0 && RectSum(rect_) != before);
  if (animState_.load() <= 0) {
    EndAnimation();
    return false;
  }
  dc.BitBlt(0, 0, rect_.right + 1, rect_.bottom + 1, *animMemory_, 0, 0);
  lastAnimXY_ = view_.AngleXY;
  lastAnimZ_ = view_.AngleZ;
  return true;
}

bool T3DBase::MakeAnimationMemory(platform::DeviceContext& dc) {
  // The frame copied to the window is the area Draw erases, from the origin to the graph
  // rectangle's far corner; a surface any smaller would leave the rows below it (the angle
  // legend, axis titles) as the first frame drew them. A window can be larger than the
  // screen, and can grow while the animation runs.
  const int width = rect_.right + 1;
  const int height = rect_.bottom + 1;
  if (animMemory_) {
    const platform::DeviceCaps caps = animMemory_->Caps();
    if (caps.width >= width && caps.height >= height) return true;
  }
  animMemory_ = dc.CreateCompatible(width, height);
  return animMemory_ != nullptr;
}

void T3DBase::EndAnimation() {
  animMemory_.reset();
  view_.AngleXY = animSaved_.angleXY;
  view_.AngleZ = animSaved_.angleZ;
  points_.Display = static_cast<std::uint16_t>(animSaved_.display);
  view_.BackPlanes = static_cast<std::int16_t>(animSaved_.backPlanes);
  view_.ContourBits = static_cast<std::int16_t>(animSaved_.contourBits);
  view_.LabelBits = static_cast<std::int16_t>(animSaved_.labelBits);
  dirty_ = true;
  animState_.store(kAnimIdle);
}

void T3DBase::ResetAnimation() { lastAnimXY_ = lastAnimZ_ = 0; }

void T3DBase::RequestAnimationStop() {
  // A start that was requested but not begun is simply withdrawn; a running animation is
  // asked to stop and ends at its next step.
  int expected = kAnimStartRequested;
  if (animState_.compare_exchange_strong(expected, kAnimIdle)) return;
  expected = kAnimRunning;
  animState_.compare_exchange_strong(expected, kAnimStopRequested);
}
