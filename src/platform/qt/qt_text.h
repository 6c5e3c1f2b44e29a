// Conversions at the Qt boundary: the program keeps text single-byte (Windows-1252, and the
// Symbol font's own encoding for Symbol runs); Qt wants Unicode.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "platform/window.h"

class QWidget;

namespace platform::qt {

QString FromCp1252(std::string_view text);
// Characters that Windows-1252 cannot hold become '?'.
std::string ToCp1252(const QString& text);
// The characters of `text` that Windows-1252 cannot hold, each once, in order of first
// appearance as "U+XXXX" separated by spaces; empty when it holds them all.
std::string CharactersOutsideCp1252(const QString& text);
QString FromSymbol(std::string_view text);

inline Window ToWindow(QWidget* widget) { return reinterpret_cast<Window>(widget); }
inline QWidget* FromWindow(Window window) { return reinterpret_cast<QWidget*>(window); }

}  // namespace platform::qt
