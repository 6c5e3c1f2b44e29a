// The check every user-defined function passes before it can be fitted, and what the
// dialog tells the user when it fails.
//
// ValidateUdf, in order:
//   1. the limit expressions are evaluated (ParseUdfParams); each parameter's minimum,
//      start and maximum must give values with minimum < start < maximum;
//   2. the lines are run once at the data means and the start values: every line holds
//      "=", at most one Z line and one line per sub-function F1..F9, and every expression
//      gives a value (each Fj line is compiled at once, so later lines can call it);
//   3. a Z line exists; X, Y and every counted parameter are used, and no parameter at or
//      beyond the count;
//   4. the function is loaded (UdfLoad) into its program slots;
//   5. the spread of each parameter's effect over the data is measured, and a parameter
//      that hardly changes the surface is named in a warning (the function is valid).
// A refused function is freed, except for a repeated Z or Fj line and a failed compile,
// where it stays defined (uncompiled, so nothing fits or draws it). A check the user
// stopped at any step (a TEvaluationStopScope's question said no) is refused as
// kCancelled, with the line it stopped in when that is known: no warning follows from the
// values it left unfinished, and nothing of it is accepted. Whatever is refused,
// nothing of the dialog's texts is touched: the verdict only says what to show and where.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/xyz_point.h"
#include "expr/expression.h"
#include "expr/udf_record.h"

inline constexpr const char* kUdfValidationCaption = "User Function Validation Error";
inline constexpr const char* kUdfWarningCaption = "User Function Warning";
inline constexpr const char* kUdfInvalidNumericExpression = "Invalid Numeric Expression";

enum class UdfFault {
  kNone,
  kInvalidLimit,          // a limit expression gives no value
  kStartNotAboveMinimum,  // minimum >= start
  kStartNotBelowMaximum,  // maximum <= start
  kEqualSignMissing,      // a line without "="
  kSecondZLine,           // kept
  kSecondSubFunction,     // kept
  kExpressionFails,       // a line's expression gives no value
  kZLineMissing,
  kParameterMissing,      // X, Y or a counted parameter not used
  kParameterExceedsCount,
  kCompilationFailure,  // kept
  kCancelled,           // the user stopped the check (the evaluations' question said no)
};

// The control a refusal sends the user to.
enum class UdfField { kNone, kMinimum, kStart, kMaximum, kText };

struct TUdfVerdict {
  UdfFault fault = UdfFault::kNone;
  bool kept = false;  // refused but still defined
  // The message box: caption and the fault's text (the language's own error text is the
  // caption of a failing expression, whose marked text is the message).
  std::string caption;
  std::string message;
  // Where the fault lies, added under the message: the line of the text, or the
  // parameter row and column.
  std::string detail;
  UdfField field = UdfField::kNone;
  int row = -1;     // parameter row of a limit fault
  int line = -1;    // 0-based line of the text of a line fault
  int column = -1;  // caret column in that line; -1 selects the whole line
  // A valid function: the first parameter with too little effect over the data, or -1.
  int weakParameter = -1;

  bool Valid() const { return fault == UdfFault::kNone; }
  // The message with its detail below it, as the box shows it.
  std::string BoxText() const;
};

// "Parameter %c Makes Less Than 0.001 Fractional Contribution to Equation in Range of
// Data. Adjustment is Recommended." for parameter j (letter 'A' + j).
std::string UdfWeakParameterText(int j);
// The detail of a fault in line `line` (0-based) of a text: "Line 2: " and the line (cut
// at 60 characters).
std::string UdfLineDetail(int line, std::string_view text);
// "Fn Expression Calls Itself" ("Z Expression ..." for n = 0): a line that reaches itself
// through the lines it calls.
std::string UdfLineCallsItselfText(int n);
// "Fn Expression Nests Calculus Functions" ("Z ..." for n = 0): a line whose integral, sum,
// product or series runs another, which the language refuses at every evaluation.
std::string UdfLineNestsCalculusText(int n);
// The label of parameter row i: "#A [A0]" .. "#J [A9]".
std::string UdfParameterRowLabel(int i);

// Validates function k (0..14) of the bound table with CurrentUdf = k, on the calling
// thread's expression context; the data means come from the bound statistics, and the
// derivative check samples `points` (records 0..N) against the data's z range. An undefined
// function is refused with kZLineMissing and nothing else happens.
TUdfVerdict ValidateUdf(int k, std::span<const TXYZPoint> points, long double zRange);

// Why function k did not load, from UdfLoad's fault and the error code the load left: the
// line that calls a line the text does not define, that reaches itself or that nests
// calculus built-ins, or whose test run failed (the language's text of the code), each with
// the line; "UDF Compilation Failure" when nothing names it.
TUdfVerdict UdfLoadRefusal(int k, const TLinesFault& fault, int code);

// Every defined function of the bound table, in slot order, validated as above (a library
// just read). The verdicts of the refused and the warned ones come back in order. Each
// function checked is one step of the task, for a progress window to count.
struct TUdfBatchValidation {
  int defined = 0;
  int valid = 0;
  int firstValid = -1;  // slot of the first valid function, -1 when none is
  struct Entry {
    int k;
    TUdfVerdict verdict;
  };
  std::vector<Entry> reports;  // refusals and warnings, in slot order
  // The user stopped the checks: the function being checked and those after it stay as
  // read, uncompiled (`unchecked` of them); the verdicts before it stand.
  bool cancelled = false;
  int unchecked = 0;
};
TUdfBatchValidation ValidateAllUdfs(std::span<const TXYZPoint> points, long double zRange);

// The number of functions of a table that are defined, counted 1..10 parameters and
// compiled: what a fit of the user-defined functions would fit.
int UdfReadyCount(const TUdfTable& table);
