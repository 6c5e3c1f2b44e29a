#include "smooth/numlib/numlib.h"

#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"
#include "smooth/numlib/akima_scattered.h"
#include "smooth/numlib/preusser_interpolation.h"
#include "smooth/numlib/surf_int.h"

// The triangulation entries are the program's own Renka kernels, which keep the published
// argument lists and error codes.
TNumLibTable BuiltInNumLib() {
  TNumLibTable table;
  ServeNumLibEntry<TNumLibEntry::trmesh>(table, &RenkaTriangulate);
  ServeNumLibEntry<TNumLibEntry::gradg>(table, &RenkaGradients);
  ServeNumLibEntry<TNumLibEntry::intrc1>(table, &RenkaInterpolateC1);
  ServeNumLibEntry<TNumLibEntry::sdbi3p>(table, &AkimaScatteredInterpolate);
  ServeNumLibEntry<TNumLibEntry::c1ini>(table, &PreusserC1Init);
  ServeNumLibEntry<TNumLibEntry::c1pnt>(table, &PreusserC1Point);
  ServeNumLibEntry<TNumLibEntry::c2ini>(table, &PreusserC2Init);
  ServeNumLibEntry<TNumLibEntry::c2pnt>(table, &PreusserC2Point);
  ServeNumLibEntry<TNumLibEntry::SurfInt>(table, &AkimaSurfaceOnGrid);
  return table;
}
