// A graph window's records in the settings: its graph font in its own font slot, its window
// placement, and the animation player's placement that every graph window hands on.
#include "graph3d/graph_options.h"

#include <gtest/gtest.h>

#include <set>

#include "graph3d/renderer.h"

namespace {

// Every kind of graph window, by its view record.
constexpr int kGraphKinds[] = {kGraphDataStatus, kGraphFunctionViewer, kGraphDataStatusFits, kGraphReviewPane,
                               kGraphAcceptUndo, kGraphUserFunction,   kGraphSampler,        kGraphGridSpline,
                               kGraphScattered,  kGraphUniformGrid,    kGraphLoess,          kGraphNurbs,
                               kGraphSparseGrid};

// The font slots: the status window's data graph, data view and grid editor's graph share 4,
// the fitted surface's graphs 7, the smoothing windows 17 to 21 (the NURBS and sparse-grid
// windows one); no graph takes a text window's slot (the statistics window had slot 4).
TEST(GraphOptions, EachKindOfGraphHasItsFontSlotApartFromTheTextWindows) {
  EXPECT_EQ(GraphFontSlot(kGraphDataStatus), 4);
  EXPECT_EQ(GraphFontSlot(kGraphDataStatusFits), 7);
  EXPECT_EQ(GraphFontSlot(kGraphGridSpline), 17);
  EXPECT_EQ(GraphFontSlot(kGraphUniformGrid), 18);
  EXPECT_EQ(GraphFontSlot(kGraphScattered), 19);
  EXPECT_EQ(GraphFontSlot(kGraphLoess), 20);
  EXPECT_EQ(GraphFontSlot(kGraphNurbs), 21);
  EXPECT_EQ(GraphFontSlot(kGraphSparseGrid), 21);
  const std::set<int> text = {kFontSlotFileViewer, kFontSlotAsciiEditor, kFontSlotDialogText, kFontSlotStatistics,
                              kFontSlotEquationList, 12, 13, 14, 15};
  std::set<int> graphs;
  for (int kind : kGraphKinds) {
    const int slot = GraphFontSlot(kind);
    EXPECT_GE(slot, 0);
    EXPECT_LT(slot, static_cast<int>(kFontSlotCount));
    EXPECT_EQ(text.count(slot), 0u) << kind;
    graphs.insert(slot);
  }
  EXPECT_EQ(graphs.size(), 12u);  // thirteen kinds, the NURBS and sparse-grid windows share one
}

// A font chosen in a graph window is kept in its slot and read by the next window of its
// kind (it was a fresh Arial 12 each time, never saved); the slot's other fields stay as
// they were.
TEST(GraphOptions, AGraphFontChosenIsKeptInTheWindowsSlot) {
  ProgramSettings settings = DefaultSettings(1280, 1024);
  TLogFont written;
  written.faceName = "Courier New";
  written.height = 10;
  written.weight = 400;
  written.charSet = 2;
  written.outPrecision = 3;
  written.pitchAndFamily = 0x31;
  settings.fontLogFont[kFontGraphLoess] = EncodeLogFont(written);
  {
    TGraphOptions options(settings, kGraphLoess, kPointsLoess, kPlaceLoess);
    EXPECT_EQ(options.font.face, "Courier New");
    EXPECT_EQ(options.font.height, 10);
    options.font.face = "Nimbus Sans";
    options.font.height = 14;
    options.font.weight = 700;
    options.font.underline = true;
    options.StoreBack();
  }
  const TLogFont kept = DecodeLogFont(settings.fontLogFont[kFontGraphLoess]);
  EXPECT_EQ(kept.faceName, "Nimbus Sans");
  EXPECT_EQ(kept.height, 14);
  EXPECT_EQ(kept.weight, 700);
  EXPECT_EQ(kept.underline, 1);
  EXPECT_EQ(kept.charSet, 2);
  EXPECT_EQ(kept.outPrecision, 3);
  EXPECT_EQ(kept.pitchAndFamily, 0x31);
  TGraphOptions next(settings, kGraphLoess, kPointsLoess, kPlaceLoess);
  EXPECT_EQ(next.font.face, "Nimbus Sans");
  EXPECT_EQ(next.font.height, 14);
  EXPECT_TRUE(next.font.underline);
  // Another kind of window keeps its own.
  TGraphOptions other(settings, kGraphNurbs, kPointsNurbs, kPlaceNurbs);
  EXPECT_EQ(other.font, (platform::Font{"Arial", 12}));
}

// A window that leaves its font alone leaves its slot's bytes alone, an empty slot (the
// window's own font, which the renderer fills in as Arial 12) included.
TEST(GraphOptions, AnUntouchedFontLeavesTheSlotAsItWas) {
  ProgramSettings settings = DefaultSettings(1280, 1024);
  TLogFont odd;
  odd.faceName = "Ondravik Missing Face";
  odd.height = 9;
  odd.weight = 0;
  settings.fontLogFont[kFontGraphDataStatusFits] = EncodeLogFont(odd);
  const ProgramSettings before = settings;
  for (int kind : {kGraphDataStatusFits, kGraphDataStatus}) {
    TGraphOptions options(settings, kind, kPointsDataStatus, -1);
    {
      T3DBase renderer(&options.Setup());  // fills and writes back the font it draws with
    }
    options.StoreBack();
  }
  EXPECT_EQ(settings.fontLogFont, before.fontLogFont);
}

// Every graph window hands the animation player the player's own placement record, and gets
// back where the player was left; the data view's place is its own record, not the player's.
TEST(GraphOptions, EveryGraphWindowHandsThePlayerItsOwnPlacement) {
  ProgramSettings settings = DefaultSettings(1280, 1024);
  settings.placements[kPlaceGraphShared] = {30, 40, 500, 400, 0};
  for (int kind : kGraphKinds) {
    TGraphOptions options(settings, kind, kPointsDataStatus, kPlaceDataStatus);
    ASSERT_NE(options.Setup().HostWord2, nullptr) << kind;
    ASSERT_NE(options.Setup().HostWord2, options.Setup().HostWord1) << kind;
    EXPECT_EQ(*options.Setup().HostWord2, settings.placements[kPlaceGraphShared]) << kind;
    options.Setup().HostWord2->x += 1;
    options.Setup().HostWord1->x = 77;
    options.StoreBack();
    EXPECT_EQ(settings.placements[kPlaceDataStatus].x, 77);
  }
  EXPECT_EQ(settings.placements[kPlaceGraphShared], (WindowPlacement{43, 40, 500, 400, 0}));
}

}  // namespace
