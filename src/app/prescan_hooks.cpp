#include "app/prescan_hooks.h"

#include "platform/gui_thread.h"

TPrescanHooks& PrescanHooks() {
  platform::AssertUiThread();
  static TPrescanHooks hooks;
  return hooks;
}
