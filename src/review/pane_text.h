// The texts of the review's three panes, built headless into a text window's line buffer
// (coded text with cell widths): the numeric summary of a fit, the precision summary (how
// many digits the parameters need) and the data summary (every point with its fitted value,
// residuals and limits), and the short summary the graphs draw beside their surface.
//
// Each builder clears the buffer and writes the whole text afresh. The numeric and data
// summaries refit their rank into a fit of their own (RefitRank); the precision summary
// works on a copy of the session's current fit. None of them moves the current fit.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "app/text_line_buffer.h"
#include "fit/fit_blocks.h"
#include "fit/fit_records.h"

struct TSession;

// Bits of the numeric summary's options.
inline constexpr std::uint32_t kPaneProbabilities = 1;
inline constexpr std::uint32_t kPaneVolumeExtrema = 2;
inline constexpr std::uint32_t kPaneAnova = 4;
inline constexpr std::uint32_t kPaneDataStatistics = 8;
inline constexpr std::uint32_t kPaneAllOptions = 15;

// The labels of the five confidence levels ("90.00" .. "99.99"); an index outside 0..4 is
// taken as the nearest level.
const char* ConfidenceLevelLabel(int levelIndex);

// Names of the minimization (loss) a non-linear fit was made with: 0 least squares, 1 least
// absolute deviation, 2 Lorentzian, 3 Pearson VII limit.
const char* MinimizationName(int mode);
// The loss a fit was made with: the robust planes carry theirs in their equation number,
// user functions are always fitted by least squares, the other built-in equations by the
// loss of the fit options (a change of options voids the list, so the session's options are
// those of the run).
int FitMinimizationMode(const TFitEqn& fit, const TFitOptions& options);

// What the numeric summary reads besides the session.
struct TNumericPaneSettings {
  std::uint32_t options = kPaneAllOptions;
  int levelIndex = 1;            // confidence level 0..4
  bool volumeInSummary = false;  // show the volume under the surface
  const std::tm* stamp = nullptr;  // date and time of the date line; null: now
};

// The numeric summary of the fit at `rank` (refitted with volume and extrema). False when
// the rank is not in the session's list (the buffer then holds nothing).
[[nodiscard]] bool FormatNumericSummary(TMFile& out, const TSession& session, int rank,
                                        const TNumericPaneSettings& settings);

// The short summary of the review's current rank (rank line, statistics, parameters, date),
// in a buffer of 60 lines; null when the rank is not in the list.
std::unique_ptr<TMFile> BuildSummaryText(const TSession& session,
                                         const TNumericPaneSettings& settings);

// The precision summary of the session's current fit (whose rank is `rank`): the relative
// error of the surface at nine sample points when every parameter is rounded to 18 .. 2
// digits and, for linear fits, when each parameter is dropped. Rows without an evaluable
// sample point stay empty.
void FormatPrecisionSummary(TMFile& out, const TSession& session, int rank);

// Columns of the data summary.
enum DataPaneType : int {
  kDataResiduals = 0,
  kDataConfidenceLimits = 1,
  kDataPredictionLimits = 2,
  kDataAllInformation = 3,
};

// The data summary of the fit at `rank` (refitted with its standard errors) with the limits
// at level `levelIndex`; false when the rank is not in the list. Inactive points are listed
// greyed with their '*'.
[[nodiscard]] bool FormatDataSummary(TMFile& out, const TSession& session, int rank, int type,
                                     int levelIndex);
