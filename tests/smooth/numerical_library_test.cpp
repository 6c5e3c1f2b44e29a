// Loading the numerical library: the entries this build serves and counted references.
#include <gtest/gtest.h>

#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"
#include "smooth/libs/numerical_library.h"
#include "smooth/numlib/akima_scattered.h"
#include "smooth/numlib/preusser_interpolation.h"
#include "smooth/numlib/surf_int.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::ScopedNumLib;

TEST(NumericalLibrary, BuiltInTableServesTheTriangulationEntries) {
  const TNumLibTable table = BuiltInNumLib();
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::trmesh>(table), &RenkaTriangulate);
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::gradg>(table), &RenkaGradients);
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::intrc1>(table), &intrc1);
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::sdbi3p>(table), &AkimaScatteredInterpolate);
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::c1ini>(table), &PreusserC1Init);
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::c1pnt>(table), &PreusserC1Point);
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::c2ini>(table), &PreusserC2Init);
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::c2pnt>(table), &PreusserC2Point);
  EXPECT_EQ(NumLibEntryOf<TNumLibEntry::SurfInt>(table), &AkimaSurfaceOnGrid);
  // The Shepard, tension and constraint entries are served.
  for (TNumLibEntry e :
       {TNumLibEntry::qshep2, TNumLibEntry::qs2val, TNumLibEntry::qs2grd, TNumLibEntry::cshep2,
        TNumLibEntry::cs2val, TNumLibEntry::cs2grd, TNumLibEntry::cs2hes, TNumLibEntry::tshep2,
        TNumLibEntry::ts2val, TNumLibEntry::ts2grd, TNumLibEntry::ts2hes, TNumLibEntry::getsig,
        TNumLibEntry::addcst, TNumLibEntry::zgradg})
    EXPECT_NE(table[e], nullptr) << kNumLibEntryNames[static_cast<std::size_t>(e)];
  // The entries resolved but never called stay empty.
  for (TNumLibEntry e : {TNumLibEntry::BSNak, TNumLibEntry::rgsf3p, TNumLibEntry::trlist,
                         TNumLibEntry::trfind, TNumLibEntry::gradl, TNumLibEntry::intrc0,
                         TNumLibEntry::zgradl, TNumLibEntry::gradc})
    EXPECT_EQ(table[e], nullptr) << kNumLibEntryNames[static_cast<std::size_t>(e)];
  EXPECT_EQ(kNumLibEntryNames.front(), "BSInt2");
  EXPECT_EQ(kNumLibEntryNames[static_cast<std::size_t>(TNumLibEntry::intrc1)], "intrc1");
}

TEST(NumericalLibrary, ReferencesAreCountedAndTheTableLivesWhileOneIsHeld) {
  ASSERT_FALSE(NumLibLoaded());
  EXPECT_EQ(NumLibEntry<TNumLibEntry::trmesh>(), nullptr);
  ASSERT_EQ(LoadNumLib(true), 1);
  ASSERT_EQ(LoadNumLib(true), 1);
  EXPECT_EQ(NumLibEntry<TNumLibEntry::trmesh>(), &RenkaTriangulate);
  EXPECT_EQ(LoadNumLib(false), 1);
  EXPECT_TRUE(NumLibLoaded());
  EXPECT_EQ(NumLibEntry<TNumLibEntry::gradg>(), &RenkaGradients);
  EXPECT_EQ(LoadNumLib(false), 1);
  EXPECT_FALSE(NumLibLoaded());
  EXPECT_EQ(NumLibEntry<TNumLibEntry::gradg>(), nullptr);
  // Giving back more than was taken does nothing.
  EXPECT_EQ(LoadNumLib(false), 1);
  EXPECT_FALSE(NumLibLoaded());
}

TEST(NumericalLibrary, NoLibraryHoldsNoReference) {
  ScopedNumLib none(std::nullopt);
  EXPECT_EQ(LoadNumLib(true), 0);
  EXPECT_FALSE(NumLibLoaded());
}

}  // namespace
