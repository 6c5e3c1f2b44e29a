// When the test run of a function's line is made: a user function's or the view
// function's lines are compiled, and each test-run, in the order of the text, with the
// lines above a line compiled and those below it still empty. A line that runs a line
// written below it would be tried on an empty line: IMPLICIT finds no root of it, and an
// integral, sum, product, series or derivative counts it as 0 and never meets the points
// where it fails. So Z=A0+Y+IMPLICIT(1,0,1,1E-12) above F1=Z*Z-2-X/100 was refused, and
// Z=X+Y+AI(1,0,1) above F1=LN($-0.5) accepted, where the other order of the same lines
// gives the other verdict.
//
// Such a line's test waits: the line is compiled where it stands (the lines below see it),
// and is test-run once every line of the text is compiled, with the variables it would
// have been tried with (those the lines above it left, untouched by the tests of lines
// that wait). A line that runs a waiting line waits too, so the first failure met is the
// same in both orders. A line that reaches itself never waits: it is refused where it
// stands, as before.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "expr/eval_context.h"

class TLineTestOrder {
 public:
  // The lines of function `udf`'s text (0..14, 16 for the view function).
  TLineTestOrder(int udf, const std::vector<std::string_view>& lines);

  // Could the test of text line i wait: is a Z or Fn line written below it, or does a test
  // wait already? When not, the line is tested where it stands without being probed.
  [[nodiscard]] bool MayWait(int i) const;

  // Text line i, a Z or Fn line, is in its slot: does its test wait? It does when the line
  // runs (directly or through other lines) a line written below it or a line that waits,
  // and does not reach itself; it is then recorded with `vars`, the variables to test it with.
  [[nodiscard]] bool Waits(int i, const TExprVars& vars);

  // For a check that test-runs each line itself where it stands: text line i's expression
  // is compiled into `slot` and stays there when its test waits (true; `used` gets the
  // variables it reads), else the slot is emptied again. The variables stay as they were.
  [[nodiscard]] bool CompileIfWaiting(int i, std::string_view expression, int slot, std::uint32_t& used);

  // Text line i of a line that waits, in the order of the text, with its variables.
  struct TWaiting {
    int line;
    TExprVars vars;
  };
  [[nodiscard]] const std::vector<TWaiting>& Waiting() const { return waiting_; }

 private:
  int udf_;
  std::vector<int> number_;           // per text line: 0 for Z, n for Fn, -1 for a statement
  std::vector<std::uint16_t> below_;  // per text line: the lines written below it
  std::uint16_t waits_ = 0;           // the lines whose test waits
  std::vector<TWaiting> waiting_;
};
