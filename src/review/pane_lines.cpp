#include "review/pane_lines.h"

#include "app/c_format.h"
#include "app/long_double.h"
#include "fit/session.h"
#include "review/equation_text.h"

void AppendCells(TMFile& out, const std::string& text, std::initializer_list<int> cells) {
  TLineAttr attr{};
  std::size_t k = 0;
  for (int c : cells)
    if (k + 1 < attr.size()) attr[k++] = static_cast<std::uint8_t>(c);
  out.AppendLine(text, k ? attr.data() : nullptr);
}

std::string PaneRankLine(int rank, const TFitEqn& fit, const TSession& session) {
  return CFormat("~#Rank~# ~!%d~!  ~#Eqn~# ~!%ld  %s~!", rank, static_cast<long>(fit.equationNumber),
                 FormatFitFormula(fit, session.UdfTable).c_str());
}

long double PaneDivide(long double a, long double b) { return b == 0.0L ? ExprErrorValue : a / b; }
