#include "expr/compiler.h"

#include <algorithm>
#include <new>

#include "expr/program_slots.h"

void ExprEmitter::Emit(std::uint32_t source, int destination, std::uint16_t opcode, ExprSpace space) {
  ++s_.instrCount;
  if (s_.mode != kModeEmit) return;
  if (s_.code.size() >= s_.countedInstrs || destination < 0) {
    s_.overrun = true;
    return;
  }
  s_.code.push_back(TExprInstr{source, static_cast<std::uint32_t>(destination), opcode, space});
}

void ExprEmitter::PushTemp() {
  ++s_.tempTop;
  s_.deepestTemp = std::max(s_.deepestTemp, s_.tempTop);
  if (s_.mode == kModeEmit && s_.tempTop > s_.countedDeepest) s_.overrun = true;
}

void ExprEmitter::ConstantLoad(long double value) {
  if (!Active()) return;
  PushTemp();
  const std::uint32_t c = s_.constCount++;
  if (s_.mode == kModeEmit) {
    if (s_.constants.size() >= s_.countedConsts) {
      s_.overrun = true;
    } else {
      s_.constants.push_back(value);
    }
  }
  Emit(c, s_.tempTop, kOpMove, ExprSpace::kConstant);
}

void ExprEmitter::VariableLoad(ExprSpace space, std::uint32_t index) {
  if (!Active()) return;
  PushTemp();
  Emit(index, s_.tempTop, kOpMove, space);
}

void ExprEmitter::Call0(std::uint32_t function) {
  if (!Active()) return;
  PushTemp();
  Emit(function, s_.tempTop, kOpCall0, ExprSpace::kFunction);
}

void ExprEmitter::Binary(std::uint16_t opcode) {
  if (!Active()) return;
  Emit(static_cast<std::uint32_t>(s_.tempTop), s_.tempTop - 1, opcode, ExprSpace::kTemporary);
  --s_.tempTop;
}

void ExprEmitter::Unary(std::uint16_t opcode) {
  if (!Active()) return;
  Emit(kExprNoOperand, s_.tempTop, opcode, ExprSpace::kNone);
}

// The arguments lie in the temporaries a1 = t-n+1 .. an = t. Carriers hold two
// arguments each, from the last downwards; for an even n the first carrier holds only
// the last argument. The call's own destination is a1, which receives the result.
void ExprEmitter::Call(std::uint32_t function, int n) {
  if (!Active()) return;
  const int a1 = s_.tempTop - n + 1;
  int k = n;  // the highest argument not yet carried
  if (n % 2 == 0) {
    Emit(kExprNoOperand, a1 + k - 1, kOpArgCarrier, ExprSpace::kNone);
    --k;
  }
  for (; k >= 3; k -= 2) {
    Emit(static_cast<std::uint32_t>(a1 + k - 1), a1 + k - 2, kOpArgCarrier, ExprSpace::kTemporary);
  }
  Emit(function, a1, static_cast<std::uint16_t>(kOpCall1 - 1 + n), ExprSpace::kFunction);
  s_.tempTop = a1;
}

void ExprEmitter::ErrorMark(int n) {
  if (!Active()) return;
  Emit(static_cast<std::uint32_t>(n), s_.tempTop, kOpErrorMark, ExprSpace::kNone);
}

int ExprSlotBegin(int slot, int mode) {
  TExprCompileState& s = ExprThreadContext().compile;
  if (slot < 0) slot = ExprFirstEmptySlot();
  if (slot < 0 || slot >= kExprSlotCount) return -1;
  ExprSlotFree(slot);
  if (mode == kModeEmit) {
    s.countedInstrs = s.instrCount;
    s.countedConsts = s.constCount;
    s.countedDeepest = s.deepestTemp;
    s.code.clear();
    s.constants.clear();
    try {
      s.code.reserve(s.countedInstrs + 1);
      s.constants.reserve(s.countedConsts);
    } catch (const std::bad_alloc&) {
      return -1;
    }
  }
  s.instrCount = 0;
  s.constCount = 0;
  s.tempTop = -1;
  s.deepestTemp = -1;
  s.overrun = false;
  s.mode = mode;
  s.slot = slot;
  return slot;
}

int ExprSlotEnd() {
  TExprCompileState& s = ExprThreadContext().compile;
  const int mode = s.mode;
  s.mode = kModeInterpret;
  if (mode != kModeEmit) return 0;
  if (s.overrun || s.code.empty()) {
    s.code.clear();
    s.constants.clear();
    return 0;
  }
  s.code.push_back(TExprInstr{});  // the terminator, opcode 0
  const auto temps = static_cast<std::uint32_t>(s.deepestTemp + 1);
  ExprSlotInstall(s.slot, std::move(s.code), std::move(s.constants), temps);
  s.code = {};
  s.constants = {};
  return static_cast<int>(ExprSlotBytes(s.slot));
}

int ExprCurrentSlot() { return ExprThreadContext().compile.slot; }
