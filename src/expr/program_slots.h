// The 180 numbered program slots of compiled expression code, shared by every thread.
//
// User-defined function k (0..14) owns slots 10k (its Z line) and 10k+1..10k+9 (its lines
// F1..F9), the data calculation slots 150..153, the view function slot 160 (Z) and
// 161..169 (F1..F9); the rest is free for a compile that asks for the first empty slot.
// Slots are written only by the compiler (one thread at a time) and read by the
// interpreter; a slot must not be recompiled while another thread runs it.
#pragma once

#include <cstdint>
#include <vector>

#include "expr/expr_types.h"

struct TExprSlot {
  std::vector<TExprInstr> code;         // ends with an instruction of opcode 0; empty = slot empty
  std::vector<long double> constants;   // literal numbers, named constants, user-variable values
  std::uint32_t tempCount = 0;          // deepest evaluation stack + 1
  // What the interpreter executes: the code with each constant or variable load that
  // only feeds the next +, -, * or / fused into it, and X^2, X^3 as multiplications
  // (see execution_form.h). Same results to the last bit; the code stays the program's
  // recorded form.
  std::vector<TExprInstr> run;

  bool Empty() const { return code.empty(); }
};

// The slot table itself (index 0..179); use ExprSlotAt for checked access.
const TExprSlot* ExprSlotAt(int slot);

void ExprSlotsInit();
void ExprSlotsFreeAll();

// Releases a filled slot; returns the slot, or -1 for a number outside 0..179 or an
// empty slot.
int ExprSlotFree(int slot);
// The lowest empty slot, or -1 when all are filled.
int ExprFirstEmptySlot();

// Puts a finished program into a slot (the slot was emptied when the compile began).
void ExprSlotInstall(int slot, std::vector<TExprInstr> code, std::vector<long double> constants,
                     std::uint32_t tempCount);

// Size of a filled slot as the language counts it: 10 bytes per constant and per
// temporary, 12 per instruction with the terminator.
std::uint32_t ExprSlotBytes(int slot);
