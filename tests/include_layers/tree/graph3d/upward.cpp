#include "graph3d/renderer.h"
#include "fit/fit_run.h"
  #  include "tools/data_tools.h"
