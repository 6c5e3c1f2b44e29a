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

// The entry read as an integer the way the C library's atol reads it (leading blanks, an
// optional sign, the digits up to the first other character), but with overflow checked:
// nothing for an entry without digits or beyond the range of an int.
std::optional<int> ReadEquationEntry(std::string_view text);
