#include "expr/program_slots.h"

#include <array>
#include <utility>

#include "expr/execution_form.h"

namespace {

std::array<TExprSlot, kExprSlotCount> gSlots;

bool InRange(int slot) { return slot >= 0 && slot < kExprSlotCount; }

}  // namespace

const TExprSlot* ExprSlotAt(int slot) {
  if (!InRange(slot)) return nullptr;
  return &gSlots[static_cast<std::size_t>(slot)];
}

void ExprSlotsInit() { ExprSlotsFreeAll(); }

void ExprSlotsFreeAll() {
  for (TExprSlot& s : gSlots) s = TExprSlot{};
}

int ExprSlotFree(int slot) {
  if (!InRange(slot) || gSlots[static_cast<std::size_t>(slot)].Empty()) return -1;
  gSlots[static_cast<std::size_t>(slot)] = TExprSlot{};
  return slot;
}

int ExprFirstEmptySlot() {
  for (int i = 0; i < kExprSlotCount; ++i) {
    if (gSlots[static_cast<std::size_t>(i)].Empty()) return i;
  }
  return -1;
}

void ExprSlotInstall(int slot, std::vector<TExprInstr> code, std::vector<long double> constants,
                     std::uint32_t tempCount) {
  if (!InRange(slot)) return;
  TExprSlot& s = gSlots[static_cast<std::size_t>(slot)];
  s.code = std::move(code);
  s.constants = std::move(constants);
  s.tempCount = tempCount;
  s.run = ExprExecutionForm(s.code, s.constants);
}

std::uint32_t ExprSlotBytes(int slot) {
  const TExprSlot* s = ExprSlotAt(slot);
  if (!s || s->Empty()) return 0;
  return 10 * static_cast<std::uint32_t>(s->constants.size()) + 10 * s->tempCount +
         12 * static_cast<std::uint32_t>(s->code.size());
}
