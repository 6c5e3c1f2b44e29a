// The scattered-data window's graph over data whose hull leaves corners of the rounded axes
// empty: the Z scale and Quick Eval's lowest and highest point come from inside the hull,
// while the surface beyond it is still drawn; and the long loess set-up under a progress
// window whose Cancel leaves the surface and the data as they were.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <memory>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "smooth/engines/data_hull.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/loess_window.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "smooth/ui/scattered_window.h"
#include "smooth/ui/smoothing_commands.h"
#include "../../graph3d/ui/dialog_shots.h"

namespace {

// n points over [0.1, 4.1] x [0.2, 9.6] with the corners beyond x > 3.2, y > 8 and x < 0.9,
// y < 1.5 left empty; the graph's axes round out to [0, 4.5] x [0, 10], and every method's
// surface runs off into those corners, 1.5 or more beyond its heights inside the hull.
PointTable CornerlessPoints(int n) {
  PointTable t = NewPointTable(n);
  std::uint64_t seed = 7;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<long double>(seed >> 11) * 0x1.0p-53L;
  };
  for (int k = 1; k <= n;) {
    const long double x = 0.1L + 4 * next(), y = 0.2L + 9.4L * next();
    if ((x > 3.2L && y > 8) || (x < 0.9L && y < 1.5L)) continue;
    const long double z = std::exp(0.45L * x) * std::cos(0.5L * y) + 0.1L * y;
    t[static_cast<std::size_t>(k++)] = TXYZPoint{x, y, z, 1, kPointActive};
  }
  return t;
}

class ScatteredScaleTest : public ::testing::Test {
 protected:
  void Load(PointTable table, int graph = kGraphScattered, int points = kPointsScattered,
            int place = kPlaceScattered) {
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(table)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    options = std::make_unique<TGraphOptions>(settings, graph, points, place);
    PrepareSmoothingSetup(*options, session);
  }
  T3DNParm* Open() {
    auto* w = new T3DNParm(nullptr, &options->Setup(), session, session.DataTitles(), &np);
    w->resize(900, 640);
    return w;
  }
  std::span<TXYZPoint> Records() {
    return session.Table.XYZData().first(static_cast<std::size_t>(session.Table.XYZRows()) + 1);
  }

  ProgramSettings settings = DefaultSettings(1280, 1024);
  TDataSession session;
  std::unique_ptr<TGraphOptions> options;
  TNPSettings np = DefaultNPSettings(TNPSettingsKind::kScattered);
};

// The lowest and highest node of the drawn grid inside the hull, and whether a node beyond
// it lies outside their range (the extrapolation the scale leaves out).
struct TGridFacts {
  long double low = 1e300L, high = -1e300L;
  bool beyond = false;
};
TGridFacts GridFacts(const T3DBase& r, const TDataHull& hull) {
  TGridFacts f;
  const long double dx = (r.AxisHigh(0) - r.AxisLow(0)) / (r.GridNx() - 1);
  const long double dy = (r.AxisHigh(1) - r.AxisLow(1)) / (r.GridNy() - 1);
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 0; i < r.GridNx(); ++i)
      for (int j = 0; j < r.GridNy(); ++j) {
        const long double z = r.GridValue(i, j);
        if (z == ExprErrorValue) continue;
        const bool inside = hull.Contains(r.AxisLow(0) + i * dx, r.AxisLow(1) + j * dy);
        if (pass == 0 && inside) {
          f.low = std::min(f.low, z);
          f.high = std::max(f.high, z);
        } else if (pass == 1 && !inside) {
          f.beyond = f.beyond || z < f.low - 1 || z > f.high + 1;
        }
      }
  return f;
}

TEST_F(ScatteredScaleTest, TheScaleAndTheExtremesComeFromInsideTheDataHull) {
  Load(CornerlessPoints(110));
  const TDataHull hull(Records());
  const long double zMin = session.DataStats.Z.Min, zMax = session.DataStats.Z.Max;
  // The Quick Eval the window opens, with both searches on.
  std::array<long double, 2> xy{ExprErrorValue, ExprErrorValue};
  std::array<std::int32_t, 2> checks{1, 1};
  SetQuickEvalMaker([&](QWidget* owner, TQuickEvalSource source) {
    auto* d = new TQEval(owner, std::move(source), TQuickEvalShared{&xy, &checks});
    d->show();
    return TQuickEvalWindow{d, [d] { d->Evaluate(); }};
  });
  auto* w = Open();
  ShowDialog(w, "scattered_window_scale");
  w->ToggleQuickEval();
  ASSERT_TRUE(w->QuickEvalOpen());
  auto* qe = w->findChild<TQEval*>();
  ASSERT_NE(qe, nullptr);
  for (const int code : {kNPRenka2, kNPRenka3, kNPPreusser, kNPRenka1}) {
    SCOPED_TRACE(code);
    w->ClickMethod(code);
    const T3DBase& r = w->Renderer();
    const TGridFacts f = GridFacts(r, hull);
    // The Z range: the data's, widened by the surface inside the hull only.
    EXPECT_EQ(r.DataLow(2), std::min(zMin, f.low));
    EXPECT_EQ(r.DataHigh(2), std::max(zMax, f.high));
    EXPECT_TRUE(f.beyond) << "the data leave no extrapolation to leave out";
    // Quick Eval's extremes lie inside the hull, at heights of the surface there.
    qe->Evaluate();
    for (const int first : {105, 109}) {
      const long double x = qe->Control<QLabel>(first)->text().toDouble();
      const long double y = qe->Control<QLabel>(first + 1)->text().toDouble();
      const long double z = qe->Control<QLabel>(first + 2)->text().toDouble();
      ASSERT_FALSE(qe->Control<QLabel>(first + 2)->text().isEmpty());
      // Where the surface falls away beyond the hull the extreme lies on it: its shown
      // digits may round it a hair outside, which a step of 1e-4 towards the middle takes back.
      EXPECT_TRUE(hull.Contains(x + 1e-4L * (2.1L - x), y + 1e-4L * (4.9L - y))) << x << ", " << y;
      EXPECT_GT(z, f.low - 0.5L * (f.high - f.low));
      EXPECT_LT(z, f.high + 0.5L * (f.high - f.low));
    }
  }
  delete w;
  SetQuickEvalMaker(nullptr);
}

// Cancels the progress window at its first look at the user's events.
void CancelTheProgressWhenItAsks() {
  QTimer::singleShot(0, [] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<QProgressDialog*>(top); p && p->objectName() == "TProgressWindow") p->cancel();
  });
}

TEST_F(ScatteredScaleTest, CancellingALongLoessLeavesTheSurfaceAndTheDataAsTheyWere) {
  Load(CornerlessPoints(600));
  np.method = kNPLoess;
  auto* w = Open();
  ShowDialog(w, "scattered_window_loess");
  const std::vector<TXYZPoint> data(Records().begin(), Records().end());
  const int count = w->Engine().Option2();
  const QString sse = w->Control<QLabel>(TBaseNP::kSse)->text();
  const long double value = w->Engine().EvalAt(2, 5);

  w->Edit(1)->setText("550");
  ASSERT_TRUE(w->RecomputePending());
  CancelTheProgressWhenItAsks();
  w->FlushRecompute();
  EXPECT_EQ(w->Engine().Method(), kNPLoess);
  EXPECT_EQ(w->Engine().Option2(), count);
  EXPECT_EQ(w->Working().option2[kNPLoess], count);
  EXPECT_EQ(w->Edit(1)->text(), QString::number(count));
  EXPECT_EQ(w->Engine().EvalAt(2, 5), value);
  EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), sse);
  EXPECT_TRUE(w->Control<QRadioButton>(T3DNParm::kFirstMethod + kNPLoess)->isChecked());

  // A click on Loess cancelled the same way keeps the method before it.
  w->ClickMethod(kNPRenka2);
  const long double renka = w->Engine().EvalAt(2, 5);
  CancelTheProgressWhenItAsks();
  w->ClickMethod(kNPLoess);
  EXPECT_EQ(w->Engine().Method(), kNPRenka2);
  EXPECT_EQ(w->Working().method, kNPRenka2);
  EXPECT_TRUE(w->Control<QRadioButton>(T3DNParm::kFirstMethod + kNPRenka2)->isChecked());
  EXPECT_EQ(w->Engine().EvalAt(2, 5), renka);
  w->ClickMethod(kNPLoess);
  EXPECT_EQ(w->Engine().EvalAt(2, 5), value);

  // Let through, the count takes effect.
  w->Edit(1)->setText("550");
  w->FlushRecompute();
  EXPECT_EQ(w->Engine().Option2(), 550);
  EXPECT_NE(w->Engine().EvalAt(2, 5), value);
  delete w;
  const std::span<TXYZPoint> after = Records();
  ASSERT_EQ(after.size(), data.size());
  for (std::size_t k = 0; k < data.size(); ++k) {
    EXPECT_EQ(after[k].X, data[k].X);
    EXPECT_EQ(after[k].Z, data[k].Z);
    EXPECT_EQ(after[k].Status, data[k].Status);
  }
}

// The loess window's count under the same progress window: cancelled, the smooth and its
// statistics stay, and OK smooths the data by them.
TEST_F(ScatteredScaleTest, TheLoessWindowKeepsItsSmoothWhenCancelled) {
  Load(CornerlessPoints(400), kGraphLoess, kPointsLoess, kPlaceLoess);
  TNPSettings loess = DefaultNPSettings(TNPSettingsKind::kLoess);
  auto* w = new T3DSmooth(nullptr, &options->Setup(), session, &loess);
  ShowDialog(w, "loess_window_progress");
  const int count = w->Engine().Option2();
  const QString sse = w->Control<QLabel>(TBaseNP::kSse)->text();
  const long double value = w->Engine().EvalAt(2, 5);
  w->Edit(1)->setText("350");
  CancelTheProgressWhenItAsks();
  w->FlushRecompute();
  EXPECT_EQ(w->Engine().Option2(), count);
  EXPECT_EQ(w->Working().option2[w->Working().method], count);
  EXPECT_EQ(w->Edit(1)->text(), QString::number(count));
  EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), sse);
  EXPECT_EQ(w->Engine().EvalAt(2, 5), value);
  const PointTable smoothed = w->Engine().SmoothedData();
  w->accept();
  ASSERT_EQ(Records().size(), smoothed.size());
  for (std::size_t k = 1; k < smoothed.size(); ++k) EXPECT_EQ(Records()[k].Z, smoothed[k].Z);
  delete w;
}

}  // namespace
