// The test every linear family applies before it keeps a fit: a coefficient that contributes
// next to nothing beside the others marks an equation that only pretends to use that term.
#pragma once

// 0 when some |p_i| divided by the mean of all |p_i| is below `tolerance` (the fit tolerance
// of the run, 10^-digit threshold); 1 otherwise, and 1 when the mean is 0 or count < 1.
int ParametersSignificant(const long double* p, int count, long double tolerance);
