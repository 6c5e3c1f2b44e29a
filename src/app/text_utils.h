// Small operations on text lines shared by the windows, lists and writers.
#pragma once

#include <string>
#include <string_view>

// n blanks.
inline std::string FillSpaces(int n) { return std::string(n > 0 ? static_cast<std::size_t>(n) : 0, ' '); }

// True when the text holds only blanks (or is empty).
bool IsAllBlanks(std::string_view text);

// Removes trailing blanks, line feeds and tabs.
void TrimRight(std::string& text);

// The number of LF characters, plus one when the text does not end with LF (an empty text
// has no lines).
int CountTextLines(std::string_view text);

// Strips trailing CR and LF characters and appends one CR LF (an empty text becomes CR LF).
void EndLineCrLf(std::string& text);
