// The expression language as the rest of the program uses it: evaluate a text at once,
// compile a text into a program slot, run a slot, report errors, load user-defined
// functions and the view function.
//
// Threads: every entry point works on the calling thread's ExprContext (variables,
// result, error codes; see eval_context.h). ExprRunSlot and ExprInterpret may run on any
// number of threads at once, each on its own context, as long as no thread recompiles a
// slot that another is running. Parsing and compiling (ExprParseAndRun, ExprCompileSlot,
// UdfLoad, ExprCompileViewFn) share the symbol list and the slots and are serialised by
// one lock.
//
// Floating-point faults are not trapped: each evaluation clears the processor's exception
// flags first and reads them afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/long_double.h"
#include "expr/eval_context.h"

namespace finite_differences {
enum class Partial;
struct TSurfaceScales;
}

// Start-up and exit (the symbol list is also built on the first parse if nobody did).
// ExprStartUp: seeds the calling thread's random generator from the clock, then
// ExprBuildSymbols and ExprSlotsInit. ExprShutDown: ExprFreeSymbols, frees the Bernoulli
// and quadrature tables, ExprSlotsFreeAll.
void ExprStartUp();
void ExprShutDown();

// Runs a compiled slot: the value, or the missing value when the slot is empty, the
// number is out of range or an error was raised (its code is left in ExprMathError).
long double ExprRunSlot(int slot);
long double ExprRunSlot(ExprContext& ctx, int slot);

// Evaluates one statement at once. The statement's value, or the missing value on a
// syntax or math error. A bad token after a complete statement does not fail it: the
// value is returned with ExprSyntaxCode set, so callers that need a clean text test
// ExprSyntaxCode too.
long double ExprParseAndRun(std::string_view text);

// An entry field's text read as one statement: its value, or none when the text is blank,
// is not wholly a statement (a character the language does not know after a complete one,
// as in "2,5", counts), raises a math error or gives the missing value or no finite number.
// The calling thread's error codes are cleared afterwards.
std::optional<long double> ExprEntryValue(std::string_view text);

// Compiles `text` into `slot` (a negative slot takes the lowest empty one, which
// ExprCurrentSlot then names) and test-runs it with the variables as they stand. Returns
// 1, or 0 when the slot cannot be had or the test value is the missing value (the slot
// is then left empty). A slot that is a line of the function CurrentUdf names is refused
// when, installed, it reaches itself (through F1..F9 or a calculus built-in, directly or
// through the other lines installed: line_reach.h).
[[nodiscard]] int ExprCompileSlot(std::string_view text, int slot);
// The same; `reachesItself` tells a refusal for a line that reaches itself (the message names
// the line) from any other.
[[nodiscard]] int ExprCompileSlot(std::string_view text, int slot, bool& reachesItself);
// ExprCompileSlot's compile without its verdict: the program stays in the slot whatever
// its test run gave (the value in `value`), for a caller that judges the test later. The
// slot compiled into, or -1 when the text gives no program (the slot is then empty).
[[nodiscard]] int ExprCompileSlotKept(std::string_view text, int slot, long double& value);
// Does the installed line in `slot` reach itself (ExprCompileSlot's refusal)? A line that
// does is run once, to leave the code it raises whenever it runs.
[[nodiscard]] bool ExprSlotReachesItself(int slot);

// The text with "|" inserted before the character at `column` ("| " at the end when the
// column is at or past the end), broken for a message box: after 40 characters when the
// marked text has 41 or more, and again after 39 more when it has 81 or more.
std::string ExprErrorLine(std::string_view text, int column);
// The same at the calling thread's ExprErrorColumn.
std::string ExprErrorLine(std::string_view text);

// Compiles user-defined function k (0..14) from its record in UdfTable: A0.. get the
// start values, X and $ the data mean of x, Y and Z the means of y and z, W 1; then each
// line: "Z=..." into slot 10k, "Fn=..." or "#Fn=..." (n 1..9) into slot 10k+n, any other
// line is run at once. The function's ten slots are emptied first, so a line the text
// does not define is empty. Returns 1 and sets the record's compiled flag, or -1 at the
// first line that fails (the flag is cleared); once every line has compiled, the text
// fails too where a line calls a line it does not define, or holds a built-in that binds $
// whose line runs another one (refused at every evaluation as nested: line_reach.h).
// CurrentUdf is k for the duration, so that test runs of lines that call F1..F9 reach this
// function's own lines.
[[nodiscard]] int UdfLoad(int k);

// Why the lines of a function did not compile, so that the message can name the line: the
// line of the text (0-based) that failed, or that calls a line Fn the text does not define.
struct TLinesFault {
  int line = -1;
  int missing = 0;             // n of the line called but not defined; 0: none
  bool reachesItself = false;  // the line reaches itself through the lines it calls
  bool nestsCalculus = false;  // the line's integral, sum, product or series runs another
};
[[nodiscard]] int UdfLoad(int k, TLinesFault& fault);
// The lines of function `udf` (0..14, 16 the view function) now in its slots that hold a
// built-in that binds $ whose line runs another such built-in, directly or through other
// lines: bit n for line n (0 the Z line). Every evaluation of such a line is refused with
// "Calculus Functions Cannot Be Nested"; a test run refused so is told by naming one.
std::uint16_t ExprNestingLines(int udf);
// Empties user-defined function k's ten slots and clears its record's compiled flag (when
// it has a record), so that a function refused after its lines were partly compiled never
// runs an old or half-made program.
void UdfUnload(int k);

// The view function: compiles its lines like UdfLoad into slots 160 (Z) and 161..169
// (F1..F9), emptied first, with $ and X = x, Y = y and CurrentUdf 16 for the duration. 1, or -1 at the
// first line that fails.
[[nodiscard]] int ExprCompileViewFn(std::string_view text, long double x, long double y);
[[nodiscard]] int ExprCompileViewFn(std::string_view text, long double x, long double y, TLinesFault& fault);
// Its value at (x, y) (slot 160 with CurrentUdf 16; $ keeps its value).
long double ExprEvalViewFn(long double x, long double y);
// Central differences of the view function (finite_differences.h) over the widths of X and
// Y it is looked at over; the first forms take the unit for both.
long double ExprDerivX(long double x, long double y);
long double ExprDerivY(long double x, long double y);
long double ExprDeriv2X(long double x, long double y);
long double ExprDeriv2Y(long double x, long double y);
long double ExprDerivXY(long double x, long double y);
long double ExprViewFnPartial(finite_differences::Partial partial, long double x, long double y,
                              const finite_differences::TSurfaceScales& scales);
