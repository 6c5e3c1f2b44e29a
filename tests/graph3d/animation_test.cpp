#include <gtest/gtest.h>

#include <thread>

#include "graph_fixture.h"

namespace {

using platform::DcOpKind;
using platform::RecordingDeviceContext;

struct AnimatedGraph {
  GraphFixture g;
  std::unique_ptr<T3DBase> r;

  explicit AnimatedGraph(T3DAnimRec anim) {
    g.anim = anim;
    g.view.MeshX = g.view.MeshY = 5;
    g.view.AngleXY = 123;
    g.view.AngleZ = 17;
    g.SetSurface([](long double x, long double y) { return x * y; });
    r = g.MakeRenderer();
    r->CreateScreenFonts();
  }
};

T3DAnimRec Anim(int vary, int startXY, int endXY, int stepXY, int startZ, int endZ, int stepZ) {
  T3DAnimRec a;
  a.Vary = static_cast<std::int16_t>(vary);
  a.StartXY = static_cast<std::int16_t>(startXY);
  a.EndXY = static_cast<std::int16_t>(endXY);
  a.StepXY = static_cast<std::int16_t>(stepXY);
  a.StartZ = static_cast<std::int16_t>(startZ);
  a.EndZ = static_cast<std::int16_t>(endZ);
  a.StepZ = static_cast<std::int16_t>(stepZ);
  return a;
}

TEST(Animation, NothingHappensWithoutAStartRequest) {
  AnimatedGraph a(T3DAnimRec{});
  RecordingDeviceContext dc;
  EXPECT_FALSE(a.r->Animate(dc));
  EXPECT_FALSE(a.r->AnimationStep(dc));
  EXPECT_TRUE(dc.Ops().empty());
  EXPECT_EQ(a.r->AnimationStateValue(), kAnimIdle);
}

TEST(Animation, NegativeStepRunsDownAndWrapsToTheStart) {
  AnimatedGraph a(Anim(1, 30, 10, -10, 0, 0, 0));
  RecordingDeviceContext dc;
  a.r->SetAnimationState(kAnimStartRequested);
  ASSERT_TRUE(a.r->Animate(dc));
  EXPECT_EQ(a.r->View().AngleXY, 30);  // first frame at the start, drawn directly
  EXPECT_EQ(a.r->View().AngleZ, 17);   // mode 1 leaves the elevation
  std::vector<long double> angles;
  for (int k = 0; k < 5; ++k) {
    ASSERT_TRUE(a.r->AnimationStep(dc));
    angles.push_back(a.r->View().AngleXY);
  }
  EXPECT_EQ(angles, (std::vector<long double>{20, 10, 30, 20, 10}));
  // Each frame is drawn off-screen and copied to the window.
  EXPECT_EQ(dc.Count(DcOpKind::BitBlt), 5u);
  ASSERT_EQ(dc.Children().size(), 1u);
  EXPECT_EQ(dc.Children()[0]->Count(DcOpKind::Rectangle), 5u);
}

TEST(Animation, ElevationFastestThenRotation) {
  AnimatedGraph a(Anim(3, 5, 360, 5, 60, -60, -60));
  RecordingDeviceContext dc;
  a.r->SetAnimationState(kAnimStartRequested);
  ASSERT_TRUE(a.r->Animate(dc));
  std::vector<std::pair<long double, long double>> views;
  for (int k = 0; k < 4; ++k) {
    a.r->AnimationStep(dc);
    views.emplace_back(a.r->View().AngleXY, a.r->View().AngleZ);
  }
  using P = std::pair<long double, long double>;
  EXPECT_EQ(views, (std::vector<P>{{5, 0}, {5, -60}, {10, 60}, {10, 0}}));
}

TEST(Animation, StopRestoresTheViewAndResumeContinues) {
  T3DAnimRec anim = Anim(0x0204, 0, 350, 10, 40, -40, -20);  // scope "Surface"
  AnimatedGraph a(anim);
  PointTable table = NewPointTable(0);
  a.g.setup.Points = [&] { return std::span<const TXYZPoint>(table); };
  a.r = a.g.MakeRenderer();
  a.r->MutableView().BackPlanes = 2;
  a.r->MutableView().LabelBits = 0x3FF;
  RecordingDeviceContext dc;
  a.r->SetAnimationState(kAnimStartRequested);
  ASSERT_TRUE(a.r->Animate(dc));
  // While animating: no back planes, labels or contours, and the points are hidden.
  EXPECT_EQ(a.r->View().BackPlanes, 0);
  EXPECT_EQ(a.r->View().LabelBits, 0);
  EXPECT_EQ(a.r->PointsOptions().Display & 0xFF, 3);
  a.r->AnimationStep(dc);
  a.r->AnimationStep(dc);
  EXPECT_EQ(a.r->View().AngleXY, 20);
  a.r->RequestAnimationStop();
  EXPECT_FALSE(a.r->AnimationStep(dc));
  EXPECT_EQ(a.r->AnimationStateValue(), kAnimIdle);
  EXPECT_EQ(a.r->View().AngleXY, 123);
  EXPECT_EQ(a.r->View().AngleZ, 17);
  EXPECT_EQ(a.r->View().BackPlanes, 2);
  EXPECT_EQ(a.r->View().LabelBits, 0x3FF);
  EXPECT_EQ(a.r->PointsOptions().Display, 1);
  // Start again: it resumes at the last frame shown.
  a.r->SetAnimationState(kAnimStartRequested);
  ASSERT_TRUE(a.r->Animate(dc));
  a.r->AnimationStep(dc);
  EXPECT_EQ(a.r->View().AngleXY, 30);
  a.r->RequestAnimationStop();
  a.r->AnimationStep(dc);
  // After a reset it begins at the start angles again.
  a.r->ResetAnimation();
  a.r->SetAnimationState(kAnimStartRequested);
  ASSERT_TRUE(a.r->Animate(dc));
  EXPECT_EQ(a.r->View().AngleXY, 0);
  EXPECT_EQ(a.r->View().AngleZ, 40);
}

TEST(Animation, LegendShowsTheAnglesWhileRunning) {
  AnimatedGraph a(Anim(1, 10, 350, 10, 0, 0, 0));
  RecordingDeviceContext dc;
  a.r->SetAnimationState(kAnimStartRequested);
  ASSERT_TRUE(a.r->Animate(dc));
  a.r->AnimationStep(dc);
  const auto texts = dc.Children()[0]->OpsOf(DcOpKind::TextOut);
  // The legend is the last text of a graph without title lines, after the axis labels.
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2].text, "XY 20");
  EXPECT_EQ(texts.back().text, "Z 17");
}

TEST(Animation, WithoutAnOffScreenSurfaceNothingPlays) {
  GraphDisplayFacts saved = GetGraphDisplayFacts();
  GraphDisplayFacts none = saved;
  none.screenWidth = 0;
  SetGraphDisplayFacts(none);
  AnimatedGraph a(T3DAnimRec{});
  RecordingDeviceContext dc;
  a.r->SetAnimationState(kAnimStartRequested);
  EXPECT_FALSE(a.r->Animate(dc));
  EXPECT_EQ(a.r->AnimationStateValue(), kAnimIdle);
  SetGraphDisplayFacts(saved);
}

TEST(Animation, StopRequestedFromAnotherThread) {
  AnimatedGraph a(Anim(1, 0, 355, 5, 0, 0, 0));
  RecordingDeviceContext dc;
  a.r->SetAnimationState(kAnimStartRequested);
  ASSERT_TRUE(a.r->Animate(dc));
  std::atomic<int> frames{0};
  std::thread stopper([&] {
    while (frames.load() < 3) std::this_thread::yield();
    a.r->RequestAnimationStop();
  });
  while (a.r->AnimationStep(dc)) ++frames;
  stopper.join();
  EXPECT_GE(frames.load(), 3);
  EXPECT_EQ(a.r->AnimationStateValue(), kAnimIdle);
  EXPECT_EQ(a.r->View().AngleXY, 123);
}

}  // namespace
