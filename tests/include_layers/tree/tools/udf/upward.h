#pragma once
#include "fit/fit_list.h"
