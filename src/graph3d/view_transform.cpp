// The view transform, the projection of data space to pixels, and the order in which one
// frame of the graph is drawn.
//
// Data space is normalised to a box 180 units wide in X and Y and 120 high in Z, centred
// on the origin, then turned by the rotation θ about the vertical axis and tilted by the
// elevation φ (a parallel projection), optionally seen in perspective from an eye point
// on the viewing direction.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "app/data_sort.h"
#include "app/long_double.h"
#include "graph3d/renderer.h"

namespace {

constexpr double kDegree = 0.017453292519943295;  // radians per degree

// Eye distance and the factor that keeps the perspective picture the size of the parallel
// one, for perspective levels 1 to 5.
constexpr std::pair<long double, long double> kPerspective[5] = {
    {2000, 0.922L}, {1500, 0.896L}, {1250, 0.875L}, {1000, 0.844L}, {750, 0.792L}};

// Pixel coordinates far outside any surface are limited so that converting them to int
// stays defined; such points are off every device anyway.
//
// The truncation toward zero is that of static_cast<int>(v), without its cost: on the x87
// that cast switches the rounding mode twice, which made up half of the time of every
// projection. The value goes through double instead (one SSE truncation); where rounding
// to double carried it across an integer, the exact comparison in long double steps back.
int ToPixel(long double v) {
  constexpr long double kLimit = 1 << 30;
  if (!(v > -kLimit)) return -(1 << 30);
  if (!(v < kLimit)) return 1 << 30;
  int n = static_cast<int>(static_cast<double>(v));
  if (v >= 0 && n > v) --n;
  if (v < 0 && n < v) ++n;
  return n;
}

}  // namespace

void T3DBase::SetupView(long double theta, long double phi) {
  const double ct = std::cos(kDegree * static_cast<double>(theta));
  const double st = std::sin(kDegree * static_cast<double>(theta));
  const double cp = std::cos(kDegree * static_cast<double>(phi));
  const double sp = std::sin(kDegree * static_cast<double>(phi));
  // A = cos θ and B = sin θ, formed through the projected axis lengths P and Q as the
  // original construction of the view does, so that the rounding is the same.
  double P = std::sqrt(cp * cp * st * st + ct * ct);
  double Q = std::sqrt(cp * cp * ct * ct + st * st);
  const double alpha = std::cos(std::atan(cp * st / ct));
  const double beta = std::sin(std::atan(st / (cp * ct)));
  if (cp * ct < 0) Q = -Q;
  if (ct <= 0) P = -P;
  B_ = beta * Q;
  A_ = alpha * P;
  if (!std::isfinite(A_) || !std::isfinite(B_)) {
    A_ = ct;
    B_ = st;
  }
  C_ = sp * st;
  D_ = sp * ct;
  E_ = cp;

  const int level = view_.Perspective;
  if (level == 0) {
    eyeDistance_ = 0;
    perspectiveFactor_ = 1;
  } else {
    const auto [distance, factor] = kPerspective[level >= 1 && level <= 5 ? level - 1 : 1];
    eyeDistance_ = distance;
    perspectiveFactor_ = factor;
  }
  eye_ = {eyeDistance_ * ct * cp, eyeDistance_ * st * cp, eyeDistance_ * sp};

  const double lr = kDegree * static_cast<double>(theta + view_.LightXY);
  const double le = kDegree * static_cast<double>(phi + view_.LightZ);
  light_ = {std::cos(lr) * std::cos(le), std::sin(lr) * std::cos(le), std::sin(le)};
  labelShrink_ = (view_.LabelBits & 0xF) ? 0.9L : 1.0L;
}

int T3DBase::Project(long double x, long double y, long double z, int& px, int& py) const {
  if (!IsUsableValue(z) || !std::isfinite(x) || !std::isfinite(y)) {
    px = py = kOffScreen;
    return -1;
  }
  long double u = (x - mid_[kAxisX]) / scale_[kAxisX];
  long double v = (y - mid_[kAxisY]) / scale_[kAxisY];
  long double w = (z - mid_[kAxisZ]) / scale_[kAxisZ];
  long double f = labelShrink_;
  if (eyeDistance_ != 0) {
    const long double du = eye_[0] - u;
    const long double dv = eye_[1] - v;
    const long double dw = eye_[2] - w;
    const long double d = std::sqrt(du * du + dv * dv + dw * dw) / eyeDistance_;
    if (d != 0) {
      u /= d;
      v /= d;
      w /= d;
    }
    f *= perspectiveFactor_;
  }
  px = ToPixel((v * A_ - u * B_) * aspect_ * (f * sx_ * view_.FrameSize) + cx_);
  py = ToPixel(((v * C_ + u * D_) - w * E_) * (f * sy_ * view_.FrameSize) + cy_);
  return 1;
}

std::span<const TXYZPoint> T3DBase::PointTable() const {
  if (setup_ == nullptr || !setup_->Points) return {};
  return setup_->Points();
}

void T3DBase::BuildPointOrder(int key) {
  const std::span<const TXYZPoint> table = PointTable();
  const int n = PointCount(table);
  pointOrder_.resize(static_cast<std::size_t>(n));
  std::iota(pointOrder_.begin(), pointOrder_.end(), 1);
  if (key >= 0) SortPointIndex(table, pointOrder_, key);
}

void T3DBase::SortForView(int a, int b) {
  // The points are drawn through the renderer's own order index: the shared data table is
  // never reordered, so another thread may read it while a graph is drawn.
  BuildPointOrder(a < 0 || b < 0 ? -1 : a + 2 * b);
  dirty_ = true;
}

bool T3DBase::StopRequested() const {
  return animState_.load() == kAnimStopRequested ||
         (stopWord_ != nullptr && stopWord_->load() == -1);
}

void T3DBase::PollIfAnimating() {
  if (animState_.load() > 0) PollMessages();
}

void T3DBase::Render(platform::DeviceContext& dc) {
  // A rotation is any angle; the hidden-surface order below needs it in [0, 360).
  long double theta = std::fmod(view_.AngleXY, 360.0L);
  if (theta < 0) theta += 360;
  if (theta >= 360) theta = 0;
  view_.AngleXY = theta;
  view_.AngleZ = std::clamp(view_.AngleZ, -90.0L, 90.0L);
  const long double phi = view_.AngleZ;

  flipX_ = theta > 90 && theta <= 270;
  flipY_ = theta > 180 && theta <= 360;
  swap_ = (theta > 45 && theta <= 135) || (theta > 225 && theta <= 315);
  SetupView(theta, phi);

  stepX_ = (scaling_.AxisHigh[kAxisX] - scaling_.AxisLow[kAxisX]) / (view_.MeshX - 1);
  stepY_ = (scaling_.AxisHigh[kAxisY] - scaling_.AxisLow[kAxisY]) / (view_.MeshY - 1);
  for (int k = 0; k < 8; ++k) {
    const long double x = (k & 1) ? scaling_.AxisHigh[kAxisX] : scaling_.AxisLow[kAxisX];
    const long double y = (k & 2) ? scaling_.AxisHigh[kAxisY] : scaling_.AxisLow[kAxisY];
    const long double z = (k & 4) ? scaling_.AxisHigh[kAxisZ] : scaling_.AxisLow[kAxisZ];
    Project(x, y, z, corners_[static_cast<std::size_t>(k)].x,
            corners_[static_cast<std::size_t>(k)].y);
  }

  const bool surface = (contentFlags_ & kContentSurface) != 0;
  const bool fromAbove = phi >= 0;
  if (surface) {
    if ((view_.ContourBits & 1) && fromAbove) DrawContourPlane(dc, 0);
    if ((view_.ContourBits & 2) && !fromAbove) DrawContourPlane(dc, 1);
  }
  const int farCorner = DrawFrameAndGrids(dc, fromAbove);
  if (surface) {
    if (decoding_.shaded) {
      DrawShadedSurface(dc);
    } else if (decoding_.fill) {
      DrawFilledSurface(dc);
    } else {
      DrawWireSurface(dc);
    }
    if ((view_.ContourBits & 1) && !fromAbove) DrawContourPlane(dc, 0);
    if ((view_.ContourBits & 2) && fromAbove) DrawContourPlane(dc, 1);
  }
  if (contentFlags_ & (kContentPoints | kContentResiduals)) {
    const int display = points_.Display & 0xFF;
    if ((contentFlags_ & 3) == 3 && display == 2 && dirty_) {
      DrawVisiblePoints(dc);
      // A test cut short by a stop request is made again with the next frame.
      if (!StopRequested()) dirty_ = false;
    }
    if (display < 2 || pointOrder_.size() != static_cast<std::size_t>(PointCount(PointTable()))) {
      BuildPointOrder((flipX_ ? 1 : 0) + 2 * (flipY_ ? 1 : 0));
    }
    DrawPoints(dc);
  }
  DrawFrontFrame(dc, farCorner);
  DrawTitles(dc, measureContext_);
}
