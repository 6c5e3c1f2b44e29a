#include "expr/interpreter.h"

#include <array>
#include <cmath>

#include "expr/calculus_state.h"
#include "expr/conditional.h"
#include "expr/data_statistics_cells.h"
#include "expr/function_table.h"
#include "expr/math_faults.h"
#include "expr/program_slots.h"
#include "expr/special_functions.h"

namespace {

// Factorials 0! .. 10! and 20!, 30!, ..., 160!, each the 64-bit double nearest the value
// widened to 80 bits (exact up to 20!).
constexpr std::array<double, 11> kSmallFactorials = {
    1.0, 1.0, 2.0, 6.0, 24.0, 120.0, 720.0, 5040.0, 40320.0, 362880.0, 3628800.0};
constexpr std::array<double, 16> kDecadeFactorials = {
    3628800.0,  // 10!
    2.43290200817664e+18,  // 20!
    2.6525285981219107e+32,  // 30!
    8.159152832478977e+47,  // 40!
    3.0414093201713376e+64,  // 50!
    8.32098711274139e+81,  // 60!
    1.1978571669969892e+100,  // 70!
    7.156945704626381e+118,  // 80!
    1.4857159644817615e+138,  // 90!
    9.332621544394415e+157,  // 100!
    1.588245541522743e+178,  // 110!
    6.689502913449127e+198,  // 120!
    6.466855489220474e+219,  // 130!
    1.3462012475717526e+241,  // 140!
    5.713383956445855e+262,  // 150!
    4.7147236359920616e+284,  // 160!
};

// The right operand of a fused instruction: a constant of the slot or a variable.
inline long double Operand(const TExprInstr& in, const long double* C, const long double* V) {
  return in.space == ExprSpace::kConstant ? C[in.source] : V[in.source];
}

}  // namespace

// a1 is the call's own destination; the carriers before it, read backwards, hold a2
// (destination) and a3 (source), a4 and a5, and so on.
void ExprGatherArguments(const TExprInstr* call, int n, const long double* T, long double* a) {
  a[0] = T[call->destination];
  const TExprInstr* carrier = call - 1;
  for (int i = 1; i < n; i += 2, --carrier) {
    a[i] = T[carrier->destination];
    if (i + 1 < n) a[i + 1] = T[carrier->source];
  }
}

long double ExprFactorial(ExprContext& ctx, long double x) {
  if (x < 0) {
    ctx.SetError(kErrFactorialNegative);
    return 0;
  }
  if (x > 1750) {
    ctx.SetError(kErrFactorialOverflow);
    return 0;
  }
  if (x != std::trunc(x)) {  // also a NaN
    ctx.SetError(kErrFactorialNonInteger);
    return 0;
  }
  const int n = static_cast<int>(x);
  if (n <= 10) return kSmallFactorials[static_cast<std::size_t>(n)];
  if (n >= 170) {
    // Past the table: the exponential of the language's own log-gamma function.
    return ExprMathExp(ctx, LNGAM(ctx, x + 1));
  }
  const int m = 10 * (n / 10);
  long double product = 1;
  for (int k = n; k > m; --k) product *= k;
  return product * static_cast<long double>(kDecadeFactorials[static_cast<std::size_t>(m / 10 - 1)]);
}

long double ExprFactorial(long double x) { return ExprFactorial(ExprThreadContext(), x); }

long double ExprSafeDivide(long double a, long double b) {
  return ExprSafeDivide(ExprThreadContext(), a, b);
}

namespace {

// A line of the probed function called (F1..F9) from inside the probed line is recorded,
// not run.
bool RecordProbedLine(ExprContext& ctx, int slot) {
  TLineProbe& probe = *ctx.lineProbe;
  const int line = slot - probe.firstSlot;
  if (ctx.nesting <= probe.nesting || line < 0 || line > 9) return false;
  probe.plain |= static_cast<std::uint16_t>(1u << line);
  return true;
}

// A calculus built-in called by the probed line: the line it would run is recorded, and
// the call gives 0 without running it (an integral of the line would run it hundreds of
// times, to learn only its number).
long double ProbeCalculusCall(ExprContext& ctx, ExprHandler handler, const long double* a) {
  TLineProbe& probe = *ctx.lineProbe;
  const bool binds = CalculusBindsDollar(handler);
  probe.binds = probe.binds || binds;
  const int line = CalculusLineNumber(a[0]);
  if (line >= 0) (binds ? probe.bound : probe.plain) |= static_cast<std::uint16_t>(1u << line);
  return 0;
}

}  // namespace

long double ExprInterpret(int slot) { return ExprInterpret(ExprThreadContext(), slot); }

long double ExprInterpret(ExprContext& ctx, int slot) {
  const TExprSlot* s = ExprSlotAt(slot);
  if (!s || s->Empty()) return ExprErrorValue;
  if (ctx.lineProbe != nullptr && RecordProbedLine(ctx, slot)) return 0;

  // A run outside any entry point (a caller of ExprInterpret itself) is an evaluation of
  // its own.
  if (ctx.evaluations == 0 && ctx.nesting == 0) ctx.ResetRunGuards();
  if (ctx.tempStack.empty()) ctx.tempStack.resize(ExprContext::kTempCapacity);
  // An aborted evaluation has no slot runs left, so one test refuses both. Without a
  // cycle the lines nest at most ten deep, so the nesting limit is met only by a line
  // that reaches itself.
  if (ctx.slotRunsLeft == 0 || ctx.nesting >= ExprContext::kMaxNesting ||
      ctx.tempTop + s->tempCount > ExprContext::kTempCapacity) {
    ctx.AbortRun(kErrInsufficientMemory);
    return ExprErrorValue;
  }
  if (ctx.goOn && ++ctx.runsSinceAsked >= ExprContext::kRunsBetweenAsks) {
    if (!ctx.goOn()) {
      // Asked again at the next run: every later evaluation of the task stops at once.
      ctx.runsSinceAsked = ExprContext::kRunsBetweenAsks;
      ctx.stopped = true;
      ctx.AbortRun(kErrEvaluationCancelled);
      return ExprErrorValue;
    }
    ctx.runsSinceAsked = 0;
  }
  --ctx.slotRunsLeft;
  long double* const T = ctx.tempStack.data() + ctx.tempTop;
  ctx.tempTop += s->tempCount;
  ++ctx.nesting;

  const long double* const C = s->constants.data();
  const long double* const V = ctx.ExprVars.cell.data();
  const long double* const* const S = ExprStatisticCells();
  const TExprInstr* ip = s->run.data();
  const auto functions = ExprFunctionTable();

  for (;; ++ip) {
    const std::uint16_t op = ip->opcode;
    if (op == kOpEnd) break;
    long double& d = T[ip->destination];
    switch (op) {
      case kOpAdd: d += T[ip->source]; break;
      case kOpSubtract: d -= T[ip->source]; break;
      case kOpMultiply: d = T[ip->source] * d; break;
      case kOpDivide: d = ExprSafeDivide(ctx, d, T[ip->source]); break;
      case kOpPower: d = ExprMathPow(ctx, d, T[ip->source]); break;
      case kOpNegate: d = -d; break;
      case kOpAnd:
      case kOpOr:
      case kOpLess:
      case kOpGreater:
      case kOpEqual:
      case kOpNotEqual:
      case kOpLessEqual:
      case kOpGreaterEqual:
      case kOpModulo: d = ExprApplyBinary(ctx, op, d, T[ip->source]); break;
      case kOpFactorial: d = ExprFactorial(ctx, d); break;
      case kOpMove:
        switch (ip->space) {
          case ExprSpace::kConstant: d = C[ip->source]; break;
          case ExprSpace::kVariable: d = V[ip->source]; break;
          case ExprSpace::kStatistic: d = ExprCheckedStatistic(ctx, *S[ip->source]); break;
          default: d = T[ip->source]; break;
        }
        break;
      case kOpCall0: d = functions[ip->source].handler(ctx, nullptr); break;
      case kOpArgCarrier: break;
      case kRunLoadConstant: d = C[ip->source]; break;
      case kRunLoadVariable: d = V[ip->source]; break;
      case kRunAddOperand: d += Operand(*ip, C, V); break;
      case kRunSubtractOperand: d -= Operand(*ip, C, V); break;
      case kRunMultiplyOperand: d = Operand(*ip, C, V) * d; break;
      case kRunDivideOperand: d = ExprSafeDivide(ctx, d, Operand(*ip, C, V)); break;
      case kRunSquare: d = ExprMathSquare(ctx, d); break;
      case kRunCube: d = ExprMathCube(ctx, d); break;
      case kOpErrorMark: ExprMarkErrors(ctx, static_cast<int>(ip->source)); break;
      default:
        if (op >= kOpCall1 && op <= kOpCall10) {
          long double a[10];
          ExprGatherArguments(ip, op - (kOpCall1 - 1), T, a);
          const TExprFunctionRow& row = functions[ip->source];
          if (ctx.lineProbe != nullptr && (row.flags & kTakesSubFunctionNumber) != 0) [[unlikely]]
            d = ProbeCalculusCall(ctx, row.handler, a);
          else
            d = row.handler(ctx, a);
        }
        break;
    }
  }
  const long double result = T[(ip - 1)->destination];
  --ctx.nesting;
  ctx.tempTop -= s->tempCount;
  return result;
}
