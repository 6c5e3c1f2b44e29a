// The rows of the ranked equation list: one coded-text row per fit of the session's fit
// list that passes the list's filter, in rank order, each made from the fit refitted in the
// cheap mode (the record alone, no matrix work) into a side of the list's own. Also the
// column tables the list box lays the rows out with, and reading a row's rank back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/text_line_buffer.h"
#include "fit/session.h"

// Column widths (characters of the row text, codes included; 255 the rest) of the two row
// forms: one goodness-of-fit figure, or all four.
inline constexpr TLineAttr kOneFigureColumns{6, 18, 9, 19, 255};
inline constexpr TLineAttr kAllGoodnessColumns{6, 15, 15, 15, 15, 9, 19, 255};
inline const TLineAttr& EquationListColumns(bool allGoodness) {
  return allGoodness ? kAllGoodnessColumns : kOneFigureColumns;
}
// The columns a list too narrow for its rows leaves out first, so that the formulas keep
// room: the cost and the equation number, and of the four figures all but r².
inline std::vector<int> EquationListDroppableColumns(bool allGoodness) {
  return allGoodness ? std::vector<int>{5, 6, 4, 3, 2} : std::vector<int>{2, 3};
}

struct TEquationRowsRequest {
  int filter = 0;    // 0 all, 1 simple, 2 polynomial or rational, 3 polynomial, 4 rational, 5 non-linear
  int sortCode = 1;  // chooses the figure of the one-figure form
  bool allGoodness = false;
};

// Walks ranks 1..FitCount and returns the rows of those that pass the filter (empty when
// none does). The session's current fit stays as it was.
std::vector<std::string> BuildEquationRows(const TSession& session, const TEquationRowsRequest& request);

// The rank at the start of a row ("%d": blanks, an optional sign, digits); 0 when the row
// does not begin with a number.
int RankOfRow(std::string_view row);
