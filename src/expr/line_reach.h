// Which lines of a function each of its lines runs, and the two faults that follow from it.
//
// A line runs another line of its function (slot 10 x CurrentUdf + n) through a call of Fn,
// through a derivative or an implicit solver (DX(n), IMPLICIT(n, ...)), and through a
// built-in that binds $ (the integrals, SUM, PROD, SER), which runs it as its integrand or
// term. Two texts can then never give a value:
// - a line that reaches itself, directly or through other lines, runs without end; and
// - a built-in that binds $ whose line reaches another such built-in (Z=AI(1,0,1) with
//   F1=SUM(2,1,5,1)) is refused at every evaluation with "Calculus Functions Cannot Be
//   Nested", since the two would share $ and the integral record.
// The test run of a compile cannot tell either while a line it calls is still empty (lines
// compiled before the lines they call, a cycle closed through an integral, which the
// nesting refusal ends before it comes round), so the lines are probed: each installed
// line is run once with every line it calls recorded instead of run (the call gives 0),
// under the error cells and variables of the caller, which are put back afterwards. The
// line numbers are those the built-ins compute, at the variables as they stand.
#pragma once

#include <array>
#include <cstdint>

#include "expr/eval_context.h"

struct TLineReach {
  // Bit m of plain[n]: line n runs line m through a call of Fm, a derivative or an implicit
  // solver; of bound[n]: through a built-in that binds $.
  std::array<std::uint16_t, 10> plain{}, bound{};
  // Line n itself calls a built-in that binds $ (whether or not its line is defined).
  std::array<bool, 10> binds{};
  std::array<bool, 10> defined{};
};

// Probes every installed line of function `udf` (0..14, 16 for the view function) on the
// calling thread's context.
TLineReach ProbeFunctionLines(ExprContext& ctx, int udf);

// The lines line n runs, in one step or more (bit m: line m).
std::uint16_t LinesReached(const TLineReach& reach, int n);

// Does line n run itself, through any chain of lines?
bool LineReachesItself(const TLineReach& reach, int n);

// Does line n hold a built-in that binds $ whose line runs (itself or through the lines it
// runs) another such built-in?
bool LineNestsCalculus(const TLineReach& reach, int n);
