#include "app/ui/command_table.h"

#include <map>

namespace {

using E = Enabler;

constexpr CommandInfo kCommands[] = {
    // &File
    {CmImport, 0, "&Import...\tCtrl+I", E::A},
    {CmImportFilter, 0, "Import &Digital Filter...", E::A},
    {CmImportClipboard, 0, "Import &Clipboard", E::A},
    {CmImportClipboardMatrix, 0, "Import Clipboard &Matrix", E::A},
    {CmAppend, 0, "A&ppend...", E::A, true},
    {CmAppendFilter, 0, "App&end Digital Filter...", E::A},
    {CmAppendClipboard, 0, "Appe&nd Clipboard", E::A},
    {CmAppendClipboardMatrix, 0, "Append C&lipboard Matrix", E::A},
    {CmSaveAs, 0, "&Save As...", E::D, true},
    {CmAsciiList, 0, "&ASCII List...", E::A},
    {CmResetDefaults, 0, "&Reset All Defaults", E::A, true},
    {CmExit, 0, "E&xit", E::Always, true},
    // The recent files 2112-2116 are added at run time; their enabler is A.
    {2112, -1, "", E::A},
    {2113, -1, "", E::A},
    {2114, -1, "", E::A},
    {2115, -1, "", E::A},
    {2116, -1, "", E::A},
    {CmOpenStartupFile, -1, "", E::Always},
    // &Edit
    // "C&opy" keeps O as everywhere in the program; the editor takes N (both had O).
    {CmDataEditor, 1, "O&ndravik 3D Editor...\tCtrl+E", E::A},
    {CmAsciiEditor, 1, "&ASCII Editor...", E::A},
    {CmCopyData, 1, "C&opy", E::D, true},
    {CmGeneralPreferences, 1, "&General Preferences...", E::A, true},
    // &Calculate
    {CmCalculation, 2, "&Enter Calculation...", E::D},
    {CmApplyCalculation, 2, "&Apply to Data Table", E::C},
    {CmCancelCalculation, 2, "&Cancel Calculation", E::C},
    {CmReapplyCalculation, -1, "", E::Always},
    // &Table
    {CmTitles, 3, "&New Titles...", E::D},
    {CmStatistics, 3, "&XYZ Statistics...", E::D},
    {CmClearInactive, 3, "Clear &Inactive Points", E::D, true},
    {CmClearData, 3, "&Clear Data", E::D},
    {CmCloseDataStatus, -1, "", E::Always},
    {CmShowDataStatus, -1, "", E::Always},
    // &View
    {CmDataGraph, 4, "&Data Graph...\tCtrl+V", E::D},
    {CmFunctionViewer, 4, "&Function(X,Y)...\tCtrl+X", E::A},
    {CmSampler, 4, "&Non-Linear Sampler...", E::A},
    {CmToggleToolBar, 4, "&Tool Bar", E::Always, true},
    {CmToggleStatusBar, 4, "&Status Bar", E::Always},
    // &Non-Parametric
    // Each item of a menu its own letter ("&Smooth Loess", "&Smooth NURBS" and "Estimate
    // &Scattered Data" all took S).
    {CmSmoothLoess, 5, "Smooth &Loess...", E::D},
    {CmSmoothNurbs, 5, "Smooth &NURBS...", E::D},
    {CmFillSparseGrid, 5, "&Fill Sparse Grid...", E::D, true},
    {CmUniformGrid, 5, "&Interpolate to Uniform Grid...", E::D},
    {CmGriddedNP, 5, "Estimate &Gridded Data...", E::D, true},
    {CmScatteredNP, 5, "Estimate &Scattered Data...", E::D},
    // Added to the menu at run time when an extension library was named.
    {CmTestScattered, -1, "&Test Scattered Algorithms", E::Always},
    // &Process
    {CmFitAll, 6, "Surface-Fit &All Equations\tCtrl+A", E::D},
    {CmFitLinear, 6, "Surface-Fit Linear E&quations\tCtrl+Q", E::D},
    {CmFitSimple, 6, "Surface-Fit &Simple Equations\tCtrl+S", E::D},
    // The menu text used to show Ctrl+R, which runs 2176; no key runs 2174.
    {CmFitRobustPlane, 6, "Surface-Fit Ro&bust Plane", E::D},
    {CmFitPolynomial, 6, "Surface-Fit &Polynomial Equations\tCtrl+P", E::D},
    {CmFitRational, 6, "Surface-Fit Ratio&nal Equations\tCtrl+R", E::D},
    {CmFitPolyRational, 6, "Surface-Fit Pol&y/Ratl Equations\tCtrl+Y", E::D},
    {CmFitPeak, 6, "Surface-Fit Pea&k Functions\tCtrl+K", E::D},
    {CmFitTransition, 6, "Surface-Fit &Transition Functions\tCtrl+T", E::D},
    {CmFitCustomSet, 6, "Surface-Fit &Custom Equation Set\tCtrl+C", E::D},
    {CmEditCustomSet, 6, "E&dit Custom Equation Set...\tCtrl+F", E::A, true},
    {CmReadCustomSet, 6, "&Read Custom Equation Set...", E::A},
    {CmFitUserFunctions, 6, "Surface-Fit &User Functions\tCtrl+U", E::U, true},
    {CmUserFunctions, 6, "Us&er Functions...", E::D},
    {CmLastSessionUdfs, 6, "&Last Session User Functions", E::L},
    {CmFitPreferences, 6, "Surface-&Fit Preferences...", E::A, true},
    {CmBackgroundFit, 6, "Background T&hread Processing...", E::T},
    {CmBackgroundLight, -1, "", E::R},
    // &Review
    {CmReviewGraph, 7, "&Graph Start...\tCtrl+G", E::F},
    {CmReviewList, 7, "&List Start...\tCtrl+L", E::F},
    {CmReviewPreferences, 7, "&Preferences...", E::A, true},
    // &Help
    {CmHelpContents, 8, "&Index...\tF1", E::Always},
    {CmHelpSearch, 8, "&Keyword Search...", E::Always},
    {CmHelpUsing, 8, "&Using Help...", E::Always},
    {CmPolynomialList, 8, "&Polynomial List...\tF2", E::Always, true},
    {CmRationalList, 8, "&Rational List...\tF3", E::Always},
    {CmNonLinearList, 8, "&Non-Linear List...\tF4", E::Always},
    {CmSubsetList, 8, "&Selective Subset List...\tF5", E::Always},
    {CmAbout, 8, "&About Ondravik 3D...", E::Always, true},
    {CmFirstToolBar, -1, "", E::Always},
};

constexpr int kFirstBar[] = {CmImport,      CmAppend,       CmImportClipboard, CmSaveAs, 0,
                             CmDataEditor,  CmTitles,       0,                 CmCalculation,
                             CmDataGraph,   0,              CmSmoothLoess,     CmSmoothNurbs,
                             CmFillSparseGrid, CmUniformGrid, 0,               CmGriddedNP,
                             CmScatteredNP};
constexpr int kSecondBar[] = {CmFitPreferences, 0,
                              CmFitAll,         CmFitLinear,
                              CmFitSimple,      CmFitRobustPlane,
                              CmFitPolynomial,  CmFitRational,
                              CmFitPolyRational, CmFitPeak,
                              CmFitTransition,  0,
                              CmEditCustomSet,  CmFitCustomSet,
                              0,                CmUserFunctions,
                              CmFitUserFunctions, 0,
                              CmReviewGraph,    CmReviewList,
                              CmBackgroundLight};

struct Registered {
  CommandHandler handler;
  CommandCondition condition;
};

std::map<int, Registered>& Registry() {
  static std::map<int, Registered> registry;
  return registry;
}

std::function<bool()>& BackgroundQuery() {
  static std::function<bool()> query;
  return query;
}

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }

const CommandInfo* FindCommand(int id) {
  for (const CommandInfo& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

std::span<const int> FirstToolBar() { return kFirstBar; }
std::span<const int> SecondToolBar() { return kSecondBar; }

bool EnablerAllows(Enabler enabler, const EnablerState& s) {
  const bool a = s.openDialogCount == 0;
  switch (enabler) {
    case Enabler::Always: return true;
    case Enabler::A: return a;
    case Enabler::D: return a && s.haveData;
    case Enabler::C: return a && s.haveCalc;
    case Enabler::F: return a && s.haveData && s.haveFits;
    case Enabler::U: return a && s.haveData && s.haveUdfs;
    case Enabler::L: return a && s.haveData && s.lastSessionUdfs;
    case Enabler::T: return !s.noThreads;
    case Enabler::R: return s.backgroundFitRunning;
  }
  return false;
}

void RegisterCommand(int id, CommandHandler handler, CommandCondition condition) {
  Registry()[id] = {std::move(handler), std::move(condition)};
}

void UnregisterCommand(int id) { Registry().erase(id); }

bool HasCommandHandler(int id) {
  auto it = Registry().find(id);
  return it != Registry().end() && it->second.handler;
}

bool RunCommandHandler(int id) {
  auto it = Registry().find(id);
  if (it == Registry().end() || !it->second.handler) return false;
  // A copy: the handler may register or unregister commands while it runs.
  CommandHandler handler = it->second.handler;
  handler();
  return true;
}

bool CommandConditionAllows(int id) {
  auto it = Registry().find(id);
  return it == Registry().end() || !it->second.condition || it->second.condition();
}

void SetBackgroundFitQuery(std::function<bool()> query) { BackgroundQuery() = std::move(query); }

bool BackgroundFitRunning() {
  const auto& query = BackgroundQuery();
  return query && query();
}
