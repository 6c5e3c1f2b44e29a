#include "app/ui/dialog.h"
#include "fit/ui/fit_commands.h"
