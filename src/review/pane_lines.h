// Lines shared by the review's text panes: a coded line with its cell widths, and the rank
// line that heads every pane.
#pragma once

#include <initializer_list>
#include <string>

#include "app/text_line_buffer.h"

struct TSession;
struct TFitEqn;

// Appends `text` with the cell widths given (at most 14; none for a plain line).
void AppendCells(TMFile& out, const std::string& text, std::initializer_list<int> cells);

// "Rank r  Eqn n  formula" of a fit (the current fit's formula with the session's user
// functions).
std::string PaneRankLine(int rank, const TFitEqn& fit, const TSession& session);

// a / b, or the missing value when b is 0.
long double PaneDivide(long double a, long double b);
