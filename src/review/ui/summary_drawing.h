// The short numeric summary that the review's graph pages and copies carry beside the graph:
// the lines of BuildSummaryText drawn as one block centred in a rectangle of any drawing
// surface (printer page, metafile, image), in the review's print font.
#pragma once

#include "app/log_font.h"
#include "app/text_line_buffer.h"
#include "platform/device_context.h"

struct TSession;

// The review's print font (its face empty in fresh settings: then Arial at 10 points).
TLogFont ReviewPrintFont();

// Draws `lines` from the top of `rect` while a whole line still fits, in `font` at `dpi`
// dots per inch, made smaller (down to 6 points) until the widest line fits: each line's
// cells at their character columns, coded lines through the coded-text drawer, the block
// centred on the rectangle (never left of it) and cut at its edges. The lines' own colours
// only with `colors`; else all in black.
void DrawSummaryLines(platform::DeviceContext& dc, int dpi, const platform::Rect& rect, const TMFile& lines,
                      const TLogFont& font, bool colors);

// The numeric summary of the session's current fit, as the review's and the residual graph's
// printed pages and copies carry it beside the graph.
void DrawCurrentFitSummary(const TSession& session, platform::DeviceContext& dc, int dpi, const platform::Rect& rect,
                           bool colors);
