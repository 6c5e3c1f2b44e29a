#include "tools/function_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

#include "expr/data_statistics_cells.h"
#include "expr/function_table.h"

namespace {

// Each entry is a name of the language written with as many arguments as the function
// takes (an operator of the conditional list stands as it is), and every built-in a formula
// may call is offered in some list.
TEST(FunctionLists, EntriesAreTheLanguagesOwnSpellingsAndMissNoBuiltin) {
  std::set<std::string> names;
  const std::set<std::string> constants = {"PI", "EULER", "INF", "DATAERR"};
  std::set<std::string> statistics;
  for (int i = 0; i < kExprStatisticCount; ++i) statistics.insert(ExprStatisticName(i));
  for (int list = 0; list < kFunctionListCount; ++list) {
    const TFunctionList& l = FunctionList(list);
    EXPECT_EQ(l.resource, kFunctionListFirstResource + list);
    for (const char* entry : l.entries) {
      const std::string_view e(entry);
      EXPECT_LE(e.size(), 40u) << e;
      if (e.front() == '.' || !std::isalpha(static_cast<unsigned char>(e.front()))) continue;
      const std::string name(e.substr(0, e.find('(')));
      names.insert(name);
      const TExprFunctionRow* row = nullptr;
      for (const TExprFunctionRow& r : ExprFunctionTable())
        if (name == r.name) row = &r;
      if (!row) {
        EXPECT_TRUE(constants.count(name) || statistics.count(name)) << e;
        continue;
      }
      EXPECT_NE(row->handler, nullptr) << e;
      const int args = e.find('(') == std::string_view::npos
                           ? 0
                           : static_cast<int>(std::count(e.begin(), e.end(), ',')) + 1;
      EXPECT_EQ(args, row->args) << e;
    }
  }
  for (const TExprFunctionRow& r : ExprFunctionTable()) {
    const std::string name = r.name;
    if (name[0] == '#' || (name[0] == 'F' && name.size() == 2) || name.back() == '$') continue;
    EXPECT_TRUE(names.count(name)) << name << " is in no list";
  }
  EXPECT_EQ(std::string(FunctionList(kCalculusFunctionList).title),
            "Select Derivative, Integral, or Summation Function");
}

}  // namespace
