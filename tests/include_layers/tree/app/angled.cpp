#include <fit/fit_list.h>
#include <string>
