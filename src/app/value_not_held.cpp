#include "app/value_not_held.h"

#include "app/c_format.h"

std::string ValueNotHeldText(const TValueNotHeld& refused, std::string_view fileKind) {
  return CFormat("Row %d, %s: %.12LG Cannot Be Held by a %s File\nNothing Was Written", refused.row, refused.axis,
                 refused.value, std::string(fileKind).c_str());
}
