// The review's search for an equation by its number: which numbers name an equation the
// fitting engine makes, and how the typed entry is read.
#pragma once

#include <optional>
#include <string_view>

// True for the numbers of the built-in families: the polynomials, rationals and series
// families, the built-in non-linear equations 2001-2172 (the robust planes included) and the
// term-subset equations. User functions (2501-2515) are outside: their numbers name a slot,
// not an equation.
bool IsBuiltinEquationNumber(long long number);

// What the search tells when a number names no equation, or none of the list.
inline constexpr const char* kEquationSearchCaption = "Equation Search Error";
inline constexpr const char* kNotAnEquationText = "Not a Ondravik 3D Equation";
inline constexpr const char* kEquationNotInListText = "Equation Not in List";

// The entry read as a whole number (ReadIntegerText: blanks at either end aside, an optional
// sign and digits, nothing else): nothing for any other text ("1,5" and "17x" included) or a
// number beyond the range of an int.
std::optional<int> ReadEquationEntry(std::string_view text);
