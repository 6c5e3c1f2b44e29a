// A fitted exact plane z = 1 + 2x + 3y as the export writers see it: the review callbacks
// of the plane with constant band half-widths, its parameters (b without a standard error)
// and data points on the plane.
#pragma once

#include <vector>

#include "app/long_double.h"
#include "app/xyz_point.h"
#include "exchange/export/export_tables.h"

struct TPlaneExport {
  static constexpr long double kConfidence = 0.25L;
  static constexpr long double kPrediction = 0.75L;

  std::vector<long double> parameters{1.0L, 2.0L, 3.0L};
  std::vector<long double> errors{0.125L, ExprErrorValue, 0.5L};
  std::vector<TXYZPoint> points;
  TReviewCallbacks review;
  TExportFit fit;
  TExportRequest request;

  explicit TPlaneExport(int pointCount = 5, int level = 1) {
    review.ReviewEvalZ = [](long double x, long double y) { return 1 + 2 * x + 3 * y; };
    review.ReviewConfidenceLimit = [](long double, long double, long double) { return kConfidence; };
    review.ReviewPredictionLimit = [](long double, long double, long double) { return kPrediction; };
    review.LimitsLevel = level;
    fit.dataTitle = "Plane data";
    fit.equationText = "z=a+bx+cy";
    fit.date = "Dec 7, 2026";
    fit.time = "2:40:00 AM";
    fit.equationNumber = 1;
    fit.parameters = parameters;
    fit.standardErrors = errors;
    fit.tValue = 2.0L;
    fit.r2 = 1, fit.adjustedR2 = 1, fit.fitStdError = 0, fit.f = 1e30L;
    SetPoints(pointCount);
  }
  void SetPoints(int n) {
    points.clear();
    for (int i = 0; i < n; ++i) {
      TXYZPoint p;
      p.X = 0.5L * i;
      p.Y = 0.25L * (i % 7);
      p.Z = 1 + 2 * p.X + 3 * p.Y;
      p.Status = ' ';
      points.push_back(p);
    }
  }
  void SetGrid(int kind, TExportRange x, TExportRange y) { request = {kind, x, y}; }
  TExportTableInput Input() const { return {&request, &fit, points, &review}; }
};

// An axis of n values 0, 1, ..., n - 1.
inline TExportRange Steps(int n) { return {0, 1, static_cast<long double>(n - 1)}; }
