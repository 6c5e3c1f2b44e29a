#include "app/settings_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/log_font.h"
#include "app/long_double.h"
#include "platform/string_table.h"

int LastSessionUdfs = 0;

namespace {

UdfSessionWriter& SessionWriter() {
  static UdfSessionWriter writer;
  return writer;
}

Block Zeroed(std::size_t n) { return Block(n, 0); }

// Column of built-in colour scheme 1 ("Page White Color") of the renderer's scheme table,
// one colour index per role: the default of every user colour scheme.
constexpr std::uint8_t kDefaultUserScheme[kColorSchemeSize] = {
    4, 2, 4, 1, 3, 3, 3, 15, 15, 15, 1, 15, 0, 1, 2, 4, 4, 8, 1, 4, 1, 3, 1, 5, 3, 2, 4};

Block ViewRecordDefault(int slot) {
  const bool udf = slot == kGraphUserFunction;
  const bool pane = slot == kGraphReviewPane;
  bytes::ByteWriter w;
  w.I16(5);                        // GraphType
  w.I16(udf ? 15 : 35);            // MeshX
  w.I16(udf ? 15 : 35);            // MeshY
  w.I16(0);                        // HideMesh
  w.Extended(210);                 // AngleXY
  w.Extended(20);                  // AngleZ
  w.Extended(30);                  // LightXY
  w.Extended(15);                  // LightZ
  w.I16(udf ? 0 : pane ? 48 : 63); // GridBits
  w.I16(pane ? 1 : 3);             // BackPlanes
  w.I16(0);                        // ContourBits
  w.I16(udf ? 55 : slot == kGraphSampler ? 0 : 1023);  // LabelBits
  w.Extended(1);                   // FrameSize
  w.I32(2);                        // Perspective
  return w.Take();
}

Block PointsRecordDefault(int slot) {
  bytes::ByteWriter w;
  w.U16(3);                                    // Size
  w.U16(2);                                    // Shape: circle
  w.U16(slot == kPointsUserFunction ? 0 : 1);  // Fill
  w.U16(1);                                    // Display: all points
  w.U32(0);                                    // FitRecord
  return w.Take();
}

Block NPGridSettingsDefault(std::int32_t method) {
  bytes::ByteWriter w;
  for (int i = 0; i < 8; ++i) w.I32(3);   // order X
  for (int i = 0; i < 8; ++i) w.I32(3);   // order Y
  for (int i = 0; i < 8; ++i) w.I32(25);  // knots X
  for (int i = 0; i < 8; ++i) w.I32(25);  // knots Y
  w.I32(method);
  w.I32(0);
  return w.Take();
}

Block NPSettingsDefault(const std::int32_t (&option1)[20], const std::int32_t (&option2)[20],
                        std::int32_t method) {
  bytes::ByteWriter w;
  for (std::int32_t v : option1) w.I32(v);
  for (std::int32_t v : option2) w.I32(v);
  w.I32(method);
  return w.Take();
}

void PutI32(Block& block, std::size_t offset, std::int32_t v) {
  bytes::StoreU32(block.data() + offset, static_cast<std::uint32_t>(v));
}

// Clears the words of a thread block that hold a handle or a state.
void ClearThreadWords(Block& block, bool background) {
  if (background) {
    PutI32(block, kBgFitHandleOffset, 0);
    PutI32(block, kBgFitStateOffset, 0);
    PutI32(block, kBgFitDoneOffset, 0);
  } else {
    std::fill(block.begin(), block.begin() + kThreadBlockValueOffset, 0);
  }
}

// The recent paths as their five fields hold them: a path too long for a field with its
// terminating zero is left out (its first bytes would name another file, or end inside a
// UTF-8 character), and those after it move up into its place, so that the list does not
// lose its first entry to an empty field (a list whose first field is empty offers none).
std::array<std::string, kRecentFileCount> StoredRecentFiles(const std::array<std::string, kRecentFileCount>& paths) {
  std::array<std::string, kRecentFileCount> stored;
  std::size_t n = 0;
  for (const std::string& p : paths)
    if (RecentFileFits(p)) stored[n++] = p;
  return stored;
}

// A font slot's height within the sizes the font commands offer and its weight within the
// weights there are: a damaged file's height of two billion points overflowed the scaling of
// the graphs' fonts. A slot of the window's own font (no face) and one in range keep their
// bytes.
void HoldFontRecord(Block& record) {
  constexpr std::size_t kHeightOffset = 0;
  constexpr std::size_t kWeightOffset = 16;
  const TLogFont font = DecodeLogFont(record);
  if (font.IsDefault()) return;
  PutI32(record, kHeightOffset, std::clamp(font.height, kFontLeastPoints, kFontMostPoints));
  PutI32(record, kWeightOffset, std::clamp(font.weight, 0, kFontMostWeight));
}

std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  return std::clamp(v, lo, hi);
}

long double FiniteOrMissing(long double v) { return std::isfinite(v) ? v : ExprErrorValue; }

}  // namespace

void ResetDefaults(ProgramSettings& s, int screenWidth, int screenHeight) {
  s.savedScreenWidth = screenWidth;
  s.savedScreenHeight = screenHeight;
  s.fontValue1.fill(0);
  s.fontValue2.fill(1);
  for (Block& f : s.fontLogFont) f = Zeroed(kLogFontSize);
  s.reserved6 = 1;
  s.reserved7 = 1;
  s.graphOption = {3, 4, 2, 7, 5, 8, 6, 2, 3, 4, 6, 8, 7};

  s.userColorSchemes.clear();
  for (std::size_t i = 0; i < kUserColorSchemeCount; ++i)
    s.userColorSchemes.insert(s.userColorSchemes.end(), std::begin(kDefaultUserScheme),
                              std::end(kDefaultUserScheme));

  {
    // Layout 1 (full page, landscape), no colour, no summary, landscape; the frame flag
    // keeps its value.
    std::uint8_t frame[2] = {0, 0};
    if (s.printGraph.size() == kPrintGraphRecSize) std::memcpy(frame, &s.printGraph[2], 2);
    bytes::ByteWriter w;
    w.I16(1);
    w.Raw(frame, 2);
    w.I16(0);
    w.I16(0);
    w.I16(1);
    for (float v : {1.5f, 2.5f, 1.5f, 14.0f}) w.F32(v);
    for (int i = 0; i < 4; ++i) w.F32(2.54f);
    w.Zeros(12);
    s.printGraph = w.Take();
  }
  {
    bytes::ByteWriter w;
    for (std::int32_t v : {1, 1, 0, 1, 1, 0}) w.I32(v);
    for (int i = 0; i < 4; ++i) w.F32(2.54f);
    s.textPrint = w.Take();
  }
  {
    bytes::ByteWriter w;
    for (std::int32_t v : {1, 1, 1, 0}) w.I32(v);
    s.graphCopyFlags = w.Take();
  }
  for (std::size_t i = 0; i < kViewRecCount; ++i)
    s.viewRecords[i] = ViewRecordDefault(static_cast<int>(i));
  for (std::size_t i = 0; i < kPointsRecCount; ++i)
    s.pointsRecords[i] = PointsRecordDefault(static_cast<int>(i));
  {
    bytes::ByteWriter w;
    for (std::int16_t v : {1, 5, 355, 5, 60, -60, -5}) w.I16(v);
    s.animRecord = w.Take();
  }
  s.LimitsMode = 0;
  s.LimitsLevel = 1;
  s.ListAllGoodnessOfFit = 0;
  s.GenSource = 0;
  s.GenDest = 0;
  s.GenMode = 0;
  s.EvalInputs.fill(ExprErrorValue);
  s.quickEvalXY.fill(ExprErrorValue);
  s.quickEvalChecks = {0, 0};
  {
    bytes::ByteWriter w;
    w.U32(63);  // polynomial families
    w.U32(27);  // rational families
    w.U32(1);   // term subsets of Z
    for (int i = 0; i < 240; ++i) w.U8(i >= 144 && i <= 167 ? 1 : 0);
    s.fitSelection = w.Take();
  }
  {
    std::uint8_t tail[4] = {0, 0, 0, 0};
    if (s.fitOptions.size() == kFitOptionsSize) std::memcpy(tail, &s.fitOptions[58], 4);
    bytes::ByteWriter w;
    for (std::int32_t v : {10, 10, 10, 0, 0, 65, 5, 100, 6, 1}) w.I32(v);
    w.Extended(0.1L);
    w.I32(20);
    w.I32(0);
    w.Raw(tail, 4);
    s.fitOptions = w.Take();
  }
  for (Block* block : {&s.backgroundFitBlock, &s.renderThreadBlock}) {
    Block fresh = Zeroed(kThreadBlockSize);
    if (block->size() == kThreadBlockSize)
      std::copy(block->begin() + kThreadBlockValueOffset, block->end(),
                fresh.begin() + kThreadBlockValueOffset);
    *block = std::move(fresh);
  }
  PutI32(s.backgroundFitBlock, kBgFitTypeOffset, 3);
  s.GraphLabelDigits = 6;
  s.GraphTitleDigits = 8;
  s.GraphCacheOn = 1;
  s.BackgroundCacheOn = 1;  // threads always run here
  s.GraphCacheKb = 1000;
  s.ShowCacheStats = 1;
  s.useBitmaps = 1;
  s.ReviewImageKind = 3;
  s.numberPadding = 0;
  s.UpdateTextWhileScrolling = 0;
  s.VolumeOption = 0;
  s.EvalLimitsMode = 0;
  s.ResidualMode = 0;
  s.ExplorerDialogs = 1;
  s.ImportPreviewOn = 0;
  s.WeightsAreSD = 0;
  s.placements.fill(WindowPlacement{});
  s.gridSplineSettings = NPGridSettingsDefault(0);
  s.scatteredSettings = NPSettingsDefault({1, 1, 2, 0, 2, 2, 1, 2}, {5, 9, 3, 0, 17, 18, 5, 13}, 3);
  {
    std::int32_t option1[20] = {}, option2[20] = {};
    option1[17] = 2;
    option2[17] = 13;
    s.loessSettings = NPSettingsDefault(option1, option2, 17);
  }
  s.nurbsSettings = NPGridSettingsDefault(5);
  s.UniformGridSize = {16, 16};
  s.RegridMethods = {5, 5, 5, 5};
  for (std::size_t i = 0; i < kLastExtensionCount; ++i)
    s.LastExtensions[i] = i < 7 ? "PRN" : i == 7 ? "DAT" : "TXT";
  s.FilterStep = 2;
  s.FilterStart = 1;
  s.ViewDataAddSurface = 1;
  s.DataPaneType = 3;
  s.NumericPaneOptions = 15;
  s.ReviewTitleLines = 5;
  s.ResidualTitleLines = 5;
  s.MvTableKind = 0;
  s.reviewStartMode = 0;
  s.LotusTableKind = 0;
  s.LotusFileType = 3;
  s.ExcelTableKind = 0;
  s.QpwTableKind = 0;
  s.AsciiGenFormat = 1;
  s.AsciiGenDelimiter = 0;
  s.AsciiGenPrecision = 18;
  s.CodeGenDialect = 1;
  s.CodeGenScope = 0;
  s.ParmsOptions = 0;
  for (std::string& r : s.recentFiles) r.clear();
  s.toolBarVisible.fill(1);
  s.statusBarVisible.fill(1);
  LastSessionUdfs = 0;
}

ProgramSettings DefaultSettings(int screenWidth, int screenHeight) {
  ProgramSettings s;
  ResetDefaults(s, screenWidth, screenHeight);
  return s;
}

std::vector<std::uint8_t> EncodeSettings(const ProgramSettings& s, int screenWidth,
                                         int screenHeight) {
  bytes::ByteWriter w;
  auto block = [&w](const Block& b, std::size_t n) {
    // A block of the wrong size (never made by this module) is written as zeros of the
    // right size rather than shifting every later field.
    if (b.size() == n) {
      w.Raw(b.data(), n);
    } else {
      w.Zeros(n);
    }
  };
  w.I32(screenWidth);
  w.I32(screenHeight);
  for (std::int32_t v : s.fontValue1) w.I32(v);
  for (std::int32_t v : s.fontValue2) w.I32(v);
  for (const Block& f : s.fontLogFont) block(f, kLogFontSize);
  w.I32(s.reserved6);
  w.I32(s.reserved7);
  for (std::int32_t v : s.graphOption) w.I32(v);
  block(s.userColorSchemes, kColorSchemeSize * kUserColorSchemeCount);
  block(s.printGraph, kPrintGraphRecSize);
  block(s.textPrint, kTextPrintRecSize);
  block(s.graphCopyFlags, 16);
  for (const Block& v : s.viewRecords) block(v, kViewRecSize);
  for (const Block& p : s.pointsRecords) {
    Block copy = p.size() == kPointsRecSize ? p : Zeroed(kPointsRecSize);
    PutI32(copy, kPointsFitRecordOffset, 0);
    block(copy, kPointsRecSize);
  }
  block(s.animRecord, kAnimRecSize);
  for (std::int32_t v : {s.LimitsMode, s.LimitsLevel, s.ListAllGoodnessOfFit, s.GenSource,
                         s.GenDest, s.GenMode})
    w.I32(v);
  for (long double v : s.EvalInputs) w.Extended(v);
  for (long double v : s.quickEvalXY) w.Extended(v);
  for (std::int32_t v : s.quickEvalChecks) w.I32(v);
  block(s.fitSelection, kFitSelectionSize);
  block(s.fitOptions, kFitOptionsSize);
  for (bool background : {true, false}) {
    const Block& src = background ? s.backgroundFitBlock : s.renderThreadBlock;
    Block copy = src.size() == kThreadBlockSize ? src : Zeroed(kThreadBlockSize);
    ClearThreadWords(copy, background);
    block(copy, kThreadBlockSize);
  }
  for (std::int32_t v :
       {s.GraphLabelDigits, s.GraphTitleDigits, s.GraphCacheOn, s.BackgroundCacheOn,
        s.GraphCacheKb, s.ShowCacheStats, s.useBitmaps, s.ReviewImageKind, s.numberPadding,
        s.UpdateTextWhileScrolling, s.VolumeOption, s.EvalLimitsMode, s.ResidualMode,
        s.ExplorerDialogs, s.ImportPreviewOn, s.WeightsAreSD})
    w.I32(v);
  for (const WindowPlacement& p : s.placements)
    for (std::int32_t v : {p.x, p.y, p.width, p.height, p.maximized}) w.I32(v);
  block(s.gridSplineSettings, kNPGridSettingsSize);
  block(s.scatteredSettings, kNPSettingsSize);
  block(s.loessSettings, kNPSettingsSize);
  block(s.nurbsSettings, kNPGridSettingsSize);
  for (std::int32_t v : s.UniformGridSize) w.I32(v);
  for (std::int32_t v : s.RegridMethods) w.I32(v);
  for (const std::string& e : s.LastExtensions) w.FixedString(e, kLastExtensionSize);
  for (std::int32_t v : {s.FilterStep, s.FilterStart, s.ViewDataAddSurface}) w.I32(v);
  for (std::int32_t v : {s.DataPaneType, s.NumericPaneOptions, s.ReviewTitleLines, s.ResidualTitleLines}) w.I32(v);
  for (std::int32_t v : {s.MvTableKind, s.reviewStartMode, s.LotusTableKind, s.LotusFileType, s.ExcelTableKind,
                         s.QpwTableKind, s.AsciiGenFormat, s.AsciiGenDelimiter, s.AsciiGenPrecision,
                         s.CodeGenDialect, s.CodeGenScope, s.ParmsOptions})
    w.I32(v);
  for (const std::string& r : StoredRecentFiles(s.recentFiles)) w.FixedString(r, kRecentFileSize);
  for (std::int32_t v : s.toolBarVisible) w.I32(v);
  for (std::int32_t v : s.statusBarVisible) w.I32(v);
  return w.Take();
}

bool DecodeSettings(std::span<const std::uint8_t> data, int screenWidth, int screenHeight,
                    ProgramSettings& out) {
  if (data.size() != kSettingsFileSize) return false;
  bytes::ByteReader r(data);
  ProgramSettings s;
  auto block = [&r](std::size_t n) {
    Block b(n, 0);
    r.Raw(b.data(), n);
    return b;
  };
  auto flag = [&r] { return Clamp(r.I32(), 0, 1); };
  auto range = [&r](std::int32_t lo, std::int32_t hi) { return Clamp(r.I32(), lo, hi); };
  // The title line counts the graphs know; any other count reads as all five lines.
  auto titleLines = [&r] {
    const std::int32_t v = r.I32();
    return v == 2 || v == 3 ? v : 5;
  };
  s.savedScreenWidth = r.I32();
  s.savedScreenHeight = r.I32();
  for (std::int32_t& v : s.fontValue1) v = r.I32();
  for (std::int32_t& v : s.fontValue2) v = r.I32();
  for (Block& f : s.fontLogFont) {
    f = block(kLogFontSize);
    f.back() = 0;  // the face name ends inside its field
    HoldFontRecord(f);
  }
  s.reserved6 = r.I32();
  s.reserved7 = r.I32();
  for (std::int32_t& v : s.graphOption) v = range(0, 9);
  s.userColorSchemes = block(kColorSchemeSize * kUserColorSchemeCount);
  // A scheme holding a colour index no palette has is a damaged one, as a .clr file of the
  // same bytes is refused: it gets its default. Clamped to index 15, its every role became
  // white, and the graph was drawn white on white.
  for (std::size_t k = 0; k < kUserColorSchemeCount; ++k) {
    const auto scheme = s.userColorSchemes.begin() + static_cast<std::ptrdiff_t>(k * kColorSchemeSize);
    if (std::any_of(scheme, scheme + kColorSchemeSize, [](std::uint8_t c) { return c > 15; }))
      std::copy(std::begin(kDefaultUserScheme), std::end(kDefaultUserScheme), scheme);
  }
  s.printGraph = block(kPrintGraphRecSize);
  s.textPrint = block(kTextPrintRecSize);
  s.graphCopyFlags = block(16);
  for (Block& v : s.viewRecords) v = block(kViewRecSize);
  for (Block& p : s.pointsRecords) {
    p = block(kPointsRecSize);
    PutI32(p, kPointsFitRecordOffset, 0);
  }
  s.animRecord = block(kAnimRecSize);
  s.LimitsMode = range(0, 2);
  s.LimitsLevel = range(0, 4);
  s.ListAllGoodnessOfFit = flag();
  s.GenSource = flag();
  s.GenDest = flag();
  s.GenMode = range(0, 7);
  for (long double& v : s.EvalInputs) v = FiniteOrMissing(r.Extended());
  for (long double& v : s.quickEvalXY) v = FiniteOrMissing(r.Extended());
  for (std::int32_t& v : s.quickEvalChecks) v = flag();
  s.fitSelection = block(kFitSelectionSize);
  s.fitOptions = block(kFitOptionsSize);
  s.backgroundFitBlock = block(kThreadBlockSize);
  s.renderThreadBlock = block(kThreadBlockSize);
  ClearThreadWords(s.backgroundFitBlock, true);
  ClearThreadWords(s.renderThreadBlock, false);
  s.GraphLabelDigits = range(3, 8);
  s.GraphTitleDigits = range(3, 15);
  s.GraphCacheOn = flag();
  s.BackgroundCacheOn = flag();
  s.GraphCacheKb = range(1, 999999);  // the preferences' field: what it refuses is never read
  s.ShowCacheStats = flag();
  s.useBitmaps = flag();
  s.ReviewImageKind = range(0, 3);
  s.numberPadding = flag();
  s.UpdateTextWhileScrolling = flag();
  s.VolumeOption = flag();
  s.EvalLimitsMode = range(0, 2);
  s.ResidualMode = range(0, 3);
  s.ExplorerDialogs = flag();
  s.ImportPreviewOn = flag();
  s.WeightsAreSD = flag();
  for (WindowPlacement& p : s.placements) {
    // A left of -1 marks "no placement saved"; any other left or top is a place, one off
    // the screen's left or top edge included (the window is brought back within the screen
    // when it opens). A width or height below 1 is no size.
    p.x = range(-(1 << 16), 1 << 16);
    p.y = range(-(1 << 16), 1 << 16);
    p.width = range(-1, 1 << 16);
    p.height = range(-1, 1 << 16);
    p.maximized = range(-1, 1);
  }
  s.gridSplineSettings = block(kNPGridSettingsSize);
  s.scatteredSettings = block(kNPSettingsSize);
  s.loessSettings = block(kNPSettingsSize);
  s.nurbsSettings = block(kNPGridSettingsSize);
  for (std::int32_t& v : s.UniformGridSize) v = r.I32();
  for (std::int32_t& v : s.RegridMethods) v = r.I32();
  for (std::string& e : s.LastExtensions) e = r.FixedString(kLastExtensionSize);
  // The digital filter keeps every n-th point from a first point: both at least 1. The first
  // point counts the points of the file, not of the table: the dialog takes up to 32000.
  s.FilterStep = range(1, kFilterStepMost);
  s.FilterStart = range(1, kFilterStartMost);
  s.ViewDataAddSurface = flag();
  s.DataPaneType = range(0, 3);
  s.NumericPaneOptions = range(0, 15);
  s.ReviewTitleLines = titleLines();
  s.ResidualTitleLines = titleLines();
  s.MvTableKind = range(0, 2);
  s.reviewStartMode = flag();
  s.LotusTableKind = range(0, 3);
  s.LotusFileType = r.I32() == 1 ? 1 : 3;
  s.ExcelTableKind = range(0, 3);
  s.QpwTableKind = range(0, 3);
  s.AsciiGenFormat = range(0, 2);
  s.AsciiGenDelimiter = range(0, 2);
  s.AsciiGenPrecision = range(3, 18);
  s.CodeGenDialect = range(0, 7);
  s.CodeGenScope = flag();
  s.ParmsOptions = r.I32() & 31;  // five option bits
  // A field filled to its end without a terminating zero holds the first bytes of a longer
  // path (as older files keep them): no file of that name was opened, and it is not offered.
  for (std::string& p : s.recentFiles) p = r.FixedString(kRecentFileSize);
  s.recentFiles = StoredRecentFiles(s.recentFiles);
  for (std::int32_t& v : s.toolBarVisible) v = flag();
  for (std::int32_t& v : s.statusBarVisible) v = flag();
  if (!r.Ok() || r.Remaining() != 0) return false;

  if (screenWidth < s.savedScreenWidth || screenHeight < s.savedScreenHeight)
    s.placements.fill(WindowPlacement{});
  out = std::move(s);
  return true;
}

std::filesystem::path SettingsDirectory() {
  if (const char* home = std::getenv("ONDRAVIK_HOME"); home && *home) return home;
  const char* userHome = std::getenv("HOME");
  return std::filesystem::path(userHome && *userHome ? userHome : ".") / ".config" /
         "ondravik3d";
}

TSettingsSaveStatus SaveSettings(const std::filesystem::path& dir, const ProgramSettings& settings,
                                 int screenWidth, int screenHeight) {
  TSettingsSaveStatus status;
  std::vector<std::uint8_t> image = EncodeSettings(settings, screenWidth, screenHeight);
  status.settingsWritten = SaveGlobalToFile(image, dir / kSettingsFileName);
  if (!status.settingsWritten) return status;
  const UdfSessionWriter& writer = SessionWriter();
  status.sessionWritten = !writer || writer(dir);
  return status;
}

std::string SettingsSaveFailureText(const TSettingsSaveStatus& status,
                                    const std::filesystem::path& dir) {
  constexpr int kSettingsNotSaved = 3077;
  constexpr int kSessionNotSaved = 3078;
  if (!status.settingsWritten)
    return CFormat(std::string(platform::LoadString(kSettingsNotSaved)).c_str(), dir.c_str());
  if (!status.sessionWritten)
    return CFormat(std::string(platform::LoadString(kSessionNotSaved)).c_str(), dir.c_str());
  return {};
}

int LoadSettingsFile(const std::filesystem::path& dir, int screenWidth, int screenHeight,
                     ProgramSettings& settings) {
  // A missing, unreadable or wrongly sized file: the defaults of a first run stand.
  if (FileSize(dir / kSettingsFileName) != static_cast<std::int64_t>(kSettingsFileSize)) return 0;
  const std::vector<std::uint8_t> image = LoadFileToGlobal(dir / kSettingsFileName);
  if (!DecodeSettings(image, screenWidth, screenHeight, settings)) return 0;
  LastSessionUdfs = FileSize(dir / kUdfSessionFileName) > static_cast<std::int64_t>(kUdfSessionMinSize) ? 1 : 0;
  return 1;
}

int LoadSettings(const std::filesystem::path& dir, int screenWidth, int screenHeight,
                 ProgramSettings& settings) {
  const int firstRun = LoadSettingsFile(dir, screenWidth, screenHeight, settings) ? 0 : 1;
  if (firstRun) ResetDefaults(settings, screenWidth, screenHeight);
  // The long doubles that close the two thread blocks start every run as the missing value.
  for (Block* b : {&settings.backgroundFitBlock, &settings.renderThreadBlock}) {
    std::uint8_t bytes10[bytes::kExtendedSize];
    bytes::EncodeExtended(ExprErrorValue, bytes10);
    std::copy(std::begin(bytes10), std::end(bytes10), b->begin() + kThreadBlockValueOffset);
  }
  return firstRun;
}

void SetUdfSessionWriter(UdfSessionWriter writer) { SessionWriter() = std::move(writer); }

ProgramSettings& CurrentSettings() {
  static ProgramSettings settings = DefaultSettings(0, 0);
  return settings;
}
