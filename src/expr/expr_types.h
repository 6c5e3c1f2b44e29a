// The vocabulary of the calculation language: token numbers, name flags, operation codes,
// the instruction form of a compiled program and the shape of a built-in's handler.
#pragma once

#include <cstdint>

struct ExprContext;

// Number of program slots and the ranges the program's features own.
inline constexpr int kExprSlotCount = 180;
inline constexpr int kExprViewFnUdf = 16;     // CurrentUdf while the view function runs
inline constexpr int kExprViewFnSlot = 10 * kExprViewFnUdf;  // 160, its Z line; 161..169 its F1..F9
inline constexpr int kExprCalcSlotFirst = 150;  // data calculation: X, Y, Z, W in 150..153
// A slot holding a line of a user-defined function (0..149) or of the view function
// (160..169): its compile defines a function for data to come, where a data calculation's
// runs on the data at hand.
inline constexpr bool ExprFunctionSlot(int slot) {
  return (slot >= 0 && slot < kExprCalcSlotFirst) || (slot >= kExprViewFnSlot && slot < kExprViewFnSlot + 10);
}

// Tokens the lexer returns. Characters of "+-*/^,()=!%" are returned as their own codes.
enum ExprToken : int {
  kTokError = -1,
  kTokEnd = 0,
  kTokNumber = 257,
  kTokUserVar = 258,
  kTokPredefVar = 259,
  kTokConstant = 260,
  kTokFunction0 = 261,  // 261 + n: a built-in of n arguments (n 0..10)
  kTokFunction10 = 271,
  kTokAnd = 273,
  kTokOr = 274,
  kTokLess = 275,
  kTokGreater = 276,
  kTokEqual = 277,
  kTokNotEqual = 278,
  kTokLessEqual = 279,
  kTokGreaterEqual = 280,
};

// Bits a name contributes to ExprVarsUsed when the lexer meets it.
enum ExprNameFlag : std::uint32_t {
  kUsesX = 0x1,
  kUsesY = 0x2,
  kUsesZ = 0x4,
  kUsesW = 0x8,
  kUsesDollar = 0x10,
  kUsesDataStatistic = 0x20,
  kUsesA0 = 0x40,  // shifted left by i for Ai: 0x40 .. 0x8000
  kUsesSubFunction = 0x10000,
  kTakesSubFunctionNumber = 0x20000,  // first argument of a calculus built-in is Fn's n
};

// Operation codes of compiled instructions.
enum ExprOpcode : std::uint16_t {
  kOpEnd = 0,
  kOpAdd = 1,
  kOpSubtract = 2,
  kOpAnd = 3,
  kOpMultiply = 4,
  kOpDivide = 5,
  kOpOr = 6,
  kOpPower = 7,
  kOpLess = 8,
  kOpNegate = 9,
  kOpGreater = 10,
  kOpEqual = 11,
  kOpNotEqual = 12,
  kOpLessEqual = 13,
  kOpGreaterEqual = 14,
  kOpFactorial = 15,
  kOpModulo = 16,
  kOpMove = 32,
  kOpCall0 = 33,
  // Records the error state between the arguments of "IF" (source: 1 after the
  // condition, 2 after the first branch; see conditional.h).
  kOpErrorMark = 48,
  kOpArgCarrier = 64,
  kOpCall1 = 66,  // 65 + n for a call with n arguments, n 1..10
  kOpCall10 = 75,
};

// Operations of a slot's execution form only (never in its code): loads by their space, an
// arithmetic operation whose right operand is read straight from a constant or variable,
// and the whole powers 2 and 3 as multiplications.
enum ExprRunOpcode : std::uint16_t {
  kRunLoadConstant = 128,
  kRunLoadVariable,
  kRunAddOperand,
  kRunSubtractOperand,
  kRunMultiplyOperand,
  kRunDivideOperand,
  kRunSquare,
  kRunCube,
};

// Where an instruction's source operand lives. Compiled slots are shared by every thread,
// so operands are indices into per-run spaces instead of raw addresses: the constants of
// the slot, the temporaries and variables of the running thread, the data statistics, or
// the function table.
enum class ExprSpace : std::uint8_t {
  kNone,
  kConstant,
  kTemporary,
  kVariable,
  kStatistic,
  kFunction,
};

inline constexpr std::uint32_t kExprNoOperand = 0xFFFFFFFFu;

// One instruction: the destination is always a temporary of the running slot (and for a
// binary operation it also holds the left operand).
struct TExprInstr {
  std::uint32_t source = kExprNoOperand;
  std::uint32_t destination = 0;
  std::uint16_t opcode = kOpEnd;
  ExprSpace space = ExprSpace::kNone;
};

// A built-in function body: called with the evaluating thread's context and its arguments
// a1..an in order (a[0] .. a[n-1]); returns the value. Domain faults are reported with
// ExprContext::SetError and a fallback value, never by stopping the run.
using ExprHandler = long double (*)(ExprContext& ctx, const long double* a);
