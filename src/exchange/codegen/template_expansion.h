// The template files of the code generator and how one section of them becomes the output.
//
// A template is plain text. A section opens at a marker line: the marker is "~" for the
// full test program (scope 0) and "!" for the function alone (other scopes); a line whose
// first or second character is the marker opens the wanted section when its text from the
// third character on begins with the section key. The section runs to the next line whose
// first two characters are both the marker. So a "~~KEY" section can hold the test program
// with the function inside it in a nested "!!KEY" ... "!!" block: scope 0 copies the test
// program and leaves out every line that begins with "!!", the other scopes copy only the
// nested block.
//
// Inside the section a keyword stands between two backquotes. The text before the first
// backquote is literal (empty when the line begins with one); after it keywords and literal
// pieces alternate, a run of backquotes counting as one and empty pieces not counted. Each
// keyword is expanded by the caller, who may drop the whole line; a line that keeps all its
// keywords is written with their expansions in place. Lines are read whole, of any length.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Expands one keyword into `expansion` (which it may leave empty); false drops the line.
using TKeywordExpander = std::function<bool(std::string_view keyword, std::string& expansion)>;

// The wanted section of `templateText` (LF or CR LF line ends) expanded, with LF line
// ends; empty when the template has no such section.
std::string ExpandTemplateSection(std::string_view templateText, std::string_view key, int scope,
                                  const TKeywordExpander& expand);
