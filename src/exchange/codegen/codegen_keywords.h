// The keywords of the code-generator templates and what each expands to for one run.
//
// A run writes one fit: the fit record with the scales of the fit run that made it, the data
// statistics and titles, and, for EQSTR and UDFCODE, the user-defined functions. The caller
// hands them in (the review passes its session's current fit, `CurFit.eqn` with
// `CurFit.scales`); nothing is read from program-wide state.
//
// Keywords (expansions that are "kept" keep the line; "dropped" drops the whole line):
//
//   FNAME FILE LANG DATE TIME   the function name, the output path, the dialect name, today's
//                               date and the time
//   TITLE XTITLE YTITLE ZTITLE  the data title and the axis names; SFILE the data's source
//   POSN1 POSN2                 centring columns for the output path and the data title
//   EQNO EQSTR                  equation number and formula text (display codes stripped)
//   COEFSTRn CVALn              parameter n as "%.16LG" and as a code number; dropped when
//                               n exceeds the term count m
//   CLIMITn                     the bound of parameter n in a user-function file, "1e+25",
//                               or a power of 10 beyond a parameter of 1e24 or more, so
//                               that the file's limits always hold its start values
//   ORDER PARMCNT LINECNT       m, m + 1, and the function lines of a user-function file
//   R2VAL R2ADJ STDERR FVAL     the fit statistics, "%.16LG"; "n/a" for one that cannot
//                               be formed
//   ISLOGX ISLOGY               "1" for a series family in ln x (ln y), else "0"
//   CHEBSCALEn FOURIERSCALEn    entry n (0..11, 0..5) of the series scales as a code number;
//                               dropped for another n
//   EQNCODE Z1EQNCODE..Z4EQNCODE ZUEQNCODE ZVEQNCODE  the equation and its pieces
//   F1..F8 FLIST FX FY FZ       term functions, their names, the transforms of x and y and
//                               the back-transform of z
//   UDFCODE                     the text of a fitted user-defined function
//   CRLF                        a line end; XYPOINTS the active point count
//   XMIN ... ZATXMINYMAX        the 69 data statistics of the calculation language, "%.12LG"
//
// and the line switches, which expand to nothing and keep their line only when the fit is of
// the kind they name: LISTCOEF (a series family), FCPOLY, FCRATL, FFSI, FSIG, FCSI, FFSER (one
// series family), LOGX, LINX, LOGY, LINY (a Chebyshev series in ln x, in x, in ln y, in y:
// the scale chosen as the code is written, where a test of the constant ISLOGX would leave
// one branch that never runs), FDECL2, FDECL4 (an equation in z1, z2 or z1..z4), FDECLZU, FDECLZV (a
// logistic peak in x or y), ERF, POW (the equation calls the error or power function), SCOPE
// (function code only). FDECLN, FDECL6, FDECL8, FAUX and Z5EQNCODE..Z8EQNCODE always drop
// their line, as does a keyword that is not in this list.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/data_statistics.h"
#include "app/data_titles.h"
#include "exchange/codegen/centred_linear_fit.h"
#include "exchange/codegen/equation_pieces.h"
#include "expr/udf_record.h"
#include "fit/fit_records.h"
#include "fit/fit_run.h"

// What one run of the code generator writes from. The references must outlive the run.
struct TCodeGenInput {
  TCodeGenInput(const TFitEqn& fit, const TFitRunScales& scales, const TDataStats& stats,
                const TDataTitles& titles)
      : fit(fit), scales(scales), stats(stats), titles(titles) {}

  const TFitEqn& fit;
  const TFitRunScales& scales;  // of the fit run that made the fit
  const TDataStats& stats;
  const TDataTitles& titles;
  int dialect = 1;               // CodeGenDialect, 0..7
  int scope = 0;                 // CodeGenScope
  std::string dataSource;        // SFILE
  const TUdfTable* udfs = nullptr;  // the session's user functions; none when null
  std::string date, time;        // DATE and TIME; empty: today and now
  std::filesystem::path templateDirectory;  // where the templates lie: the program directory
};

// A constant the generated code would hold, named as the user knows it ("Parameter c",
// "XMIN", "The X Scale of the Exponential Terms").
struct TCodeGenConstant {
  std::string name;
  long double value = 0;
};

// A run: the input, the output path and function name, the centring columns, the
// equation's pieces in the run's dialect, and the first constant that an expansion wrote
// which the dialect cannot hold (DialectHoldsConstant): such a run writes no file. The
// expansions note it as they go, on a run that is otherwise fixed: hence mutable. A
// polynomial or rational fit whose raw coefficients would cancel away the dialect's digits
// over the data is written centred (centred_linear_fit.h): its coefficients and the
// transforms of x and y (FX, FY) come from `centred`.
struct TCodeGenRun {
  const TCodeGenInput& in;
  std::string outputPath;
  std::string functionName;
  int posn1 = 0, posn2 = 0;
  TEquationPieces pieces;
  mutable std::optional<TCodeGenConstant> notHeld;
  std::optional<TCentredLinearFit> centred;
};

// The fit as the run writes it: centred, or the input's fit.
const TFitEqn& WrittenFit(const TCodeGenRun& run);

TCodeGenRun MakeCodeGenRun(const TCodeGenInput& in, const std::filesystem::path& outputPath,
                           std::string_view functionName);

// Writes the expansion of one keyword into `expansion`; false drops the template line. An
// expansion that writes a constant the dialect cannot hold (a parameter, a scale, a
// statistic) notes the first in run.notHeld.
bool CodeGenExpandKeywords(const TCodeGenRun& run, std::string_view keyword, std::string& expansion);

// Whether the fit can be written in the run's dialect: a series family everywhere but in
// the user-function file and the transform text (which evaluate no series); a user-function fit only in the user-function file (its text is in
// the calculation language); a user-function file holds at most ten parameters; any other
// fit needs an equation text.
bool CodeGenCanWrite(const TCodeGenRun& run);
