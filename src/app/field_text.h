// What the program's entry fields read: the whole text of the field, blanks at either end
// aside, in the C locale whatever the user's locale. A text is a number only when all of it
// is one: "1,5", "2.5abc" and "-" are not numbers, and never read as the number at their start.
// Every field that holds a number reads it through these, so that what a field shows and what
// the program uses can never part.
#pragma once

#include <optional>
#include <string_view>

// A real number in the syntax of the program's number scanner (an optional sign, digits with
// at most one period, an optional exponent), finite in long double; none for anything else,
// an empty text included.
std::optional<long double> ReadRealText(std::string_view text);

// A whole number: an optional sign and decimal digits. A number beyond long's range reads as
// the nearer end of that range (it is still a number, and a field's range brings it back);
// none for anything else, an empty text and a lone sign included.
std::optional<long> ReadIntegerText(std::string_view text);

// The text without the blanks and tabs at either end.
std::string_view TrimFieldText(std::string_view text);
