// Where a printed text's pages end: a heading is kept with the lines it heads. A page of the
// numeric summary once ended on "X at Fn Zmin  Y at Fn Zmin  Fn Zmin" with the values under
// it at the top of the next page.
#pragma once

#include "app/text_exports.h"

// Whether line `index` of the lines [first, last) being printed must stand on the page of the
// line after it:
//  - a heading: a line whose text is all in heading runs, red ("~#") or bold ("~*"), as the
//    program writes the column heads of its panes and the section titles of its lists;
//  - the first line of a paragraph (after a blank line, or the first printed) that goes on;
//  - a blank line between a heading and the line it heads.
// None is kept with nothing: a line with no text after it keeps nothing.
bool KeepsWithNext(const TExportLines& lines, int index, int first, int last);

// The end of a page that starts at line `start` and has room for the lines [start, fits):
// `fits`, or earlier so that the page does not end on a line kept with the next one. When the
// whole page is such a run, the page is filled as it has room for.
int PageEnd(const TExportLines& lines, int start, int fits, int first, int last);
