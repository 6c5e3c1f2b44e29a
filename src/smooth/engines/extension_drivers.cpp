// The extension methods of the scattered-data engine (codes 8..15, the library's methods
// 1..8) and the test data the library offers the algorithm test command.
//
// The library is foreign code: whatever it answers is bounded before use. At most 8
// methods and 100 test sites are taken, an inverted option range collapses to its lower
// end, work sizes below 1 become 1, a work size above kMaxExtensionWork refuses the
// set-up, and a result that is not a finite number is a failed point.
#include <algorithm>
#include <cmath>

#include "app/long_double.h"
#include "app/point_table.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/libs/extension_library.h"

namespace {

// 2^24 entries: 128 MB of doubles, far beyond what any method of 16384 points needs.
constexpr int kMaxExtensionWork = 1 << 24;
constexpr int kMaxTestSites = 100;
constexpr int kTestGridSize = 33;
constexpr double kTestGridStep = 0.03125;

// The library's 15 answers for one method, in item order 0..6, 10..13, 20..23.
struct TExtAnswers {
  int32_t item[24] = {};
};

TExtAnswers AskLibrary(int method, int pointCount) {
  TExtAnswers a;
  const TNPExtension& lib = NPExtension();
  if (lib.info)
    lib.info(method, pointCount, &a.item[0], &a.item[1], &a.item[2], &a.item[3], &a.item[4],
             &a.item[10], &a.item[11], &a.item[12], &a.item[13], &a.item[20], &a.item[21],
             &a.item[22], &a.item[23], &a.item[5], &a.item[6]);
  a.item[0] = std::clamp<int32_t>(a.item[0], 0, kNPMaxExtensionMethods);
  if (a.item[2] < a.item[1]) a.item[2] = a.item[1];
  if (a.item[4] < a.item[3]) a.item[4] = a.item[3];
  a.item[5] = std::max<int32_t>(a.item[5], 1);
  a.item[6] = std::max<int32_t>(a.item[6], 1);
  return a;
}

long double Finite(double v) { return std::isfinite(v) ? v : ExprErrorValue; }

}  // namespace

int TNParm3D::ExtInfo(int code, int item) const {
  if (item < 0 || item > 23 || (item > 6 && item < 10) || (item > 13 && item < 20)) return 0;
  // A method beyond those the library offers has no facts (the constructor's query, code 0,
  // asks for the count itself).
  if (code >= kNPExtensionFirst && code - 7 > extMethodCount_) return 0;
  return AskLibrary(code - 7, pointCount_).item[item];
}

int TNParm3D::SetupExtension() {
  const TNPExtension& lib = NPExtension();
  if (!lib.setup || method_ - 7 > extMethodCount_) return 0;
  PointTable copy = CopyPoints(working_);
  if (copy.empty() || IsCollinearXY(copy, true, nullptr)) return 0;
  const int intWork = ExtInfo(method_, 5), doubleWork = ExtInfo(method_, 6);
  if (intWork > kMaxExtensionWork || doubleWork > kMaxExtensionWork) return 0;
  TakeColumns(copy, true);
  iwk_.assign(static_cast<std::size_t>(intWork), 0);
  wk_.assign(static_cast<std::size_t>(doubleWork), 0.0);
  int32_t ier = -1;
  lib.setup(method_ - 7, pointCount_, xd_.data(), yd_.data(), zd_.data(), iwk_.data(), wk_.data(),
            option1_, option2_, &ier);
  if (ier != 0) {
    FreeWork();
    return 0;
  }
  return 1;
}

long double TNParm3D::EvalExtension(long double x, long double y, int mode) {
  const TNPExtension& lib = NPExtension();
  if (!lib.eval || iwk_.empty() || wk_.empty() || xd_.empty()) return 0.0L;
  double f = 0, fx = 0, fy = 0, fxx = 0, fyy = 0, fxy = 0;
  int32_t ier = 0;
  lib.eval(method_ - 7, static_cast<double>(UnitX(x)), static_cast<double>(UnitY(y)), pointCount_,
           xd_.data(), yd_.data(), zd_.data(), iwk_.data(), wk_.data(), option1_, option2_, mode,
           &f, &fx, &fy, &fxx, &fyy, &fxy, &ier);
  if (ier != 0) return ExprErrorValue;
  const double out[6] = {f, fx, fy, fxx, fyy, fxy};
  const long double value = Finite(out[mode >= 0 && mode <= 5 ? mode : 0]);
  return IsMissingValue(value) ? value : FromUnits(value, mode);
}

std::vector<long double> TNParm3D::GridExtension(int nx, int ny, std::span<const long double> xs,
                                                 std::span<const long double> ys, int mode) {
  if (!NPExtension().eval || iwk_.empty() || wk_.empty() || xd_.empty()) return {};
  std::vector<long double> grid(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny), 0.0L);
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      grid[static_cast<std::size_t>(j) * nx + i] = EvalExtension(xs[i], ys[j], mode);
  return grid;
}

PointTable NPExtTestData(int dataSet, int function, int mode) {
  const TNPExtension& lib = NPExtension();
  if (!lib.dat || !lib.fn) return {};
  double x[kMaxTestSites] = {}, y[kMaxTestSites] = {};
  int32_t count = 0;
  lib.dat(dataSet, x, y, &count);
  count = std::clamp<int32_t>(count, 0, kMaxTestSites);
  PointTable table = NewPointTable(count);
  if (table.empty()) return table;
  for (int i = 0; i < count; ++i) {
    double f = 0, fx = 0, fy = 0;
    lib.fn(function, x[i], y[i], mode != 0 ? 1 : 0, &f, &fx, &fy);
    TXYZPoint& p = table[static_cast<std::size_t>(i) + 1];
    p.X = x[i];
    p.Y = y[i];
    p.Z = mode == 1 ? fx : mode == 2 ? fy : f;
    p.W = 1.0L;
    p.Status = kPointActive;
  }
  return table;
}

std::vector<long double> NPExtTestGrid(int function, int mode, long double& sst) {
  const TNPExtension& lib = NPExtension();
  if (!lib.fn) return {};
  std::vector<long double> grid(kTestGridSize * kTestGridSize, 0.0L);
  long double s = 0.0L, q = 0.0L;
  for (int i = 0; i < kTestGridSize; ++i)
    for (int j = 0; j < kTestGridSize; ++j) {
      double f = 0, fx = 0, fy = 0;
      lib.fn(function, j * kTestGridStep, i * kTestGridStep, mode != 0 ? 1 : 0, &f, &fx, &fy);
      const long double v = mode == 1 ? fx : mode == 2 ? fy : f;
      grid[static_cast<std::size_t>(kTestGridSize * i + j)] = v;
      s += v;
      q += v * v;
    }
  sst = q - s * s / (kTestGridSize * kTestGridSize);
  return grid;
}

int NPExtTestInfo(int pointCount, TNPTestItems& items) {
  for (auto& row : items) row.fill(0);
  if (!NPExtension().info) return 0;
  int count = 1;
  for (int method = 1; method <= count; ++method) {
    const TExtAnswers a = AskLibrary(method, pointCount);
    if (method == 1) count = a.item[0];
    for (int k = 0; k < 4; ++k) {
      items[static_cast<std::size_t>(k)][static_cast<std::size_t>(method - 1)] = a.item[10 + k];
      items[static_cast<std::size_t>(4 + k)][static_cast<std::size_t>(method - 1)] = a.item[20 + k];
    }
  }
  return count;
}
