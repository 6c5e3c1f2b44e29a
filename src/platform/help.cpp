#include "platform/help.h"

#include <string>

#include "platform/message_box.h"

namespace platform {

bool HelpInstalled() { return false; }

void ShowHelp(Window owner, int context) {
  std::string text = "No help is installed for Ondravik 3D.";
  if (context > 0) text += "\n\n(Help topic " + std::to_string(context) + " was asked for.)";
  InfoBox(owner, "Ondravik 3D Help", text);
}

}  // namespace platform
