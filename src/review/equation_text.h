// A fitted equation as text: its formula or family name, the five summary lines that head
// the review and residual graphs, the axis titles (with the derivative surfaces' Z titles),
// the rows and caption of the ranked equation list, and the search for an equation's rank.
// Every text is coded text ("~^" superscript, "~@" Symbol font, ...).
//
// The functions take the record and what they read besides it; refitting a rank into the
// record is the caller's (the review refits on its own thread, the render thread on its own).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "app/data_titles.h"
#include "expr/udf_record.h"
#include "fit/fit_list.h"
#include "fit/fit_ranking.h"
#include "fit/fit_records.h"
#include "graph3d/title_set.h"

struct TFitSide;
struct TSession;

using TUdfRecords = std::array<std::unique_ptr<TUdfRecord>, kUdfCount>;
using TSummaryLines = std::array<std::string, 5>;

// The name of parameter i (0 = a) in the review's texts: two characters, a blank or a
// prefix letter ("a" for parameters 22..43, "b" for the next 22, ...) and one of the 22
// letters a..v, so that w, x, y and z, which name the variables, are never used.
std::string ParameterLabel(int i);

// The formula (polynomial, rational and term-subset fits), the built-in equation's text, or
// the name of the family (Chebyshev, Fourier, cosine, sigmoid and beta series).
std::string FormatFitFormula(const TFitEqn& fit, const TUdfRecords& udfs);
// The words that mark a non-linear fit that stopped short of its minimum, in the ranked list
// and the summaries.
inline constexpr const char* kNotConvergedText = "not converged";

// A non-linear equation's text: "z=NAME()" for a user function (numbered from 1 when its
// slot is empty now), otherwise the catalogue's formula.
std::string GetEquationName(int equationNumber, const TUdfRecords& udfs);

// Whether a term-subset fit uses the scaled exponential term of x (of y), whose scale the
// numeric summary shows.
bool FitUsesExpX(const TFitEqn& fit);
bool FitUsesExpY(const TFitEqn& fit);

// The five summary lines: the data title; rank, equation number and formula; r², adjusted
// r², standard error and F; the parameters split over lines 4 and 5 (empty with 12 or more
// parameters). Numbers carry `precision` significant digits. Each line is cut to a title
// line's length, never inside a text code.
TSummaryLines FormatFitSummary(int rank, const TFitEqn& fit, std::string_view dataTitle,
                               int precision, const TUdfRecords& udfs);

// Surface modes of the review graph: the fitted surface, then its derivatives.
enum ReviewSurfaceMode : int {
  kSurfaceZ = 0,
  kSurfaceDzDx = 1,
  kSurfaceDzDy = 2,
  kSurfaceDxDy = 3,
  kSurfaceD2zDx2 = 4,
  kSurfaceD2zDy2 = 5,
};
// The Z axis title of a surface mode (the data's Z name for the surface itself).
std::string SurfaceZTitle(int surfaceMode, const TDataTitles& titles);

// Fills a graph's title set: the summary lines up to `lineCount` (the rest empty), the X and
// Y names and the Z title of the surface mode; the fixed-size flag is cleared so that the
// renderer sizes the titles by their number.
void FormatGraphTitleSet(T3DTitleSet& set, const TSummaryLines& lines, int lineCount,
                         const TDataTitles& titles, int surfaceMode);
// The residual graph's title set: as above with the Z title "Residuals %" (kind 1),
// "Residuals Std" (kind 2) or "Residuals" followed by the Z name.
void FormatResidualTitleSet(T3DTitleSet& set, const TSummaryLines& lines, int lineCount,
                            const TDataTitles& titles, int residualKind);

// The first rank 1..count whose fit has that equation number; -1 when none has.
int FindRankOfEquation(const TFitList& list, int count, int equationNumber);

// Sort codes of the ranked list are those of the fit list's ranking (fit_ranking.h); their
// low twelve bits choose the criterion.
inline constexpr int kSortCriterionMask = 4095;
// Whether a fit belongs to the list's filter 0..5 (all, simple, polynomial or rational,
// polynomial, rational, non-linear); false for any other index.
bool PassesEquationFilter(int filter, const TFitEqn& fit);
// A row of the ranked list: the rank, one goodness-of-fit figure chosen by the sort code
// (all four with `allGoodness`), the cost, the equation number and the formula.
std::string FormatEquationRow(int rank, int sortCode, bool allGoodness, const TFitEqn& fit,
                              std::string_view formula);
// The list's caption for `rows` rows, naming the columns of the row form.
std::string EquationListCaption(int rows, int sortCode, bool allGoodness);

// ---- Over a session: refit a rank, then format ---------------------------------------
// `precision` is the review's graph-title precision (significant digits). A rank is refitted
// into a fit of the formatter's own: the session's current fit never moves.

// The formula of the session's current fit.
std::string GetCurrentFitFormula(const TSession& session);
// The five lines of a rank of the session's fit list, refitted (the record alone); all
// empty but the title for a rank outside the list.
TSummaryLines FormatRankSummary(const TSession& session, int rank, int precision);
// The five lines of the render thread's fit, which it has refitted itself; no refit here.
TSummaryLines FormatRenderSummary(const TSession& session, const TFitSide& renderFit, int rank,
                                  int precision);
// The review graph's titles for a rank and surface mode.
void SetReviewGraphTitles(T3DTitleSet& set, const TSession& session, int rank, int lineCount,
                          int surfaceMode, int precision);
// The residual graph's titles for a rank and residual kind.
void SetResidualGraphTitles(T3DTitleSet& set, const TSession& session, int rank, int lineCount,
                            int residualKind, int precision);
// The first rank of the session's list whose fit has the equation number; -1 when none.
int FindRankOfEquation(const TSession& session, int equationNumber);
