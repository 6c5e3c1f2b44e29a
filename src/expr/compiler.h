// Code emission for a compile: the parser calls these as it reduces, with the compile
// state of the calling thread's context. In mode 1 they only count (instructions,
// constants, depth of the temporary stack); in mode 2 they write the program, which
// ExprSlotEnd installs in the slot when it is complete.
#pragma once

#include <cstdint>

#include "expr/eval_context.h"

// Mode of a compile pass.
enum ExprCompileMode : int { kModeInterpret = 0, kModeCount = 1, kModeEmit = 2 };

class ExprEmitter {
 public:
  explicit ExprEmitter(TExprCompileState& state) : s_(state) {}

  bool Active() const { return s_.mode != kModeInterpret; }
  void ConstantLoad(long double value);
  void VariableLoad(ExprSpace space, std::uint32_t index);
  void Call0(std::uint32_t function);
  void Binary(std::uint16_t opcode);
  void Unary(std::uint16_t opcode);
  void Call(std::uint32_t function, int n);
  // The error mark after argument n of an "IF" call.
  void ErrorMark(int n);

 private:
  void Emit(std::uint32_t source, int destination, std::uint16_t opcode, ExprSpace space);
  void PushTemp();
  TExprCompileState& s_;
};

// Prepares `slot` for a pass in `mode`: a negative slot means the lowest empty slot; a
// filled slot is released first. Returns the slot, or -1 when none is free, the number
// is out of range, or the program's blocks cannot be allocated (the slot stays empty).
int ExprSlotBegin(int slot, int mode);
// Ends the pass: after an emitting pass the program is installed in the slot (unless the
// pass produced nothing or more than the counting pass sized). Returns the slot's size
// in bytes (10 per constant and temporary, 12 per instruction with the terminator), 0
// when nothing was installed; the mode is back to 0.
int ExprSlotEnd();
// The slot of the last compile (the one chosen for a negative request).
int ExprCurrentSlot();

#include <mutex>

// Serialises everything that parses or compiles: the symbol list and the program slots
// are shared by all threads.
std::recursive_mutex& ExprCompileMutex();
