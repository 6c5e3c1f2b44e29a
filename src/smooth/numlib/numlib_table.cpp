#include "smooth/numlib/numlib.h"

#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"
#include "smooth/numlib/akima_scattered.h"
#include "smooth/numlib/preusser_interpolation.h"
#include "smooth/numlib/surf_int.h"

// The triangulation entries are the program's own Renka kernels, which keep the published
// argument lists and error codes; the library adds constraint curves and tension to them
// and serves the Shepard families.
TNumLibTable BuiltInNumLib() {
  TNumLibTable table;
  ServeNumLibEntry<TNumLibEntry::trmesh>(table, &RenkaTriangulate);
  ServeNumLibEntry<TNumLibEntry::gradg>(table, &RenkaGradients);
  ServeNumLibEntry<TNumLibEntry::intrc1>(table, &intrc1);
  ServeNumLibEntry<TNumLibEntry::getsig>(table, &getsig);
  ServeNumLibEntry<TNumLibEntry::addcst>(table, &addcst);
  ServeNumLibEntry<TNumLibEntry::zgradg>(table, &zgradg);
  ServeNumLibEntry<TNumLibEntry::sdbi3p>(table, &AkimaScatteredInterpolate);
  ServeNumLibEntry<TNumLibEntry::c1ini>(table, &PreusserC1Init);
  ServeNumLibEntry<TNumLibEntry::c1pnt>(table, &PreusserC1Point);
  ServeNumLibEntry<TNumLibEntry::c2ini>(table, &PreusserC2Init);
  ServeNumLibEntry<TNumLibEntry::c2pnt>(table, &PreusserC2Point);
  ServeNumLibEntry<TNumLibEntry::SurfInt>(table, &AkimaSurfaceOnGrid);
  ServeNumLibEntry<TNumLibEntry::qshep2>(table, &qshep2);
  ServeNumLibEntry<TNumLibEntry::qs2val>(table, &qs2val);
  ServeNumLibEntry<TNumLibEntry::qs2grd>(table, &qs2grd);
  ServeNumLibEntry<TNumLibEntry::cshep2>(table, &cshep2);
  ServeNumLibEntry<TNumLibEntry::cs2val>(table, &cs2val);
  ServeNumLibEntry<TNumLibEntry::cs2grd>(table, &cs2grd);
  ServeNumLibEntry<TNumLibEntry::cs2hes>(table, &cs2hes);
  ServeNumLibEntry<TNumLibEntry::tshep2>(table, &tshep2);
  ServeNumLibEntry<TNumLibEntry::ts2val>(table, &ts2val);
  ServeNumLibEntry<TNumLibEntry::ts2grd>(table, &ts2grd);
  ServeNumLibEntry<TNumLibEntry::ts2hes>(table, &ts2hes);
  ServeNumLibEntry<TNumLibEntry::BSOpk>(table, &BSOpk);
  ServeNumLibEntry<TNumLibEntry::BSInt2>(table, &BSInt2);
  ServeNumLibEntry<TNumLibEntry::BSLsq2>(table, &BSLsq2);
  ServeNumLibEntry<TNumLibEntry::BSVal2>(table, &BSVal2);
  ServeNumLibEntry<TNumLibEntry::BSDer2>(table, &BSDer2);
  ServeNumLibEntry<TNumLibEntry::BSGEvl>(table, &BSGEvl);
  ServeNumLibEntry<TNumLibEntry::BSItg2>(table, &BSItg2);
  ServeNumLibEntry<TNumLibEntry::rgbi3p>(table, &rgbi3p);
  return table;
}
