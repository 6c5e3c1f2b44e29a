// A Z line that runs a calculus built-in on a line F1 written below it is loaded and
// checked as it is with F1 above it, on every road a user function takes: UdfLoad, the
// User Functions dialog's check, a library read, and the session file (whose install names
// each function that did not load, and why).
#include <tuple>

#include "app/c_format.h"

#include "expr/function_text_lines.h"
#include "expr/line_order_cases.h"
#include "expr/program_slots.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_session.h"
#include "tools/udf/udf_validation.h"
#include "udf_test_support.h"

namespace {

class UdfLineOrderTest : public UdfTest {
 protected:
  // Function k with the text, one parameter A0 starting at 0.5.
  TUdfRecord& Function(int k, const std::string& text) {
    return Parsed(k, "ORDER" + std::to_string(k), text, {{"-1e25", "0.5", "1e25"}});
  }
  // Function k's value at X 2, Y 1.5 and A0 0.5.
  static long double ValueOf(int k) {
    const TCurrentUdfScope udf(Ctx(), k);
    Vars().X() = 2;
    Vars().Y() = 1.5L;
    Vars().A(0) = 0.5L;
    return ExprRunSlot(10 * k);
  }
  // The line of function k's text at 0-based index `line`, or "" for none.
  static std::string LineOf(int k, int line) {
    const std::vector<std::string_view> lines = UdfTextLines(UdfFieldText(Udf(k)->Text));
    return line >= 0 && static_cast<std::size_t>(line) < lines.size() ? std::string(lines[static_cast<std::size_t>(line)])
                                                                      : std::string();
  }
};

// The Part's example: A0 + Y + the root of Z^2 - 2 - X/100 at X 2, Y 1.5, A0 0.5.
TEST_F(UdfLineOrderTest, AnImplicitLineBelowItsCallerLoads) {
  const std::vector<std::string> texts = BothLineOrders("A0+Y+IMPLICIT(1,0,1,1E-12)", "Z*Z-2-X/100");
  for (std::size_t i = 0; i < texts.size(); ++i) {
    Function(3, texts[i]);
    TLinesFault fault;
    EXPECT_EQ(UdfLoad(3, fault), 1) << texts[i];
    EXPECT_LD_NEAR(ValueOf(3), 3.42126704035518951L, 1e-11L) << texts[i];
    const TUdfVerdict v = ValidateUdf(3, {}, 1);
    EXPECT_TRUE(v.Valid()) << texts[i] << ": " << v.caption << ": " << v.message;
  }
}

// Every calculus built-in in both orders, on each road: the same verdict, the same message
// and the same value.
TEST_F(UdfLineOrderTest, BothOrdersOfTheLinesGiveTheSameVerdictAndValue) {
  for (const TLineOrderCase& c : LineOrderCases()) {
    const std::string z = std::string("A0+X+Y+") + c.call;
    for (const bool works : {true, false}) {
      const std::vector<std::string> texts = BothLineOrders(z, works ? c.works : c.fails);
      const std::string what = std::string(c.call) + (works ? " works" : " fails");
      // UdfLoad: the result, the code it left and the value.
      std::vector<std::tuple<int, int, std::string>> loads;
      for (const std::string& text : texts) {
        Function(0, text);
        TLinesFault fault;
        const int loaded = UdfLoad(0, fault);
        loads.emplace_back(loaded, MathError(), LineOf(0, fault.line));
        if (works) {
          EXPECT_EQ(loaded, 1) << what << ": " << text;
          EXPECT_LD_NEAR(ValueOf(0), 4 + c.value, c.tolerance) << what << ": " << text;
        } else {
          EXPECT_EQ(loaded, -1) << what << ": " << text;
          EXPECT_NE(MathError(), 0) << what << ": " << text;
        }
      }
      EXPECT_EQ(loads[0], loads[1]) << what;
      // The dialog's check: the verdict, its message and the line it names.
      std::vector<std::tuple<bool, std::string, std::string, std::string>> checks;
      std::vector<long double> values;
      for (const std::string& text : texts) {
        Function(1, text);
        const TUdfVerdict v = ValidateUdf(1, {}, 1);
        checks.emplace_back(v.Valid(), v.caption, v.message, Udf(1) ? LineOf(1, v.line) : std::string());
        EXPECT_EQ(v.Valid(), works) << what << ": " << text << ": " << v.caption << ": " << v.message;
        if (v.Valid()) values.push_back(ValueOf(1));
      }
      EXPECT_EQ(checks[0], checks[1]) << what;
      if (values.size() == 2) {
        EXPECT_EQ(values[0], values[1]) << what;
      }
      // A library of both orders: both are installed, or neither.
      FreeAllUdfs();
      Function(0, texts[0]);
      Function(1, texts[1]);
      ASSERT_EQ(WriteUdfLibrary(BoundUdfTable(), File("order.udl")), 2);
      FreeAllUdfs();
      ASSERT_EQ(ReadUdfLibrary(BoundUdfTable(), File("order.udl")), 2);
      const TUdfBatchValidation batch = ValidateAllUdfs({}, 1);
      EXPECT_EQ(batch.valid, works ? 2 : 0) << what;
      if (batch.reports.size() == 2) {
        EXPECT_EQ(batch.reports[0].verdict.caption, batch.reports[1].verdict.caption) << what;
      }
      // The session file: both load, or neither, and each refusal says which and why.
      FreeAllUdfs();
      Function(4, texts[0]);
      Function(6, texts[1]);
      ASSERT_EQ(WriteUdfSessionFile(BoundUdfTable(), Dir()), 2);
      FreeAllUdfs();
      const TUdfInstallResult installed = InstallLastSessionUdfs(Dir());
      EXPECT_EQ(installed.loaded, works ? 2 : 0) << what;
      EXPECT_EQ(installed.failures.size(), works ? 0u : 2u) << what;
      for (const TUdfInstallFailure& f : installed.failures) {
        EXPECT_EQ(f.text.find(CFormat("User Defined Function %d (ORDER%d): ", f.k + 1, f.k)), 0u) << what << ": " << f.text;
        EXPECT_NE(f.text.find("Z=" + z), std::string::npos) << what << ": " << f.text;
      }
      if (installed.failures.size() == 2) {
        // The reason, after the function's name and before the line.
        const auto reason = [](const std::string& text) {
          const std::size_t from = text.find("): ") + 3;
          return text.substr(from, text.find('\n') - from);
        };
        EXPECT_EQ(reason(installed.failures[0].text), reason(installed.failures[1].text)) << what;
      }
      if (works) {
        EXPECT_EQ(ValueOf(4), ValueOf(6)) << what;
      }
      FreeAllUdfs();
    }
  }
}

}  // namespace
