// Help by context number. No help file is delivered with the program, so every request
// tells the user so (in an information box that names the topic asked for) instead of
// failing silently.
#pragma once

#include "platform/window.h"

namespace platform {

// Context numbers with a meaning of their own.
inline constexpr int kHelpContents = 0;
inline constexpr int kHelpKeywordSearch = -1;
inline constexpr int kHelpUsingHelp = -2;

void ShowHelp(Window owner, int context);

// Whether any help is installed (none is delivered). Help the program offers on its own,
// such as the first run's introduction, is offered only when there is help to show.
[[nodiscard]] bool HelpInstalled();

}  // namespace platform
