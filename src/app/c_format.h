// printf-style formatting in the C locale, whatever locale the user interface set:
// numbers in windows, files and the clipboard always use '.' and no grouping.
#pragma once

#include <cstdarg>
#include <string>

std::string CFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string CFormatV(const char* format, va_list args);
