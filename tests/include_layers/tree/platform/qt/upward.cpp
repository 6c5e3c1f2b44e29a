#include "platform/window.h"
#include "app/coded_text.h"
