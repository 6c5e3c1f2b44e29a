#include "expr/parser.h"

#include <array>
#include <cstdint>
#include <vector>

#include "expr/builtins.h"
#include "expr/compiler.h"
#include "expr/conditional.h"
#include "expr/data_statistics_cells.h"
#include "expr/function_table.h"
#include "expr/interpreter.h"
#include "expr/lexer.h"

namespace {

// Grammar symbols the stack holds. Expr carries a computed value; the others mark where
// the parse stands, as the states of an LR automaton would.
enum class Sym : std::uint8_t {
  Start,
  Statement,
  Expr,
  UserVar,    // a user variable, before it is known whether "=" follows
  Assign,     // user variable "="
  BinaryOp,   // a binary operator, its token in `token`
  Negate,     // unary minus
  LParen,
  Function,   // a function name of n >= 1 arguments, before its "("
  CallParen,  // the "(" of a call
  Comma,      // a "," between arguments, with the count of arguments before it
  Closing,    // ")" or "!", shifted and reduced at once
};

struct Entry {
  Sym kind;
  int token = 0;
  long double value = 0;
  TExprSymbol* symbol = nullptr;  // UserVar, Function, CallParen, Comma: the symbol
  int argsBefore = 0;             // Comma
};

// Binding strength of the operators, and whether equal strengths group to the right.
int Precedence(int token) {
  switch (token) {
    case '=': return 1;
    case kTokAnd:
    case kTokOr: return 2;
    case kTokLess:
    case kTokGreater:
    case kTokEqual:
    case kTokNotEqual:
    case kTokLessEqual:
    case kTokGreaterEqual: return 3;
    case '+':
    case '-': return 4;
    case '*':
    case '/':
    case '%': return 5;
    case '^': return 7;
    case '!': return 8;
    default: return 0;
  }
}
constexpr int kNegatePrecedence = 6;

bool IsBinaryOperator(int token) { return Precedence(token) >= 2 && token != '!'; }

std::uint16_t BinaryOpcode(int token) {
  switch (token) {
    case kTokAnd: return kOpAnd;
    case kTokOr: return kOpOr;
    case kTokLess: return kOpLess;
    case kTokGreater: return kOpGreater;
    case kTokEqual: return kOpEqual;
    case kTokNotEqual: return kOpNotEqual;
    case kTokLessEqual: return kOpLessEqual;
    case kTokGreaterEqual: return kOpGreaterEqual;
    case '+': return kOpAdd;
    case '-': return kOpSubtract;
    case '*': return kOpMultiply;
    case '/': return kOpDivide;
    case '%': return kOpModulo;
    default: return kOpPower;  // '^'
  }
}

class Parser {
 public:
  Parser(ExprContext& ctx, std::string_view text)
      : ctx_(ctx), lexer_(ctx, text), emit_(ctx.compile) {
    stack_.reserve(kExprParserStackSize);
  }

  int Run();

 private:
  bool Room() const;
  bool Push(Entry e);
  int Lookahead();
  void Consume() { haveLookahead_ = false; }
  int SyntaxError();
  Entry& Top() { return stack_.back(); }
  Entry& Below() { return stack_[stack_.size() - 2]; }
  void ReplaceTop(std::size_t n, long double value);

  bool OperandExpected(int token);
  bool AfterExpression(int token);
  void ReduceOperator();
  bool ShiftsOver(int token, const Entry& below) const;
  void ReduceCall(int n);
  long double PredefinedValue(const TExprSymbol& s);

  ExprContext& ctx_;
  ExprLexer lexer_;
  ExprEmitter emit_;
  std::vector<Entry> stack_;
  int lookahead_ = kTokEnd;
  bool haveLookahead_ = false;
};

// The error routine: the message is not shown (the syntax code tells the user what went
// wrong); the result becomes the missing value.
int Parser::SyntaxError() {
  ctx_.ExprResult = ExprErrorValue;
  return 1;
}

bool Parser::Room() const { return stack_.size() < static_cast<std::size_t>(kExprParserStackSize); }

bool Parser::Push(Entry e) {
  if (!Room()) return false;  // "Parser stack overflow"
  stack_.push_back(e);
  return true;
}

// The lookahead token, read when first needed; an error token from the lexer is read as
// the end of the text.
int Parser::Lookahead() {
  if (!haveLookahead_) {
    lookahead_ = lexer_.Next();
    if (lookahead_ < 0) lookahead_ = kTokEnd;
    haveLookahead_ = true;
  }
  return lookahead_;
}

// Pops n entries and pushes an expression with `value`.
void Parser::ReplaceTop(std::size_t n, long double value) {
  stack_.resize(stack_.size() - n);
  stack_.push_back(Entry{Sym::Expr, 0, value});
}

long double Parser::PredefinedValue(const TExprSymbol& s) {
  if (s.space == ExprSpace::kStatistic) {
    const int i = static_cast<int>(s.index);
    const long double v = *ExprStatisticCell(i);
    // The trial run of a function's compile does not refuse a line for a statistic the data
    // do not give yet (the session's functions load before any data); a data calculation's
    // compile is refused, as its runs would be.
    if (ctx_.compile.mode != kModeInterpret && ExprFunctionSlot(ctx_.compile.slot) && IsMissingValue(v))
      return ExprStatisticTrialValue(i);
    return ExprCheckedStatistic(ctx_, v);
  }
  return ctx_.ExprVars.cell[s.index];
}

bool Parser::ShiftsOver(int token, const Entry& below) const {
  const int mine = Precedence(token);
  const int theirs = below.kind == Sym::Negate ? kNegatePrecedence : Precedence(below.token);
  if (mine != theirs) return mine > theirs;
  return token == '^' || token == '=';  // right-associative
}

// Reduces the operator rule that ends at the top: expr op expr, - expr, or
// user variable = expr.
void Parser::ReduceOperator() {
  const Entry& below = Below();
  const long double right = Top().value;
  if (below.kind == Sym::Negate) {
    emit_.Unary(kOpNegate);
    ReplaceTop(2, -right);
  } else if (below.kind == Sym::Assign) {
    // The variable takes the value at once; no code beyond the right side's. An aborted
    // evaluation (stopped by the user, or past a run guard) assigns nothing.
    if (ctx_.abortCode == 0) stack_[stack_.size() - 3].symbol->value = right;
    ReplaceTop(3, right);
  } else {
    const std::uint16_t op = BinaryOpcode(below.token);
    const long double left = stack_[stack_.size() - 3].value;
    const long double value = ExprApplyBinary(ctx_, op, left, right);
    emit_.Binary(op);
    ReplaceTop(3, value);
  }
}

// Reduces FUNCn ( e1 , ... , en ) with the ")" on top.
void Parser::ReduceCall(int n) {
  std::array<long double, 10> args{};
  const std::size_t first = stack_.size() - 1 - static_cast<std::size_t>(2 * n);  // the "("
  for (int i = 0; i < n; ++i) args[static_cast<std::size_t>(i)] = stack_[first + 1 + 2 * static_cast<std::size_t>(i)].value;
  const TExprSymbol& fn = *stack_[first].symbol;
  const long double value = ExprFunctionRow(fn.index)->handler(ctx_, args.data());
  emit_.Call(fn.index, n);
  ReplaceTop(static_cast<std::size_t>(2 * n + 2), value);
}

// At a place where an operand must begin.
bool Parser::OperandExpected(int token) {
  if (token == kTokNumber || token == kTokConstant || token == kTokPredefVar ||
      token == kTokFunction0) {
    // Shifted and reduced at once, before the next token is read.
    if (!Room()) return false;
    Consume();
    const TExprSymbol* s = lexer_.Symbol();
    long double value = 0;
    if (token == kTokNumber) {
      value = lexer_.Number();
      emit_.ConstantLoad(value);
    } else if (token == kTokConstant) {
      value = s->value;
      emit_.ConstantLoad(value);
    } else if (token == kTokPredefVar) {
      value = PredefinedValue(*s);
      emit_.VariableLoad(s->space, s->index);
    } else {
      value = ExprFunctionRow(s->index)->handler(ctx_, nullptr);
      emit_.Call0(s->index);
    }
    stack_.push_back(Entry{Sym::Expr, 0, value});
    return true;
  }
  Entry e{Sym::Start};
  if (token == kTokUserVar) {
    e = Entry{Sym::UserVar, token, 0, lexer_.Symbol()};
  } else if (token > kTokFunction0 && token <= kTokFunction10) {
    e = Entry{Sym::Function, token, 0, lexer_.Symbol()};
  } else if (token == '(') {
    e = Entry{Sym::LParen, token};
  } else if (token == '-') {
    e = Entry{Sym::Negate, token};
  } else {
    return false;
  }
  if (!Push(e)) return false;
  Consume();
  return true;
}

// With an expression on top of the stack.
bool Parser::AfterExpression(int token) {
  const Entry& below = Below();
  const bool operatorBelow =
      below.kind == Sym::BinaryOp || below.kind == Sym::Negate || below.kind == Sym::Assign;
  if (IsBinaryOperator(token) || token == '!') {
    if (operatorBelow && !ShiftsOver(token, below)) {
      ReduceOperator();
      return true;
    }
    if (token == '!') {
      if (!Room()) return false;
      Consume();
      const long double value = ExprFactorial(ctx_, Top().value);
      emit_.Unary(kOpFactorial);
      Top().value = value;
      return true;
    }
    if (!Push(Entry{Sym::BinaryOp, token})) return false;
    Consume();
    return true;
  }
  if (token != ')' && token != ',' && token != kTokEnd) {
    return false;
  }
  if (operatorBelow) {
    ReduceOperator();
    return true;
  }
  if (token == kTokEnd) {
    if (below.kind != Sym::Start) {
      return false;
    }
    ctx_.ExprResult = Top().value;
    stack_.back() = Entry{Sym::Statement};
    return true;
  }
  if (token == ')' && below.kind == Sym::LParen) {
    if (!Push(Entry{Sym::Closing, token})) return false;
    Consume();
    const long double value = stack_[stack_.size() - 2].value;
    ReplaceTop(3, value);
    return true;
  }
  if (below.kind == Sym::CallParen || below.kind == Sym::Comma) {
    const int args = (below.kind == Sym::Comma ? below.argsBefore : 0) + 1;
    const int wanted = below.symbol->token - kTokFunction0;
    if (token == ')' && args == wanted) {
      if (!Push(Entry{Sym::Closing, token})) return false;
      Consume();
      ReduceCall(args);
      return true;
    }
    if (token == ',' && args < wanted) {
      TExprSymbol* fn = below.symbol;
      if (ExprFunctionRow(fn->index)->handler == &BuiltinIF) {
        ExprMarkErrors(ctx_, args);
        emit_.ErrorMark(args);
      }
      if (!Push(Entry{Sym::Comma, token, 0, fn, args})) return false;
      Consume();
      return true;
    }
  }
  return false;
}

int Parser::Run() {
  Push(Entry{Sym::Start});
  for (;;) {
    const Sym kind = Top().kind;
    const int token = Lookahead();
    bool ok = true;
    switch (kind) {
      case Sym::Statement:
        return token == kTokEnd ? 0 : SyntaxError();
      case Sym::Expr:
        ok = AfterExpression(token);
        break;
      case Sym::UserVar:
        if (token == '=') {
          ok = Push(Entry{Sym::Assign, token});
          Consume();
        } else {
          // Its value as it stands now; compiled as a constant.
          const long double value = Top().symbol->value;
          emit_.ConstantLoad(value);
          Top() = Entry{Sym::Expr, 0, value};
        }
        break;
      case Sym::Function:
        if (token == '(') {
          TExprSymbol* fn = Top().symbol;
          ok = Push(Entry{Sym::CallParen, token, 0, fn});
          Consume();
        } else {
          ok = false;
        }
        break;
      default:
        if (kind == Sym::Start && token == kTokEnd) {
          ctx_.ExprResult = ExprErrorValue;  // the empty statement
          ok = Push(Entry{Sym::Statement});
        } else {
          ok = OperandExpected(token);
        }
        break;
    }
    if (!ok) return SyntaxError();
  }
}

}  // namespace

int ExprParse(ExprContext& ctx, std::string_view text) {
  Parser parser(ctx, text);
  return parser.Run();
}
