#include "program_state.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "app/settings_file.h"
#include "fit/session.h"
#include "tools/udf/udf_session.h"

namespace every_window {

std::string UdfSessionBytes(TSession& session, const std::filesystem::path& dir) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  (void)WriteUdfSessionFile(session.UdfTable, dir);
  std::ifstream in(dir / kUdfSessionFileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

namespace {

// The fields of the settings in which two differ, by name (an array's first differing entry
// in brackets).
template <class T>
std::string Entry(const T&, const T&) {
  return {};
}
template <class T, std::size_t N>
std::string Entry(const std::array<T, N>& a, const std::array<T, N>& b) {
  for (std::size_t i = 0; i < N; ++i)
    if (!(a[i] == b[i])) return "[" + std::to_string(i) + "]";
  return {};
}
template <std::size_t N>
std::string Entry(const std::array<WindowPlacement, N>& a, const std::array<WindowPlacement, N>& b) {
  const auto text = [](const WindowPlacement& p) {
    return std::to_string(p.x) + "," + std::to_string(p.y) + " " + std::to_string(p.width) + "x" +
           std::to_string(p.height);
  };
  for (std::size_t i = 0; i < N; ++i)
    if (!(a[i] == b[i])) return "[" + std::to_string(i) + "] " + text(a[i]) + " -> " + text(b[i]);
  return {};
}
#define FIELD(f) \
  [](const ProgramSettings& a, const ProgramSettings& b) { return a.f == b.f ? std::string() : #f + Entry(a.f, b.f); }
}  // namespace

std::string SettingsFieldsDiffering(const ProgramSettings& a, const ProgramSettings& b) {
  using Compare = std::string (*)(const ProgramSettings&, const ProgramSettings&);
  const Compare fields[] = {
    FIELD(savedScreenWidth), FIELD(savedScreenHeight), FIELD(fontValue1), FIELD(fontValue2),
    FIELD(fontLogFont), FIELD(reserved6), FIELD(reserved7), FIELD(graphOption), FIELD(userColorSchemes),
    FIELD(printGraph), FIELD(textPrint), FIELD(graphCopyFlags), FIELD(viewRecords), FIELD(pointsRecords),
    FIELD(animRecord), FIELD(LimitsMode), FIELD(LimitsLevel), FIELD(ListAllGoodnessOfFit), FIELD(GenSource),
    FIELD(GenDest), FIELD(GenMode), FIELD(EvalInputs), FIELD(quickEvalXY), FIELD(quickEvalChecks),
    FIELD(fitSelection), FIELD(fitOptions), FIELD(backgroundFitBlock), FIELD(renderThreadBlock),
    FIELD(GraphLabelDigits), FIELD(GraphTitleDigits), FIELD(GraphCacheOn), FIELD(BackgroundCacheOn),
    FIELD(GraphCacheKb), FIELD(ShowCacheStats), FIELD(useBitmaps), FIELD(ReviewImageKind),
    FIELD(numberPadding), FIELD(UpdateTextWhileScrolling), FIELD(VolumeOption), FIELD(EvalLimitsMode),
    FIELD(ResidualMode), FIELD(ExplorerDialogs), FIELD(ImportPreviewOn), FIELD(WeightsAreSD),
    FIELD(placements), FIELD(gridSplineSettings), FIELD(scatteredSettings), FIELD(loessSettings),
    FIELD(nurbsSettings), FIELD(UniformGridSize), FIELD(RegridMethods), FIELD(LastExtensions),
    FIELD(FilterStep), FIELD(FilterStart), FIELD(ViewDataAddSurface), FIELD(DataPaneType),
    FIELD(NumericPaneOptions), FIELD(ReviewTitleLines), FIELD(ResidualTitleLines), FIELD(MvTableKind),
    FIELD(reviewStartMode), FIELD(LotusTableKind), FIELD(LotusFileType), FIELD(ExcelTableKind),
    FIELD(QpwTableKind), FIELD(AsciiGenFormat), FIELD(AsciiGenDelimiter), FIELD(AsciiGenPrecision),
    FIELD(CodeGenDialect), FIELD(CodeGenScope), FIELD(ParmsOptions), FIELD(recentFiles),
    FIELD(toolBarVisible), FIELD(statusBarVisible),
  };
  std::string names;
  for (Compare f : fields)
    if (std::string n = f(a, b); !n.empty()) names += (names.empty() ? "" : ", ") + n;
  return names;
}
#undef FIELD

// The settings' fields that differ; empty when none does. Allowed: the windows' rectangles,
// and a window's first stored font (it had none: the default's).
std::string SettingsDifference(const ProgramSettings& before, ProgramSettings after) {
  // A window's first stored rectangle is no change: it had none before.
  // Where windows stand (a first rectangle stored, one put back within the screen, one kept
  // as the window is left) is the walk of windows reopened at their place.
  after.placements = before.placements;
  for (std::size_t i = 0; i < after.fontLogFont.size(); ++i) {
    const Block& f = before.fontLogFont[i];
    if (std::all_of(f.begin(), f.end(), [](std::uint8_t b) { return b == 0; })) after.fontLogFont[i] = f;
  }
  if (EncodeSettings(before, 1280, 1024) == EncodeSettings(after, 1280, 1024)) return {};
  return "the settings (" + SettingsFieldsDiffering(before, after) + ")";
}

}  // namespace every_window
