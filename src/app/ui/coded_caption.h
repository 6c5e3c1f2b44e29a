// A coded text (a title or an axis name) shown where a window system draws plain text only:
// a caption or a label.
#pragma once

#include <QString>

#include <string_view>

// The text as a reader sees it drawn: Symbol-font runs as the characters they draw ("~@a~@"
// is the Greek alpha), a literal tilde for "~~", a superscript run after "^" (in parentheses
// unless it is one character or starts with one), every other code dropped.
QString CodedTextCaption(std::string_view coded);
