#include "tools/udf/udf_files.h"
#include "expr/compiler.h"
#include "numerics/dense_solvers.h"
#include <expr/lexer.h>
#include <sys/types.h>
