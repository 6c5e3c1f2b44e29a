#include "smooth/numlib/numlib.h"

#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"

// The triangulation entries are the program's own Renka kernels, which keep the published
// argument lists and error codes.
TNumLibTable BuiltInNumLib() {
  TNumLibTable table;
  ServeNumLibEntry<TNumLibEntry::trmesh>(table, &RenkaTriangulate);
  ServeNumLibEntry<TNumLibEntry::gradg>(table, &RenkaGradients);
  ServeNumLibEntry<TNumLibEntry::intrc1>(table, &RenkaInterpolateC1);
  return table;
}
