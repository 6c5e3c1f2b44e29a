#include "smooth/ui/smoothing_commands.h"

#include <QCoreApplication>

#include <cstdio>

#include "app/background_fit_hold.h"
#include "app/data_files.h"
#include "app/data_signature.h"
#include "app/data_statistics.h"
#include "app/file_utils.h"
#include "app/shell_state.h"
#include "fit/background_fit.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_text.h"
#include "graph3d/graph_options.h"
#include "smooth/engines/scattered_test_suite.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/engines/smoothing_titles.h"
#include "smooth/ui/gridded_window.h"
#include "smooth/ui/loess_window.h"
#include "smooth/ui/nurbs_window.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "smooth/ui/regrid_windows.h"
#include "smooth/ui/review_quick_eval.h"
#include "smooth/ui/scattered_window.h"
#include "smooth/ui/view_data_window.h"
#include "smooth/ui/test_suite_dialog.h"

namespace {

// A smoothing window comes up once its engine has made its surface or grid, which may take a
// while: a click on its way to the window before it must not land on its graph or buttons.
void GuardOpening(QWidget* window) { GuardAgainstEarlyClicks(window); }

constexpr int kAppendAnswer = 6;
constexpr int kCancelAnswer = 2;
constexpr int kWriteFailedText = 3075;

std::span<TXYZPoint> TableRecords(TDataSession& session) {
  return session.Table.XYZData().first(static_cast<std::size_t>(session.Table.XYZRows()) + 1);
}

// A window whose first surface the user cancelled is not shown: it goes, the data status
// window comes back, and the settings and the data stay as they were.
bool CancelledOpening(TBaseNP* window) {
  if (!window->OpeningCancelled()) return false;
  delete window;
  ShowDataStatus();
  return true;
}

}  // namespace

void CmNPTest(QWidget* parent) {
  const platform::Window owner = platform::qt::ToWindow(parent);
  TNPTestSelection selection;  // "None" and "Defaults", nothing checked
  if ((new TNPTestDlg(parent, &selection))->Execute() != QDialog::Accepted) return;
  std::string path;
  const int answer = FileSaveAppendDlg(owner, "Test File", path, nullptr, "TXT",
                                       "Text Files [txt]|*.txt|", 1);
  if (answer == kCancelAnswer) return;
  const bool append = answer == kAppendAnswer;
  // The file is tried before the run, so that a report with nowhere to go costs no time;
  // appending leaves what the file holds as it is.
  if (!FOpenOem(path, "ab")) {
    ErrorBox(owner, path, SaveFailureText(path, kWriteFailedText));
    return;
  }

  CloseDataStatus();
  ShowBusyMsg(owner, "", "", 1);
  // The run holds the interface thread; between its steps the windows are painted (the busy
  // window among them, once the system has shown it), with the user's input held back, as a
  // modal run would.
  auto paint = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  paint();
  const std::string report = RunNPTestSuite(
      selection, {[&paint](const std::string& caption) {
                    UpdateBusyMsg(caption.c_str(), nullptr);
                    paint();
                  },
                  [&paint](const std::string& text) {
                    UpdateBusyMsg(nullptr, text.c_str());
                    paint();
                  }});
  HideBusyMsg();

  bool written;
  if (append) {
    FilePtr file = FOpenOem(path, "ab");
    written = file && std::fwrite(report.data(), 1, report.size(), file.get()) == report.size() &&
              std::fclose(file.release()) == 0;
  } else {
    // A new report replaces the file whole, or leaves it as it was.
    written = SaveGlobalToFile(report, path);
  }
  if (!written) ErrorBox(owner, path, SaveFailureText(path, kWriteFailedText));
  ShowDataStatus();
}

void PrepareSmoothingSetup(TGraphOptions& options, TDataSession& session) {
  T3DGraphSetup& setup = options.Setup();
  setup.Points = TablePoints(session.Table);
  setup.ResidualMode = 0;
  setup.LockMask = 0;
  options.points.FitRecord = nullptr;
  options.customTitles.Enabled = 0;
  SetNPGraphTitles(options.titles, session.DataTitles(), kNPChoiceValue);
  T3DScalingBlock& s = setup.Scaling;
  const TAxisStats* axes[3] = {&session.DataStats.X, &session.DataStats.Y, &session.DataStats.Z};
  for (std::size_t a = 0; a < 3; ++a) {
    const TAxisSpan span = DataAxisSpan(*axes[a]);
    long double low = span.low, high = span.high;
    if (low == high) {
      low -= 0.5L;
      high += 0.5L;
    }
    s.DataLow[a] = s.AxisLow[a] = low;
    s.DataHigh[a] = s.AxisHigh[a] = high;
    s.Auto[a] = 1;
    s.Log[a] = 0;
    s.Zoom[a] = 1;
  }
}

void RunScatteredWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings) {
  if (!CheckNotCollinear(TableRecords(session), "Non-Parametric Processing will not be possible."))
    return;
  TGraphOptions options(settings, kGraphScattered, kPointsScattered, kPlaceScattered);
  PrepareSmoothingSetup(options, session);
  TNPSettings np = DecodeNPSettings(settings.scatteredSettings, TNPSettingsKind::kScattered);
  CloseDataStatus();
  {
    auto* window = new T3DNParm(parent, &options.Setup(), session, session.DataTitles(), &np);
    if (CancelledOpening(window)) return;
    window->SetQuickEvalPlacement(&settings.placements[kPlaceQuickEval + 1]);
    window->resize(980, 680);
    GuardOpening(window);
    window->Execute();
  }
  settings.scatteredSettings = EncodeNPSettings(np);
  options.StoreBack();
  ShowDataStatus();
}

void SettleSmoothedData(TDataSession& session, QWidget* parent) {
  // The old data's fits go first: the background fit that the pre-scan starts is the new
  // data's, and stays.
  VoidFitResults(session);
  PrescanData(session, platform::qt::ToWindow(parent));
  if (DataFileHooks().SetHaveData) DataFileHooks().SetHaveData(1);
  session.DataUnsaved = 1;
}

void RunLoessWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings) {
  if (!CheckNotCollinear(TableRecords(session), "Smoothing will not be possible.")) return;
  TGraphOptions options(settings, kGraphLoess, kPointsLoess, kPlaceLoess);
  PrepareSmoothingSetup(options, session);
  TNPSettings np = DecodeNPSettings(settings.loessSettings, TNPSettingsKind::kLoess);
  CloseDataStatus();
  bool smoothed = false;
  {
    auto* window = new T3DSmooth(parent, &options.Setup(), session, &np);
    if (CancelledOpening(window)) return;
    window->SetSmoothedFlag(&smoothed);
    window->resize(900, 640);
    GuardOpening(window);
    window->Execute();
  }
  settings.loessSettings = EncodeNPSettings(np);
  options.StoreBack();
  if (smoothed) SettleSmoothedData(session, parent);
  ShowDataStatus();
}

void RunGriddedWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings) {
  if (!CheckNotCollinear(TableRecords(session), "Non-Parametric Processing will not be possible.")) return;
  TGraphOptions options(settings, kGraphGridSpline, kPointsGridSpline, kPlaceGridSpline);
  PrepareSmoothingSetup(options, session);
  TNPGridSettings np = DecodeNPGridSettings(settings.gridSplineSettings, TNPGridSettingsKind::kGridded);
  CloseDataStatus();
  {
    auto* window = new T3DSpline(parent, &options.Setup(), session, session.DataTitles(), &np);
    window->SetQuickEvalPlacement(&settings.placements[kPlaceQuickEval]);
    window->resize(980, 700);
    GuardOpening(window);
    window->Execute();
  }
  settings.gridSplineSettings = EncodeNPGridSettings(np);
  options.StoreBack();
  ShowDataStatus();
}

bool ReplaceDataByGrid(QWidget* parent, TDataSession& session, PointTable grid) {
  if (grid.empty()) return false;
  StopBackgroundFit();
  if (!session.Table.ReplaceDataTable(std::move(grid))) {
    (void)ErrorBox(platform::qt::ToWindow(parent), "Data Set Error",
                   "The grid is too large for the data table.\nThe data table is left as it was.");
    return false;
  }
  SettleSmoothedData(session, parent);
  // The table is the grid now, no longer the file's points: the status window and the
  // exports' source line must not name that file until the grid is saved under a name.
  session.DataFileLabel = kMadeGridLabel;
  return true;
}

void RunUniformGridWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings) {
  if (!CheckNotCollinear(TableRecords(session), "Non-Parametric Processing will not be possible.")) return;
  TGraphOptions options(settings, kGraphUniformGrid, kPointsUniformGrid, kPlaceUniformGrid);
  PrepareSmoothingSetup(options, session);
  CloseDataStatus();
  PointTable grid;
  {
    auto* window = new TDFSpline(parent, &options.Setup(), session, &settings.UniformGridSize,
                                 &settings.RegridMethods[0], &grid);
    window->resize(900, 680);
    GuardOpening(window);
    window->Execute();
  }
  options.StoreBack();
  (void)ReplaceDataByGrid(parent, session, std::move(grid));
  ShowDataStatus();
}

void RunSparseGridWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings) {
  if (!CheckNotCollinear(TableRecords(session), "Non-Parametric Processing will not be possible.")) return;
  TGraphOptions options(settings, kGraphSparseGrid, kPointsSparseGrid, kPlaceSparseGrid);
  PrepareSmoothingSetup(options, session);
  CloseDataStatus();
  PointTable grid;
  {
    auto* window = new TFSSpline(parent, &options.Setup(), session, &settings.RegridMethods[1], &grid);
    window->resize(900, 640);
    // Told before the window stands: a grid too large to fill is given up for a uniform one,
    // whose points its OK puts in the data's place.
    if (const std::string gaveWay = SparseGridGaveWayText(window->Engine()); !gaveWay.empty())
      InfoBox(platform::qt::ToWindow(parent), "Fill Sparse Grid", gaveWay);
    GuardOpening(window);
    window->Execute();
  }
  options.StoreBack();
  (void)ReplaceDataByGrid(parent, session, std::move(grid));
  ShowDataStatus();
}

void RunNurbsWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings) {
  if (!CheckNotCollinear(TableRecords(session), "Smoothing will not be possible.")) return;
  TGraphOptions options(settings, kGraphNurbs, kPointsNurbs, kPlaceNurbs);
  PrepareSmoothingSetup(options, session);
  TNPGridSettings np = DecodeNPGridSettings(settings.nurbsSettings, TNPGridSettingsKind::kNurbs);
  CloseDataStatus();
  bool smoothed = false;
  {
    auto* window = new T3DSmoothNurbs(parent, &options.Setup(), session, &np);
    window->SetSmoothedFlag(&smoothed);
    window->resize(900, 640);
    GuardOpening(window);
    window->Execute();
  }
  settings.nurbsSettings = EncodeNPGridSettings(np);
  options.StoreBack();
  if (smoothed) SettleSmoothedData(session, parent);
  ShowDataStatus();
}

void RunViewDataWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings) {
  TGraphOptions options(settings, kGraphDataStatus, kPointsDataStatus, kPlaceDataView);
  PrepareSmoothingSetup(options, session);
  const std::uint64_t before = DataSignature(TableRecords(session));
  CloseDataStatus();
  {
    // The data graph opens at once on the user's command (it makes no surface before it
    // shows): it is not guarded as the windows that come up after their work are.
    auto* window = new TViewDataNP(parent, &options.Setup(), session, &settings.ViewDataAddSurface);
    window->resize(900, 640);
    window->Execute();
  }
  options.StoreBack();
  // A background fit that ran since the last pre-scan fits the data as that pre-scan left
  // them. Statuses changed stay changed however the window was left, so the fits are
  // judged on every way out.
  // A table that came back as it was keeps its results (and a background fit that the window
  // held starts again).
  const std::uint64_t reference = BgFitState.load() != 0 || BgFitDone.load() != 0 ? session.DataFingerprint : before;
  if (SettleBackgroundFitHold(session, reference) && DataFileHooks().SetHaveData) DataFileHooks().SetHaveData(1);
  ShowDataStatus();
}

void RegisterSmoothingCommands(TDataSession& session) {
  // Quick Eval serves every graph window that offers it (the function viewer's too).
  SetQuickEvalMaker(&MakeQuickEval);
  RegisterReviewQuickEval();
  RegisterCommand(CmSmoothLoess, [&session] { RunLoessWindow(MainWindow, session, CurrentSettings()); });
  RegisterCommand(CmGriddedNP, [&session] { RunGriddedWindow(MainWindow, session, CurrentSettings()); });
  RegisterCommand(CmSmoothNurbs, [&session] { RunNurbsWindow(MainWindow, session, CurrentSettings()); });
  RegisterCommand(CmDataGraph, [&session] { RunViewDataWindow(MainWindow, session, CurrentSettings()); });
  RegisterCommand(CmTestScattered, [] { CmNPTest(MainWindow); });
  RegisterCommand(CmUniformGrid, [&session] { RunUniformGridWindow(MainWindow, session, CurrentSettings()); });
  RegisterCommand(CmFillSparseGrid, [&session] { RunSparseGridWindow(MainWindow, session, CurrentSettings()); });
  RegisterCommand(CmScatteredNP, [&session] { RunScatteredWindow(MainWindow, session, CurrentSettings()); });
}
