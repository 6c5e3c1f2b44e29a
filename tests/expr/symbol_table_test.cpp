// The function table, constants and variables the language starts with.
#include <set>
#include <string>
#include <tuple>

#include "expr/data_statistics_cells.h"
#include "expr/function_table.h"
#include "expr/symbol_table.h"
#include "expr_test_support.h"

namespace {

class SymbolTableTest : public ExprTest {};

TEST_F(SymbolTableTest, FunctionTableAndStartUpSymbols) {
  const auto rows = ExprFunctionTable();
  ASSERT_EQ(rows.size(), 180u);
  std::set<std::string> names;
  int calculus = 0;
  for (const TExprFunctionRow& r : rows) {
    ASSERT_NE(r.name, nullptr);
    EXPECT_LE(std::string(r.name).size(), 11u);
    EXPECT_TRUE(r.args >= 0 && r.args <= 10) << r.name;
    names.insert(r.name);
    calculus += r.flags == kTakesSubFunctionNumber;
  }
  EXPECT_EQ(names.size(), 180u);  // no name repeats
  EXPECT_EQ(calculus, 17);
  // The 39 peak and transition built-ins are rows 18..56: X, then Y, then $ forms.
  const std::tuple<int, std::string, std::uint32_t> peaks[] = {
      {18, "GAUSSX", kUsesX}, {31, "GAUSSY", kUsesY}, {44, "GAUSS$", kUsesDollar}, {56, "POW$", kUsesDollar}};
  for (const auto& [row, name, flags] : peaks) {
    EXPECT_EQ(std::tuple(std::string(rows[row].name), rows[row].flags), std::tuple(name, flags));
  }
  EXPECT_STREQ(rows[57].name, "IF");
  EXPECT_EQ(ExprFindSymbol("DQIP")->token, kTokFunction0 + 6);
  EXPECT_EQ(ExprFindSymbol("HYPF")->token, kTokFunction0 + 4);
  EXPECT_EQ(ExprFindSymbol("INDEX")->flags, kUsesX | kUsesY);
  // Start-up enters the functions, 4 constants and 105 variables; names are whole and
  // case-sensitive.
  EXPECT_EQ(ExprSymbolCount(), 180u + 4u + 105u);
  EXPECT_EQ(ExprFindSymbol("DATAERR")->value, ExprErrorValue);
  EXPECT_EQ(ExprFindSymbol("PI")->token, kTokConstant);
  EXPECT_EQ(ExprFindSymbol("X")->token, kTokPredefVar);
  EXPECT_EQ(ExprFindSymbol("pi"), nullptr);
  EXPECT_EQ(ExprFindSymbol("XMEA"), nullptr);
}

TEST_F(SymbolTableTest, SpellingsOfOneCellShareIt) {
  const TExprSymbol* a3 = ExprFindSymbol("A3");
  for (const char* name : {"#A3", "#D"}) {
    const TExprSymbol* s = ExprFindSymbol(name);
    ASSERT_NE(s, nullptr) << name;
    EXPECT_EQ(s->space, a3->space) << name;
    EXPECT_EQ(s->index, a3->index) << name;
    EXPECT_EQ(s->flags, kUsesA0 << 3) << name;
  }
  EXPECT_EQ(ExprFindSymbol("#A")->index, static_cast<std::uint32_t>(kVarA0));
  EXPECT_EQ(ExprFindSymbol("#J")->index, static_cast<std::uint32_t>(kVarA0 + 9));
  EXPECT_EQ(ExprFindSymbol("$$")->index, static_cast<std::uint32_t>(kVarDollar2));
  EXPECT_EQ(ExprFindSymbol("$$")->flags, kUsesDollar);
  // "XMN" reads the same statistic as "XMEAN".
  const TExprSymbol* mn = ExprFindSymbol("XMN");
  const TExprSymbol* mean = ExprFindSymbol("XMEAN");
  EXPECT_EQ(ExprStatisticCell(static_cast<int>(mn->index)), ExprStatisticCell(static_cast<int>(mean->index)));
  EXPECT_EQ(ExprStatisticCell(static_cast<int>(mean->index)), &stats_.X.Mean);
}

TEST_F(SymbolTableTest, StatisticNamesReadTheirFields) {
  struct Case {
    const char* name;
    const long double* cell;
  };
  const Case cases[] = {
      {"XMIN", &stats_.X.Min},          {"YSTD", &stats_.Y.StdDev},
      {"ZRANGE", &stats_.Z.Range},      {"XATYMIN", &stats_.X.AtMin1},
      {"XATZMAX", &stats_.X.AtMax2},    {"YATXMAX", &stats_.Y.AtMax1},
      {"YATZMIN", &stats_.Y.AtMin2},    {"ZATYMAX", &stats_.Z.AtMax2},
      {"ZATXYMIN", &stats_.Z.AtMinRXY}, {"YATXYZMAX", &stats_.Y.AtMaxRXYZ},
      {"XATXMAXYMIN", &stats_.X.AtPos[0]}, {"YATXMNYMN", &stats_.Y.AtPos[4]},
      {"ZATXMINYMAX", &stats_.Z.AtPos[8]},
  };
  for (const Case& c : cases) {
    const TExprSymbol* s = ExprFindSymbol(c.name);
    ASSERT_NE(s, nullptr) << c.name;
    EXPECT_EQ(s->space, ExprSpace::kStatistic) << c.name;
    EXPECT_EQ(s->flags, kUsesDataStatistic) << c.name;
    EXPECT_EQ(ExprStatisticCell(static_cast<int>(s->index)), c.cell) << c.name;
  }
}

}  // namespace
