// The fonts the widget tests see: the six DejaVu files every build machine has, linked into
// `folder`, with the aliases and rendering set there (FONTCONFIG_FILE), whatever fonts and
// configuration the machine has. Called before the QApplication exists.
#pragma once

#include <QString>

void UseOwnFonts(const QString& folder);
