// The fit under review as the export writers take it: the figures, texts and surface of the
// session's current fit (`CurFit`), gathered once before a write. The writers then run on
// this object alone and never read the session.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "app/data_statistics.h"

#include "exchange/export/export_tables.h"
#include "exchange/export/parms_summary.h"
#include "exchange/export/review_callbacks.h"

struct TSession;

// The range the surface exports first offer (X start, increment, end, Y start, increment,
// end): each axis over the data's range in as many lines as the review graph's mesh has, the
// increment (max - min) / (lines - 1). A mesh of fewer than two lines counts as two.
std::array<long double, 6> ReviewGenRange(const TDataStats& stats, int meshX, int meshY);

class TReviewExportSource {
 public:
  // The session must outlive the object: the surface callbacks evaluate its current fit.
  explicit TReviewExportSource(const TSession& session);
  TReviewExportSource(const TReviewExportSource&) = delete;
  TReviewExportSource& operator=(const TReviewExportSource&) = delete;

  const TExportFit& Fit() const { return fit_; }
  const TReviewCallbacks& Review() const { return review_; }
  // Records 1..N of the data table.
  std::span<const TXYZPoint> Points() const { return points_; }
  // The writers' input for a table request (the request must outlive the input).
  TExportTableInput TableInput(const TExportRequest& request) const { return {&request, &fit_, points_, &review_}; }
  // The parameter summary's input: date, time, the data's source and titles.
  const TParmsSummaryInput& Summary() const { return summary_; }

 private:
  std::vector<long double> parameters_, errors_;
  std::span<const TXYZPoint> points_;
  TExportFit fit_;
  TReviewCallbacks review_;
  TParmsSummaryInput summary_;
};
