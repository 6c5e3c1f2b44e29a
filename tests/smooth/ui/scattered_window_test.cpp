// The scattered-data window (2163) on the window base: the delayed recomputation and what
// cancels it, the option edits' enabling and labels by method, derivative surfaces with
// their titles and blank statistics, statuses put back at close (a clicked point's too), the
// evaluation table on the engine's own derivatives and volume, the settings kept only on
// OK, the extension methods' buttons, the Z scale and Quick Eval's extremes from inside the
// data's hull, a long loess set-up cancelled from its progress window (at the opening and
// after a click on a point too), and the opening check for collinear data.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <memory>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/shell_state.h"
#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "platform/message_box.h"
#include "smooth/engines/data_hull.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "smooth/ui/scattered_window.h"
#include "smooth/ui/smoothing_commands.h"
#include "../../graph3d/ui/dialog_shots.h"
#include "smoothing_window_test_support.h"

namespace {

// Franke's first function on a scrambled 12 x 12 lattice: 144 points, none on a line.
PointTable FrankePoints(int n = 144) {
  PointTable t = NewPointTable(n);
  for (int k = 1; k <= n; ++k) {
    const long double x = std::fmod(k * 0.618034L, 1.0L);
    const long double y = std::fmod(k * 0.414214L, 1.0L);
    const long double z = 0.75L * std::exp(-(std::pow(9 * x - 2, 2) + std::pow(9 * y - 2, 2)) / 4) +
                          0.5L * std::exp(-(std::pow(9 * x - 7, 2) + std::pow(9 * y - 3, 2)) / 4);
    t[static_cast<std::size_t>(k)] = TXYZPoint{x, y, z, 1, kPointActive};
  }
  return t;
}

PointTable MakeThree() {
  PointTable t = NewPointTable(3);
  t[1] = TXYZPoint{0, 0, 1, 1, kPointActive};
  t[2] = TXYZPoint{1, 0, 2, 1, kPointActive};
  t[3] = TXYZPoint{0, 1, 3, 1, kPointActive};
  return t;
}

// A section dialog that excludes every other point, answering OK or Cancel.
class SectionDialogs : public GraphOptionDialogs {
 public:
  SectionDialogs(TDataSession& data, int answer) : data_(data), answer_(answer) {}
  int Run(int dialog, QWidget*, T3DGraphSetup&, const GraphOptionContext&) override {
    if (dialog != kDlgSection) return kDialogCancel;
    std::span<TXYZPoint> t = data_.Table.XYZData();
    for (int k = 2; k <= data_.Table.XYZRows(); k += 2) t[static_cast<std::size_t>(k)].Status = kPointInactive;
    return answer_;
  }

 private:
  TDataSession& data_;
  int answer_;
};

class ScatteredWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Load(FrankePoints()); }
  void Load(PointTable table) {
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(table)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    options = std::make_unique<TGraphOptions>(settings, kGraphScattered, kPointsScattered, kPlaceScattered);
    PrepareSmoothingSetup(*options, session);
  }
  T3DNParm* Open(std::unique_ptr<GraphOptionDialogs> dialogs = nullptr) {
    auto* w = new T3DNParm(nullptr, &options->Setup(), session, session.DataTitles(), &np, std::move(dialogs));
    w->resize(900, 640);
    return w;
  }
  std::span<TXYZPoint> Records() {
    return session.Table.XYZData().first(static_cast<std::size_t>(session.Table.XYZRows()) + 1);
  }
  std::vector<char> Statuses() {
    std::vector<char> s;
    for (int k = 1; k <= session.Table.XYZRows(); ++k) s.push_back(session.Table.XYZData()[static_cast<std::size_t>(k)].Status);
    return s;
  }

  ProgramSettings settings = DefaultSettings(1280, 1024);
  TDataSession session;
  std::unique_ptr<TGraphOptions> options;
  TNPSettings np = DefaultNPSettings(TNPSettingsKind::kScattered);
};

TEST_F(ScatteredWindowTest, TwoKeystrokesWithinTheDelayRecomputeOnceWithTheLastValue) {
  auto* w = Open();
  ShowDialog(w, "scattered_window");
  w->ClickMethod(kNPLoess);  // option 2: the neighbour count
  const int before = w->RecomputeCount();
  TRangeSpinEdit* count = w->Edit(1);
  count->setText("1");
  count->setText("19");
  EXPECT_TRUE(w->RecomputePending());
  EXPECT_EQ(w->RecomputeCount(), before);  // waiting after the last keystroke
  // Waits for the recomputation, however loaded the machine: a bound, not a time to keep.
  QTRY_COMPARE_WITH_TIMEOUT(w->RecomputeCount(), before + 1, 60000);
  EXPECT_EQ(w->Engine().Option2(), 19);
  EXPECT_EQ(w->Working().option2[kNPLoess], 19);
  QTest::qWait(TBaseNP::kRecomputeDelayMs + 200);
  EXPECT_EQ(w->RecomputeCount(), before + 1);
  // Text that is no number, or lies outside the edit's range, is ignored.
  for (const char* text : {"", "x", "1e", "-3", "100000000"}) {
    count->setText(text);
    EXPECT_FALSE(w->RecomputePending()) << text;
  }
  EXPECT_EQ(w->Working().option2[kNPLoess], 19);
  delete w;
}

TEST_F(ScatteredWindowTest, ARadioClickCancelsAPendingRecomputationAndWrittenValuesNeverRecompute) {
  np.option1[kNPWatson] = 7;  // beyond Watson's range 0..1
  auto* w = Open();
  w->ClickMethod(kNPLoess);
  w->Edit(1)->setText("17");
  ASSERT_TRUE(w->RecomputePending());
  const int before = w->RecomputeCount();
  w->ClickMethod(kNPWatson);
  EXPECT_FALSE(w->RecomputePending());
  EXPECT_EQ(w->RecomputeCount(), before + 1);
  // The clamped option is written into the edit and kept, without a second recomputation.
  EXPECT_EQ(w->Edit(0)->text(), "1");
  EXPECT_EQ(w->Working().option1[kNPWatson], 1);
  QTest::qWait(TBaseNP::kRecomputeDelayMs + 200);
  EXPECT_EQ(w->RecomputeCount(), before + 1);
  EXPECT_FALSE(w->RecomputePending());
  delete w;
}

TEST_F(ScatteredWindowTest, OptionEditsAndLabelsFollowTheMethod) {
  auto* w = Open();
  struct Row {
    int code;
    bool option1, option2;
    const char *label1, *label2;
  } const rows[] = {
      {kNPAkima1, false, false, "C", "Count"},     {kNPAkima2, false, false, "C", "Count"},
      {kNPPreusser, true, false, "C", "Count"},    {kNPRenka1, true, true, "Cnstrn", "Tension"},
      {kNPRenka2, true, true, "C", "Count"},       {kNPRenka3, false, true, "C", "Count"},
      {kNPWatson, true, true, "C", "Tension"},     {kNPLoess, true, true, "Order", "Count"},
  };
  for (const Row& r : rows) {
    w->ClickMethod(r.code);
    EXPECT_TRUE(w->Control<QRadioButton>(T3DNParm::kFirstMethod + r.code)->isChecked()) << r.code;
    EXPECT_EQ(w->Edit(0)->isEnabled(), r.option1) << r.code;
    if (r.code != kNPWatson) {
      EXPECT_EQ(w->Edit(1)->isEnabled(), r.option2) << r.code;
    }
    EXPECT_EQ(w->Control<QLabel>(T3DNParm::kOption1Label)->text(), r.label1) << r.code;
    EXPECT_EQ(w->Control<QLabel>(T3DNParm::kOption2Label)->text(), r.label2) << r.code;
  }
  // Watson's option 2 follows option 1.
  w->ClickMethod(kNPWatson);
  w->Edit(0)->setText("0");
  w->FlushRecompute();
  EXPECT_FALSE(w->Edit(1)->isEnabled());
  w->Edit(0)->setText("1");
  w->FlushRecompute();
  EXPECT_TRUE(w->Edit(1)->isEnabled());
  // No extension library: its eight buttons are hidden.
  for (int id = 119; id <= 126; ++id) EXPECT_TRUE(w->Control<QRadioButton>(id)->isHidden()) << id;
  delete w;
}

TEST_F(ScatteredWindowTest, ExtensionMethodsShowTheirButtonsAndGenericLabels) {
  NPDllName = "npsample.DLL";  // two methods
  auto* w = Open();
  for (int id = 119; id <= 126; ++id) EXPECT_EQ(w->Control<QRadioButton>(id)->isHidden(), id >= 121) << id;
  EXPECT_EQ(w->Control<QRadioButton>(119)->text(), "A");
  EXPECT_EQ(w->Control<QRadioButton>(120)->text(), "B");
  w->ClickMethod(kNPExtensionFirst + 1);
  EXPECT_EQ(w->Working().method, kNPExtensionFirst + 1);
  EXPECT_EQ(w->Control<QLabel>(T3DNParm::kOption1Label)->text(), "Opt 1");
  EXPECT_EQ(w->Control<QLabel>(T3DNParm::kOption2Label)->text(), "Opt 2");
  EXPECT_EQ(w->Edit(0)->isEnabled(), w->Engine().Option1Min() < w->Engine().Option1Max());
  delete w;
  NPDllName.clear();
}

TEST_F(ScatteredWindowTest, DerivativesShowTheirTitlesWithoutStatisticsPointsOrSection) {
  auto* w = Open();
  T3DTitleSet& titles = options->titles;
  const std::string zName = titles.AxisTitles[2];
  ASSERT_FALSE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  const char* const expected[] = {"~@\xB6~@Z/~@\xB6~@X", "~@\xB6~@Z/~@\xB6~@Y", "~@\xB6~@\xB2Z/~@\xB6~@X~@\xB6~@Y",
                                  "~@\xB6~@\xB2Z/~@\xB6~@X\xB2", "~@\xB6~@\xB2Z/~@\xB6~@Y\xB2"};
  for (int c = 1; c <= 5; ++c) {
    w->ClickChoice(c);
    EXPECT_EQ(titles.AxisTitles[2], expected[c - 1]) << c;
    EXPECT_TRUE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty()) << c;
    EXPECT_TRUE(w->Control<QLabel>(TBaseNP::kRSquared)->text().isEmpty()) << c;
    EXPECT_FALSE(w->Control(kCmSection)->isEnabled()) << c;
    EXPECT_FALSE(w->Control(kCmEvaluate)->isEnabled()) << c;
    EXPECT_FALSE(options->Setup().Points) << c;
  }
  // dX of Franke's function at a point, against the engine's own derivative mode.
  w->ClickChoice(1);
  EXPECT_EQ(options->Setup().SurfaceFn(0.4L, 0.3L), w->Engine().EvalDx(0.4L, 0.3L));
  w->ClickChoice(0);
  EXPECT_EQ(titles.AxisTitles[2], zName);
  EXPECT_FALSE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  EXPECT_TRUE(w->Control(kCmSection)->isEnabled());
  EXPECT_TRUE(options->Setup().Points);
  delete w;
}

TEST_F(ScatteredWindowTest, StatusesChangedInsideTheWindowAreBackAtClose) {
  const std::vector<char> before = Statuses();
  for (int answer : {kDialogOk, kDialogCancel}) {
    auto* w = Open(std::make_unique<SectionDialogs>(session, answer));
    const long double sseBefore = w->Engine().Sse();
    const GraphOptionResult r = w->RunOptionCommand(kCmSection);
    if (answer == kDialogOk) {
      EXPECT_TRUE(r.dataChanged);
      EXPECT_NE(Statuses(), before);
      EXPECT_NE(w->Engine().Sse(), sseBefore) << "the surface is built on the remaining points";
    } else {
      EXPECT_EQ(Statuses(), before);
    }
    delete w;
    EXPECT_EQ(Statuses(), before) << answer;
    EXPECT_EQ(session.DataUnsaved, 0) << answer;
  }
}

TEST_F(ScatteredWindowTest, AClickedPointLeavesTheSurfaceUntilTheWindowCloses) {
  np.method = kNPLoess;  // a smoothing surface: its SSE moves with the points
  auto* w = Open();
  ShowDialog(w, "scattered_window_picking");
  const int active = w->Engine().PointCount();
  const QString sse = w->Control<QLabel>(TBaseNP::kSse)->text();
  const int record = smooth_test::ClickALonePoint(*w, Records());
  ASSERT_GT(record, 0);
  EXPECT_EQ(w->Engine().PointCount(), active - 1);
  EXPECT_NE(w->Control<QLabel>(TBaseNP::kSse)->text(), sse);
  delete w;
  EXPECT_EQ(Records()[static_cast<std::size_t>(record)].Status, kPointActive);
}

TEST_F(ScatteredWindowTest, TheEvaluationTableTakesTheEnginesDerivativesAndVolume) {
  np.method = kNPLoess;
  auto* w = Open();
  smooth_test::TCaughtEvaluation caught;
  (void)w->RunOptionCommand(kCmEvaluate);
  ASSERT_EQ(caught.opened, 1);
  EXPECT_EQ(caught.request.caption, "Non-Parametric Estimation Evaluation");
  TNParm3D& e = w->Engine();
  caught.ExpectDerivativesOf(e, 0.45L, 0.35L);
  // The engine answers a rectangle from its grids, and the same rectangle asked again by
  // integrating its surface: the table's two answers are those of an engine made alike.
  TNParm3D alike(Records(), kNPLoess, e.Option1(), e.Option2(), false);
  const TEvalComputer table = caught.Table();
  for (int ask = 1; ask <= 2; ++ask) {
    long double error = ExprErrorValue;
    const long double volume = alike.Volume(0.2L, 0.7L, 0.1L, 0.6L, &error);
    const TVolumeResult r = table.Volume(0.2L, 0.7L, 0.1L, 0.6L);
    EXPECT_EQ(r.value, volume) << ask;
    EXPECT_EQ(r.error, error) << ask;
  }
  delete w;
}

TEST_F(ScatteredWindowTest, SettingsAreKeptOnOkOnly) {
  const TNPSettings start = np;
  auto* w = Open();
  w->ClickMethod(kNPRenka2);
  w->reject();  // Escape
  delete w;
  EXPECT_EQ(np, start);
  w = Open();
  w->ClickMethod(kNPRenka2);
  w->Edit(1)->setText("12");
  w->FlushRecompute();
  w->accept();
  delete w;
  EXPECT_EQ(np.method, kNPRenka2);
  EXPECT_EQ(np.option2[kNPRenka2], 12);
  EXPECT_EQ(np.option1[kNPWatson], start.option1[kNPWatson]);
}

TEST_F(ScatteredWindowTest, AFailedSurfaceShowsBlankStatistics) {
  // Three points: no method has a surface, and no earlier numbers stand in its place.
  Load(MakeThree());
  auto* w = Open();
  EXPECT_FALSE(w->Engine().HasSurface());
  EXPECT_TRUE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  EXPECT_TRUE(w->Control<QLabel>(TBaseNP::kRSquared)->text().isEmpty());
  delete w;
}

// The graph over data whose hull leaves corners of the rounded axes empty: the Z scale and
// Quick Eval's lowest and highest point come from inside the hull, while the surface beyond
// it is still drawn.
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

TEST_F(ScatteredWindowTest, TheScaleAndTheExtremesComeFromInsideTheDataHull) {
  Load(CornerlessPoints(110));
  const TDataHull hull(Records());
  const long double zMin = session.DataStats.Z.Min, zMax = session.DataStats.Z.Max;
  // The Quick Eval the window opens, with both searches on.
  const smooth_test::TQuickEvalBothSearches searches;
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
}

// The long loess set-up under a progress window whose Cancel leaves the surface and the data
// as they were.
TEST_F(ScatteredWindowTest, CancellingALongLoessLeavesTheSurfaceAndTheDataAsTheyWere) {
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
  smooth_test::CancelTheProgressWhenItAsks();
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
  smooth_test::CancelTheProgressWhenItAsks();
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

// A saved loess whose first surface the user cancels from its progress window opens no
// window: the settings, the data and their statuses stay as they were. Let through, the
// same opening shows the window.
TEST_F(ScatteredWindowTest, CancellingTheFirstSurfaceOpensNoWindow) {
  Load(CornerlessPoints(300));
  np.method = kNPLoess;
  np.option2[kNPLoess] = 250;
  settings.scatteredSettings = EncodeNPSettings(np);
  smooth_test::ExpectACancelledOpeningToOpenNothing([this] { RunScatteredWindow(nullptr, session, settings); },
                                                    settings, session);
}

// A click on a point, or a section, whose rebuild the user cancels: the statuses go back to
// those of the surface on show, which stays with its statistics. Let through, the same click
// takes the point out.
TEST_F(ScatteredWindowTest, ACancelledRebuildPutsTheStatusesBackAndKeepsTheSurface) {
  np.method = kNPLoess;
  auto* w = Open(std::make_unique<SectionDialogs>(session, kDialogOk));
  ShowDialog(w, "scattered_window_cancelled_rebuild");
  const TNParm3D* engine = &w->Engine();
  const QString sse = w->Control<QLabel>(TBaseNP::kSse)->text();
  const long double value = w->Engine().EvalAt(0.4L, 0.6L);
  const std::vector<char> before = Statuses();
  const smooth_test::TDrawnPoint p = smooth_test::LoneActivePoint(*w, Records());
  ASSERT_GT(p.record, 0);
  {
    smooth_test::TCancelNextProgress cancel;
    EXPECT_EQ(smooth_test::HoverAndClick(*w, p), smooth_test::HoverText(p.record));
    EXPECT_TRUE(cancel.Cancelled());
  }
  EXPECT_EQ(Statuses(), before);
  EXPECT_EQ(&w->Engine(), engine);
  EXPECT_EQ(w->Engine().PointCount(), 144);
  EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), sse);
  EXPECT_EQ(w->Engine().EvalAt(0.4L, 0.6L), value);
  {
    smooth_test::TCancelNextProgress cancel;
    EXPECT_TRUE(w->RunOptionCommand(kCmSection).dataChanged);
    EXPECT_TRUE(cancel.Cancelled());
  }
  EXPECT_EQ(Statuses(), before);
  EXPECT_EQ(&w->Engine(), engine);
  EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), sse);

  QApplication::processEvents();  // the graph drawn again, the point active in it
  (void)smooth_test::HoverAndClick(*w, p);
  EXPECT_EQ(Records()[static_cast<std::size_t>(p.record)].Status, kPointInactive);
  EXPECT_EQ(w->Engine().PointCount(), 143);
  EXPECT_NE(w->Control<QLabel>(TBaseNP::kSse)->text(), sse);
  delete w;
  EXPECT_EQ(Statuses(), before);
}

// Records of `table` whose symbols the last paint drew.
int DrawnPoints(const T3DDlgSW& w) {
  int drawn = 0;
  const auto& kept = w.Renderer().KeptPoints();
  for (std::size_t i = 1; i < kept.size(); ++i) drawn += kept[i].x >= 0 ? 1 : 0;
  return drawn;
}

PointTable FivePoints() {
  PointTable t = NewPointTable(5);
  t[1] = TXYZPoint{0, 0, 1, 1, kPointActive};
  t[2] = TXYZPoint{1, 0, 2, 1, kPointActive};
  t[3] = TXYZPoint{0, 1, 3, 1, kPointActive};
  t[4] = TXYZPoint{1, 1, 2, 1, kPointActive};
  t[5] = TXYZPoint{0.4L, 0.6L, 5, 1, kPointActive};
  return t;
}

// A method that makes no surface of the data (Renka II on five points, an extension method
// stored while no extension library is loaded) leaves the data points drawn alone, and the
// graph says why; a method that makes one brings its surface back.
TEST_F(ScatteredWindowTest, AMethodWithoutASurfaceShowsThePointsAndSaysWhy) {
  Load(FivePoints());
  np.method = kNPRenka2;
  auto* w = Open();
  ShowDialog(w, "scattered_no_surface");
  ASSERT_FALSE(w->Engine().HasSurface());
  EXPECT_FALSE(options->Setup().SurfaceFn);
  EXPECT_EQ(DrawnPoints(*w), 5);
  EXPECT_EQ(options->titles.Lines[1], "No Surface: Renka II Cannot Make a Surface of These Data");
  w->ClickMethod(kNPWatson);
  ASSERT_TRUE(w->Engine().HasSurface());
  EXPECT_TRUE(options->Setup().SurfaceFn);
  EXPECT_EQ(options->titles.Lines[1], "");
  w->ClickMethod(kNPRenka2);
  w->grab();
  EXPECT_EQ(DrawnPoints(*w), 5);
  delete w;

  np.method = kNPExtensionFirst + 1;
  w = Open();
  ASSERT_EQ(w->Engine().ExtMethodCount(), 0);
  w->grab();
  EXPECT_TRUE(w->Control<QRadioButton>(T3DNParm::kFirstMethod + kNPExtensionFirst + 1)->isChecked());
  EXPECT_FALSE(w->Control<QRadioButton>(T3DNParm::kFirstMethod + kNPExtensionFirst + 1)->isHidden());
  EXPECT_TRUE(w->Control<QRadioButton>(T3DNParm::kFirstMethod + kNPExtensionFirst)->isHidden());
  EXPECT_EQ(options->titles.Lines[1], "No Surface: Method B Needs an Extension Library, and None Is Loaded");
  EXPECT_EQ(DrawnPoints(*w), 5);
  w->accept();  // untouched: the stored method stays for a run with the library
  delete w;
  EXPECT_EQ(np.method, kNPExtensionFirst + 1);
}

// OK with nothing changed stores nothing: the options the engine clamped for a small table
// stay as the user set them for larger ones; an option typed is stored as shown.
TEST_F(ScatteredWindowTest, OkUntouchedKeepsTheOptionsTheEngineClamped) {
  Load(FrankePoints(8));
  np.method = kNPRenka2;
  const TNPSettings start = np;
  auto* w = Open();
  ASSERT_LT(w->Engine().Option1(), start.option1[kNPRenka2]);  // clamped to the table
  EXPECT_EQ(w->Edit(0)->text(), QString::number(w->Engine().Option1()));
  w->ClickMethod(kNPRenka3);  // visited: shown clamped
  w->ClickMethod(kNPRenka2);
  w->accept();
  delete w;
  EXPECT_EQ(np, start);
  w = Open();
  const int most = w->Engine().Option2Max();
  w->Edit(1)->setText(QString::number(most));
  w->FlushRecompute();
  w->accept();
  delete w;
  TNPSettings typed = start;
  typed.option2[kNPRenka2] = most;
  EXPECT_EQ(np, typed);
}

TEST(SmoothingOpening, CollinearDataOpenNoWindow) {
  platform::ScriptedAnswers answers;
  PointTable line = NewPointTable(5);
  for (int k = 1; k <= 5; ++k) line[static_cast<std::size_t>(k)] = TXYZPoint{k * 1.0L, 2.0L * k, 1.0L * k * k, 1, kPointActive};
  EXPECT_FALSE(CheckNotCollinear(line, "Non-Parametric Processing will not be possible."));
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Data Set Error");
  EXPECT_EQ(answers.Boxes()[0].text, "All points are collinear.\nNon-Parametric Processing will not be possible.");
  EXPECT_TRUE(CheckNotCollinear(FrankePoints(), "x"));
  EXPECT_EQ(answers.Boxes().size(), 1u);
}

}  // namespace

