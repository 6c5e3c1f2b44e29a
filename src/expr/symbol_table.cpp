#include "expr/symbol_table.h"

#include <deque>
#include <limits>
#include <string>
#include <unordered_map>

#include "app/long_double.h"
#include "expr/data_statistics_cells.h"
#include "expr/eval_context.h"
#include "expr/function_table.h"

namespace {

// Nodes in a deque keep their addresses while the list grows; the index maps each name
// to its newest node, which is the one a walk from the head of the list would find.
struct SymbolList {
  std::deque<TExprSymbol> nodes;
  std::unordered_map<std::string, TExprSymbol*> byName;
};

SymbolList& Symbols() {
  static SymbolList list;
  return list;
}

struct ConstantRow {
  const char* name;
  long double value;
};

// Mathematical constants are the 64-bit doubles nearest their values, widened.
const ConstantRow kConstants[kExprConstantCount] = {
    {"PI", static_cast<long double>(3.141592653589793)},
    {"INF", std::numeric_limits<long double>::infinity()},
    {"EULER", static_cast<long double>(0.5772156649015329)},
    {"DATAERR", ExprErrorValue},
};

void AddVariable(const char* name, std::uint32_t cell, std::uint32_t flags) {
  TExprSymbol* s = ExprAddSymbol(name, kTokPredefVar, flags);
  s->space = ExprSpace::kVariable;
  s->index = cell;
}

void AddVariableTable() {
  for (int i = 0; i < kExprStatisticCount; ++i) {
    TExprSymbol* s = ExprAddSymbol(ExprStatisticName(i), kTokPredefVar, kUsesDataStatistic);
    s->space = ExprSpace::kStatistic;
    s->index = static_cast<std::uint32_t>(i);
  }
  AddVariable("W", kVarW, kUsesW);
  AddVariable("Y", kVarY, kUsesY);
  AddVariable("Z", kVarZ, kUsesZ);
  AddVariable("$", kVarDollar, kUsesDollar);
  AddVariable("$$", kVarDollar2, kUsesDollar);
  // The parameters by letter, "#J" (A9) down to "#A" (A0).
  for (int i = 9; i >= 0; --i) {
    const char name[3] = {'#', static_cast<char>('A' + i), '\0'};
    AddVariable(name, kVarA0 + static_cast<std::uint32_t>(i), kUsesA0 << i);
  }
  for (int i = 9; i >= 0; --i) {
    const char name[4] = {'#', 'A', static_cast<char>('0' + i), '\0'};
    AddVariable(name, kVarA0 + static_cast<std::uint32_t>(i), kUsesA0 << i);
  }
  for (int i = 9; i >= 0; --i) {
    const char name[3] = {'A', static_cast<char>('0' + i), '\0'};
    AddVariable(name, kVarA0 + static_cast<std::uint32_t>(i), kUsesA0 << i);
  }
  AddVariable("X", kVarX, kUsesX);
}

}  // namespace

TExprSymbol* ExprAddSymbol(std::string_view name, int token, std::uint32_t flags) {
  SymbolList& list = Symbols();
  TExprSymbol& s = list.nodes.emplace_back();
  s.name.assign(name);
  s.token = token;
  s.flags = flags;
  list.byName[s.name] = &s;
  return &s;
}

TExprSymbol* ExprFindSymbol(std::string_view name) {
  SymbolList& list = Symbols();
  const auto it = list.byName.find(std::string(name));
  return it == list.byName.end() ? nullptr : it->second;
}

void ExprFreeSymbols() {
  SymbolList& list = Symbols();
  list.byName.clear();
  list.nodes.clear();
}

std::size_t ExprSymbolCount() { return Symbols().nodes.size(); }

void ExprBuildSymbols() {
  ExprFreeSymbols();
  const auto functions = ExprFunctionTable();
  for (std::uint32_t i = 0; i < functions.size(); ++i) {
    const TExprFunctionRow& row = functions[i];
    TExprSymbol* s = ExprAddSymbol(row.name, kTokFunction0 + row.args, row.flags);
    s->space = ExprSpace::kFunction;
    s->index = i;
  }
  for (const ConstantRow& c : kConstants) ExprAddSymbol(c.name, kTokConstant, 0)->value = c.value;
  AddVariableTable();
}
