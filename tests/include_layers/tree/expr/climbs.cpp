#include "../fit/fit_list.h"
