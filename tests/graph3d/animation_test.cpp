#include <gtest/gtest.h>

#include <thread>

#include "graph_fixture.h"

namespace {

using platform::DcOpKind;
using platform::RecordingDeviceContext;
using Views = std::vector<std::pair<long double, long double>>;

// z = xy on a 5 x 5 mesh seen from 123 / 17 degrees, animated by `anim` (mode, start, end
// and step of the rotation, then of the elevation); started with its first frame drawn.
struct AnimatedGraph {
  GraphFixture g;
  std::unique_ptr<T3DBase> r;
  RecordingDeviceContext dc;

  explicit AnimatedGraph(T3DAnimRec anim, bool start = true) {
    g.anim = anim;
    g.view.MeshX = g.view.MeshY = 5;
    g.view.AngleXY = 123;
    g.view.AngleZ = 17;
    g.SetSurface([](long double x, long double y) { return x * y; });
    r = g.MakeRenderer();
    r->CreateScreenFonts();
    if (start) Start();
  }
  void Start() {
    r->SetAnimationState(kAnimStartRequested);
    ASSERT_TRUE(r->Animate(dc));
  }
  // The view angles after each of `frames` steps.
  Views Steps(int frames) {
    Views views;
    for (int k = 0; k < frames; ++k) {
      r->AnimationStep(dc);
      views.emplace_back(r->View().AngleXY, r->View().AngleZ);
    }
    return views;
  }
};

TEST(Animation, NothingHappensWithoutAStartRequestOrAnOffScreenSurface) {
  AnimatedGraph a(T3DAnimRec{}, false);
  EXPECT_FALSE(a.r->Animate(a.dc));
  EXPECT_FALSE(a.r->AnimationStep(a.dc));
  EXPECT_TRUE(a.dc.Ops().empty());
  EXPECT_EQ(a.r->AnimationStateValue(), kAnimIdle);

  // A graph area of no size has no off-screen surface.
  AnimatedGraph b(T3DAnimRec{}, false);
  b.r->SetGraphRect({0, 0, -1, -1});
  b.r->SetAnimationState(kAnimStartRequested);
  EXPECT_FALSE(b.r->Animate(b.dc));
  EXPECT_EQ(b.r->AnimationStateValue(), kAnimIdle);
}

TEST(Animation, NegativeStepRunsDownAndWrapsToTheStart) {
  AnimatedGraph a(T3DAnimRec{1, 30, 10, -10, 0, 0, 0});
  // The first frame at the start, drawn directly; mode 1 leaves the elevation.
  EXPECT_EQ(a.r->View().AngleXY, 30);
  EXPECT_EQ(a.r->View().AngleZ, 17);
  EXPECT_EQ(a.Steps(5), (Views{{20, 17}, {10, 17}, {30, 17}, {20, 17}, {10, 17}}));
  // Each frame is drawn off-screen and copied to the window.
  EXPECT_EQ(a.dc.Count(DcOpKind::BitBlt), 5u);
  ASSERT_EQ(a.dc.Children().size(), 1u);
  EXPECT_EQ(a.dc.Children()[0]->Count(DcOpKind::Rectangle), 5u);
}

TEST(Animation, ElevationFastestThenRotation) {
  AnimatedGraph a(T3DAnimRec{3, 5, 360, 5, 60, -60, -60});
  EXPECT_EQ(a.Steps(4), (Views{{5, 0}, {5, -60}, {10, 60}, {10, 0}}));
}

TEST(Animation, StopRestoresTheViewAndResumeContinues) {
  AnimatedGraph a(T3DAnimRec{0x0204, 0, 350, 10, 40, -40, -20}, false);  // scope "Surface"
  PointTable table = NewPointTable(0);
  a.g.setup.Points = [&] { return std::span<const TXYZPoint>(table); };
  a.r = a.g.MakeRenderer();
  a.r->MutableView().BackPlanes = 2;
  a.r->MutableView().LabelBits = 0x3FF;
  a.Start();
  // While animating: no back planes, labels or contours, and the points are hidden.
  EXPECT_EQ(a.r->View().BackPlanes, 0);
  EXPECT_EQ(a.r->View().LabelBits, 0);
  EXPECT_EQ(a.r->PointsOptions().Display & 0xFF, 3);
  EXPECT_EQ(a.Steps(2).back().first, 20);
  a.r->RequestAnimationStop();
  EXPECT_FALSE(a.r->AnimationStep(a.dc));
  EXPECT_EQ(a.r->AnimationStateValue(), kAnimIdle);
  EXPECT_EQ((Views{{a.r->View().AngleXY, a.r->View().AngleZ}}), (Views{{123, 17}}));
  EXPECT_EQ(a.r->View().BackPlanes, 2);
  EXPECT_EQ(a.r->View().LabelBits, 0x3FF);
  EXPECT_EQ(a.r->PointsOptions().Display, 1);
  // Start again: it resumes at the last frame shown; after a reset it begins at the start.
  a.Start();
  EXPECT_EQ(a.Steps(1).back().first, 30);
  a.r->RequestAnimationStop();
  a.r->AnimationStep(a.dc);
  a.r->ResetAnimation();
  a.Start();
  EXPECT_EQ((Views{{a.r->View().AngleXY, a.r->View().AngleZ}}), (Views{{0, 40}}));
}

TEST(Animation, LegendShowsTheAnglesWhileRunning) {
  AnimatedGraph a(T3DAnimRec{1, 10, 350, 10, 0, 0, 0});
  a.Steps(1);
  const auto texts = a.dc.Children()[0]->OpsOf(DcOpKind::TextOut);
  // The legend is the last text of a graph without title lines, after the axis labels.
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2].text, "XY 20");
  EXPECT_EQ(texts.back().text, "Z 17");
}

// Each frame is drawn on a surface as large as the graph area and copied whole: a window
// taller than the screen, or one that grew while playing, gets every row of every frame.
TEST(Animation, OffScreenFrameCoversTheWholeGraphArea) {
  AnimatedGraph a(T3DAnimRec{1, 10, 350, 10, 0, 0, 0}, false);
  a.r->SetGraphRect({0, 0, 700, 1300});
  a.Start();
  a.Steps(1);
  a.r->SetGraphRect({0, 0, 900, 1500});
  a.Steps(1);
  a.r->SetGraphRect({0, 0, 800, 1400});  // a smaller area keeps the surface it has
  a.Steps(1);
  const auto made = a.dc.OpsOf(DcOpKind::CreateCompatible);
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0].rect, (platform::Rect{0, 0, 701, 1301}));
  EXPECT_EQ(made[1].rect, (platform::Rect{0, 0, 901, 1501}));
  const auto copies = a.dc.OpsOf(DcOpKind::BitBlt);
  ASSERT_EQ(copies.size(), 3u);
  EXPECT_EQ(copies[0].rect, (platform::Rect{0, 0, 701, 1301}));
  EXPECT_EQ(copies[1].rect, (platform::Rect{0, 0, 901, 1501}));
  EXPECT_EQ(copies[2].rect, (platform::Rect{0, 0, 801, 1401}));
}

TEST(Animation, StopRequestedFromAnotherThread) {
  AnimatedGraph a(T3DAnimRec{1, 0, 355, 5, 0, 0, 0});
  std::atomic<int> frames{0};
  std::thread stopper([&] {
    while (frames.load() < 3) std::this_thread::yield();
    a.r->RequestAnimationStop();
  });
  while (a.r->AnimationStep(a.dc)) ++frames;
  stopper.join();
  EXPECT_GE(frames.load(), 3);
  EXPECT_EQ(a.r->AnimationStateValue(), kAnimIdle);
  EXPECT_EQ(a.r->View().AngleXY, 123);
}

}  // namespace
