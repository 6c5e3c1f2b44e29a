// A view function whose Z line runs a calculus built-in on a line F1 written below it is
// checked and compiled as it is with F1 above it: the same verdict, message and value.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "expr/expr_test_support.h"
#include "expr/line_order_cases.h"
#include "graph3d/view_function.h"
#include "graph3d/view_function_check.h"

namespace {

class ViewFunctionLineOrderTest : public ExprTest {};

TEST_F(ViewFunctionLineOrderTest, BothOrdersOfTheLinesGiveTheSameVerdictAndValue) {
  for (const TLineOrderCase& c : LineOrderCases()) {
    const std::string z = std::string("X+Y+") + c.call;
    for (const bool works : {true, false}) {
      const std::string what = std::string(c.call) + (works ? " works" : " fails");
      // A line that reads Z is refused in a view function, in both orders alike.
      const bool accepted = works && std::strchr(works ? c.works : c.fails, 'Z') == nullptr;
      std::vector<std::tuple<bool, std::string, std::string, std::string>> checks;
      std::vector<std::tuple<int, int>> compiles;
      std::vector<long double> values;
      for (const std::string& text : BothLineOrders(z, works ? c.works : c.fails)) {
        // The check runs the lines at the middle of the ranges: X = $ = 2, Y = 3 (and Z 4).
        Vars().Z() = 4;
        TViewFnRecord entry;
        entry.text = text;
        entry.ranges = {"1", "3", "2", "4"};
        const TViewFnCheck check = ValidateViewFunction(entry);
        std::string named;  // the start of the line the check names: its kind
        if (check.line >= 0) {
          std::size_t from = 0;
          for (int i = 0; i < check.line && from != std::string::npos; ++i) from = check.text.find('\n', from) + 1;
          named = check.text.substr(from, 2);
        }
        checks.emplace_back(check.ok, check.caption, check.message, named);
        EXPECT_EQ(check.ok, accepted) << what << ": " << text << ": " << check.caption << ": " << check.message;
        if (check.ok) values.push_back(ExprEvalViewFn(2, 1.5L));
        // The compile for the viewer on its own.
        Vars().Z() = 4;
        TLinesFault fault;
        compiles.emplace_back(ExprCompileViewFn(text, 2, 3, fault), MathError());
        EXPECT_EQ(std::get<0>(compiles.back()), works ? 1 : -1) << what << ": " << text;
      }
      EXPECT_EQ(checks[0], checks[1]) << what;
      EXPECT_EQ(compiles[0], compiles[1]) << what;
      if (values.size() == 2) {
        EXPECT_EQ(values[0], values[1]) << what;
        EXPECT_LD_NEAR(values[0], 3.5L + c.value, c.tolerance) << what;
      }
    }
  }
}

}  // namespace
