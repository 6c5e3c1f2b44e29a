// The ASCII data editor's work on its text, apart from the window: European decimal commas
// turned into points, blanks compressed to one delimiter, a selection turned into worksheet
// cells, and the line ends of the text as the edit holds it (LF) and as files and the
// clipboard carry it (CR LF).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The most text the editor takes: a file or a table larger than this is refused with a
// message rather than cut.
inline constexpr std::size_t kAsciiEditorTextLimit = std::size_t{64} << 20;

// Every `from` outside double-quoted stretches becomes `to`. A quote runs to the next
// quote or the line's end.
void ReplaceOutsideQuotes(std::string& text, char from, char to);

// Tabs become blanks (outside quotes); then the blanks at the start of the text and of every
// line go, and every blank followed by a line end or by another blank: runs of blanks become
// one blank and no line ends with one.
void CompressBlanks(std::string& text);

// Compressed blanks, then one delimiter: "Minimize Space Using a Single Space, a Comma or a
// Tab Delimiter". Blanks and commas outside quotes become that delimiter.
enum class Delimiter { kSpace, kComma, kTab };
void MinimizeSpace(std::string& text, Delimiter delimiter);

// The text is empty for the editor's commands: no second line and nothing on the first.
bool IsEditorTextEmpty(std::string_view text);

// The worksheet image (form 1 WK1, 3 WK3) of a selected text: each of its lines a row (a
// last line that is empty is left out), cells as the text windows' worksheets cut them, a
// lone sign or period kept as a label. Empty for an empty selection.
std::vector<std::uint8_t> SelectionWorksheet(std::string_view selected, int form);

// Whether a selection spans more than one line (a worksheet is offered beside the text).
bool SpansLines(std::string_view selected);

// Line ends: the edit's form (LF only; CR LF and lone CRs become LF), and the form of files
// and the clipboard (every line, the last included, ended by one CR LF; no NUL bytes).
std::string ToEditorText(std::string_view text);
std::string ToCrLfText(std::string_view text);
