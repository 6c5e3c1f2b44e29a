#include "app/prescan_hooks.h"

TPrescanHooks& PrescanHooks() {
  static TPrescanHooks hooks;
  return hooks;
}
