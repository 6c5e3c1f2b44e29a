#pragma once
#include "app/ui/dialog.h"
