#include "expr/execution_form.h"

#include <optional>

namespace {

bool IsOperandLoad(const TExprInstr& in) {
  return in.opcode == kOpMove && (in.space == ExprSpace::kConstant || in.space == ExprSpace::kVariable);
}

// The binary operation `next` consumes the temporary `load` just wrote (it is the top of
// the stack, popped by `next`).
bool Consumes(const TExprInstr& next, const TExprInstr& load) {
  return next.space == ExprSpace::kTemporary && next.source == load.destination &&
         next.destination + 1 == load.destination;
}

std::optional<std::uint16_t> FusedOpcode(const TExprInstr& load, const TExprInstr& next,
                                         const std::vector<long double>& constants) {
  switch (next.opcode) {
    case kOpAdd: return kRunAddOperand;
    case kOpSubtract: return kRunSubtractOperand;
    case kOpMultiply: return kRunMultiplyOperand;
    case kOpDivide: return kRunDivideOperand;
    case kOpPower:
      if (load.space != ExprSpace::kConstant || load.source >= constants.size()) return std::nullopt;
      if (constants[load.source] == 2) return kRunSquare;
      if (constants[load.source] == 3) return kRunCube;
      return std::nullopt;
    default: return std::nullopt;
  }
}

}  // namespace

std::vector<TExprInstr> ExprExecutionForm(const std::vector<TExprInstr>& code,
                                          const std::vector<long double>& constants) {
  std::vector<TExprInstr> run;
  run.reserve(code.size());
  for (std::size_t i = 0; i < code.size(); ++i) {
    const TExprInstr& in = code[i];
    if (i + 1 < code.size() && IsOperandLoad(in) && Consumes(code[i + 1], in)) {
      const TExprInstr& next = code[i + 1];
      if (const auto op = FusedOpcode(in, next, constants)) {
        run.push_back(TExprInstr{in.source, next.destination, *op, in.space});
        ++i;
        continue;
      }
    }
    run.push_back(in);
    if (in.opcode == kOpMove && in.space == ExprSpace::kConstant) run.back().opcode = kRunLoadConstant;
    if (in.opcode == kOpMove && in.space == ExprSpace::kVariable) run.back().opcode = kRunLoadVariable;
  }
  return run;
}
