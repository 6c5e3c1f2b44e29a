// The settings file "QVRKV3.CFG": every option that outlives a run, 146 fields written back
// to back (8003 bytes, little-endian, no header), read once at start and written once at
// exit by the first instance. The option records of other subsystems are kept here as byte
// blocks of their fixed sizes; their owners decode them (graph records in graph3d, fit
// blocks in fit, smoothing records in smooth). This file also fixes the defaults that stand
// when the file is missing or unusable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

inline constexpr std::size_t kSettingsFileSize = 8003;
inline constexpr const char* kSettingsFileName = "QVRKV3.CFG";
inline constexpr const char* kUdfSessionFileName = "QVRK2V3.CFG";
// A user-function session file larger than this holds at least one function.
inline constexpr std::uintmax_t kUdfSessionMinSize = 3500;

// Sizes of the records kept raw for their owners.
inline constexpr std::size_t kColorSchemeSize = 27;
inline constexpr std::size_t kUserColorSchemeCount = 15;
inline constexpr std::size_t kPrintGraphRecSize = 54;
inline constexpr std::size_t kTextPrintRecSize = 40;
inline constexpr std::size_t kViewRecSize = 70;
inline constexpr std::size_t kViewRecCount = 13;
inline constexpr std::size_t kPointsRecSize = 12;
inline constexpr std::size_t kPointsRecCount = 11;
inline constexpr std::size_t kAnimRecSize = 14;
inline constexpr std::size_t kFitSelectionSize = 252;
inline constexpr std::size_t kFitOptionsSize = 62;
inline constexpr std::size_t kThreadBlockSize = 30;
inline constexpr std::size_t kNPGridSettingsSize = 136;
inline constexpr std::size_t kNPSettingsSize = 164;
inline constexpr std::size_t kLogFontSize = 60;
inline constexpr std::size_t kFontSlotCount = 25;
inline constexpr std::size_t kPlacementCount = 30;
inline constexpr std::size_t kLastExtensionCount = 9;
inline constexpr std::size_t kLastExtensionSize = 256;
inline constexpr std::size_t kRecentFileCount = 5;
inline constexpr std::size_t kRecentFileSize = 80;
// A recent path is kept in the file when it fits its field with a terminating zero.
inline bool RecentFileFits(const std::string& path) { return path.size() < kRecentFileSize; }
// The digital filter's n and first point, as the dialog takes them.
inline constexpr std::int32_t kFilterStepMost = 999;
inline constexpr std::int32_t kFilterStartMost = 32000;

// The 30-byte thread blocks: five 32-bit words, then a long double at offset 20. Words that
// hold a thread handle or a thread state are meaningless in a later run and are stored as 0.
// Background fit block: handle, state, background fit type, flags (bit 0 audible signal,
// bit 1 automatic review), done flag. Render block: handle, state, render allowed, user-
// function collision flag, one spare word.
inline constexpr std::size_t kBgFitHandleOffset = 0;
inline constexpr std::size_t kBgFitStateOffset = 4;
inline constexpr std::size_t kBgFitTypeOffset = 8;
inline constexpr std::size_t kBgFitFlagsOffset = 12;
inline constexpr std::size_t kBgFitDoneOffset = 16;
inline constexpr std::size_t kThreadBlockValueOffset = 20;
// The fit-record pointer of a points record: an address, meaningless in a file.
inline constexpr std::size_t kPointsFitRecordOffset = 8;

// Index of each window's view record (fields 25-37) and graph option number (fields 8-20).
enum GraphSlot : int {
  kGraphDataStatus = 0,   // data status window without fits, data view, grid editor's graph
  kGraphFunctionViewer,   //
  kGraphDataStatusFits,   // data status window with fits, review graph
  kGraphReviewPane,       //
  kGraphAcceptUndo,       //
  kGraphUserFunction,     //
  kGraphSampler,          // non-linear sampler
  kGraphGridSpline,       // gridded-data spline window
  kGraphScattered,        // scattered-data window
  kGraphUniformGrid,      //
  kGraphLoess,            //
  kGraphNurbs,            //
  kGraphSparseGrid,       //
};

// Index of each window's points record (fields 38-48).
enum PointsSlot : int {
  kPointsDataStatus = 0,  // also the data view, grid editor's graph, function viewer, sampler
  kPointsDataStatusFits,
  kPointsReviewPane,
  kPointsAcceptUndo,
  kPointsUserFunction,
  kPointsGridSpline,
  kPointsScattered,
  kPointsUniformGrid,
  kPointsLoess,
  kPointsNurbs,
  kPointsSparseGrid,
};

// A window's saved rectangle in screen pixels; -1 in x means none was saved.
struct WindowPlacement {
  std::int32_t x = -1;
  std::int32_t y = -1;
  std::int32_t width = -1;
  std::int32_t height = -1;
  std::int32_t maximized = -1;
  bool operator==(const WindowPlacement&) const = default;
};

// Index of the placement records (field 79 is record 0). Each record serves one window: the
// status window keeps record 1 with fits and without (the record once named for it with fits
// is the review window's, whose place it took), the review its two blocks of six
// (review/review_layout.h), and the data view the third of the smoothing windows' four Quick
// Eval records, which no Quick Eval uses (the data view shared record 1 with the status
// window, and each came back at the other's place and size).
enum PlacementSlot : int {
  kPlaceMainWindow = 0,
  kPlaceDataStatus = 1,
  kPlaceFunctionViewer = 2,
  kPlaceGridEditorGraph = 3,
  kPlaceGridEditor = 4,
  kPlaceReviewGraphFirst = 5,  // 5-10: the review opened graph first
  kPlaceReviewListFirst = 11,  // 11-16: the review opened list first
  kPlaceGraphShared = 17,
  kPlaceAcceptUndo = 18,
  kPlaceUserFunctionGraph = 19,
  kPlaceGridSpline = 20,
  kPlaceScattered = 21,
  kPlaceUniformGrid = 22,
  kPlaceLoess = 23,
  kPlaceNurbs = 24,
  kPlaceQuickEval = 25,  // four records, 25-28, of the smoothing windows' Quick Eval
  kPlaceDataView = 27,   // the third of them
  kPlaceSparseGrid = 29,
};

using Block = std::vector<std::uint8_t>;  // a raw record of a fixed size

// Every field of the settings file, in file order. Fields named by meaning where their
// owner names them; the options of later subsystems whose meaning their owner gives carry
// their field number.
struct ProgramSettings {
  std::int32_t savedScreenWidth = 0;                     // 1
  std::int32_t savedScreenHeight = 0;                    // 2
  std::array<std::int32_t, kFontSlotCount> fontValue1{}; // 3
  std::array<std::int32_t, kFontSlotCount> fontValue2{}; // 4
  std::array<Block, kFontSlotCount> fontLogFont;         // 5: 60-byte LOGFONT records
  std::int32_t reserved6 = 0;                            // 6
  std::int32_t reserved7 = 0;                            // 7
  std::array<std::int32_t, kViewRecCount> graphOption{}; // 8-20: colour scheme 0-8, 9 user
  Block userColorSchemes;                                // 21: 15 x 27 colour indices
  Block printGraph;                                      // 22: `TPrintGraphRec`
  Block textPrint;                                       // 23: six int32 flags, four floats
  Block graphCopyFlags;                                  // 24: four int32
  std::array<Block, kViewRecCount> viewRecords;          // 25-37: `T3DViewRec`
  std::array<Block, kPointsRecCount> pointsRecords;      // 38-48: `T3DPointsRec`
  Block animRecord;                                      // 49: `T3DAnimRec`
  std::int32_t LimitsMode = 0;                           // 50: 0 none, 1 conf., 2 prediction
  std::int32_t LimitsLevel = 1;                          // 51: 90, 95, 99, 99.9, 99.99 %
  std::int32_t ListAllGoodnessOfFit = 0;                 // 52: every figure in each list row
  std::int32_t GenSource = 0;                            // 53: 0 generate, 1 read from file
  std::int32_t GenDest = 0;                              // 54: 0 evaluation table, 1 a file
  std::int32_t GenMode = 0;                              // 55: computation 0-7
  std::array<long double, 5> EvalInputs{};               // 56: evaluation X, Y, Z, X2, Y2
  std::array<long double, 2> quickEvalXY{};              // 57
  std::array<std::int32_t, 2> quickEvalChecks{};         // 58: surface min, surface max
  Block fitSelection;                                    // 59: `TFitSelection`
  Block fitOptions;                                      // 60: `TFitOptions`
  Block backgroundFitBlock;                              // 61
  Block renderThreadBlock;                               // 62
  std::int32_t GraphLabelDigits = 0;                     // 63: digits of graph labels, 3-8
  std::int32_t GraphTitleDigits = 0;                     // 64: digits of review titles, 3-15
  std::int32_t GraphCacheOn = 0;                         // 65: the review keeps drawn graphs
  std::int32_t BackgroundCacheOn = 0;                    // 66: ... drawn ahead on a thread
  std::int32_t GraphCacheKb = 0;                         // 67: cache limit, 1000 bytes a unit
  std::int32_t ShowCacheStats = 0;                       // 68: cache size and timing shown
  std::int32_t useBitmaps = 0;                           // 69
  std::int32_t ReviewImageKind = 0;                      // 70: kind of cached graphs, 0-3
  std::int32_t numberPadding = 0;                        // 71: `FixedWidthNumbers`
  std::int32_t UpdateTextWhileScrolling = 0;             // 72: review panes track the scroll box
  std::int32_t VolumeOption = 0;                         // 73
  std::int32_t EvalLimitsMode = 0;                       // 74: evaluation table 0 none, 1 conf., 2 pred.
  std::int32_t ResidualMode = 0;                         // 75: residual graph kind 0-3
  std::int32_t ExplorerDialogs = 0;                      // 76
  std::int32_t ImportPreviewOn = 0;                      // 77
  std::int32_t WeightsAreSD = 0;                         // 78
  std::array<WindowPlacement, kPlacementCount> placements;  // 79-105
  Block gridSplineSettings;                              // 106: `TNPGridSettings`
  Block scatteredSettings;                               // 107: `TNPSettings`
  Block loessSettings;                                   // 108: `TNPSettings`
  Block nurbsSettings;                                   // 109: `TNPGridSettings`
  std::array<std::int32_t, 2> UniformGridSize{};         // 110
  std::array<std::int32_t, 4> RegridMethods{};           // 111
  std::array<std::string, kLastExtensionCount> LastExtensions;  // 112-120
  std::int32_t FilterStep = 2;                           // 121
  std::int32_t FilterStart = 1;                          // 122
  std::int32_t ViewDataAddSurface = 1;                   // 123
  std::int32_t DataPaneType = 3;                         // 124: review data pane columns 0-3
  std::int32_t NumericPaneOptions = 15;                  // 125: numeric pane parts, bits 1-8
  std::int32_t ReviewTitleLines = 5;                     // 126: review graph titles 2, 3 or 5
  std::int32_t ResidualTitleLines = 5;                   // 127: residual graph titles 2, 3 or 5
  // The review's export options (fields 128, 130-139); LastExtensions 5 is the extension
  // last chosen in their ASCII save dialogs.
  std::int32_t MvTableKind = 0;                          // 128: sibling worksheet kind 0-2
  std::int32_t reviewStartMode = 0;                      // 129: 0 graph first, 1 list first
  std::int32_t LotusTableKind = 0;                       // 130: table kind 0-3
  std::int32_t LotusFileType = 3;                        // 131: 1 WK1, 3 WK3
  std::int32_t ExcelTableKind = 0;                       // 132: table kind 0-3
  std::int32_t QpwTableKind = 0;                         // 133: table kind 0-3
  std::int32_t AsciiGenFormat = 1;                       // 134: 0 with limits, 1 columns, 2 matrix
  std::int32_t AsciiGenDelimiter = 0;                    // 135: 0 blank, 1 comma, 2 tab
  std::int32_t AsciiGenPrecision = 18;                   // 136: significant digits 3-18
  std::int32_t CodeGenDialect = 1;                       // 137: 0-7
  std::int32_t CodeGenScope = 0;                         // 138: 0 full test code, 1 function only
  std::int32_t ParmsOptions = 0;                         // 139: parameter summary bits 1-16
  std::array<std::string, kRecentFileCount> recentFiles; // 140-144: paths of 79 bytes at most kept
  std::array<std::int32_t, 15> toolBarVisible{};         // 145: only the first is used
  std::array<std::int32_t, 15> statusBarVisible{};       // 146: only the first is used
};

// Sets every field to its default, as a first run and "Reset All Defaults" do. The frame
// flag of the graph print record, the last 4 bytes of the fit options and the closing long
// doubles of the two thread blocks keep their values (zero in fresh settings).
void ResetDefaults(ProgramSettings& settings, int screenWidth, int screenHeight);
ProgramSettings DefaultSettings(int screenWidth, int screenHeight);

// The 8003 bytes of the file; fields 1 and 2 carry the given screen size; handle and state
// words are written as 0.
std::vector<std::uint8_t> EncodeSettings(const ProgramSettings& settings, int screenWidth,
                                         int screenHeight);
// Reads a file image; false (and settings untouched) unless it is exactly 8003 bytes.
// Every value with a known range is clamped into it, texts end at their field, non-finite
// long doubles become the missing value, and handle and state words become 0. When the
// current screen is narrower or lower than the saved one, every placement is reset.
[[nodiscard]] bool DecodeSettings(std::span<const std::uint8_t> bytes, int screenWidth, int screenHeight,
                    ProgramSettings& settings);

// $ONDRAVIK_HOME when set, else ~/.config/ondravik3d (not created here).
std::filesystem::path SettingsDirectory();

// What a save of the settings (and of the session file after them) came to.
struct [[nodiscard]] TSettingsSaveStatus {
  bool settingsWritten = false;
  bool sessionWritten = false;  // also true when no session writer is set
  // Whether the settings file was written.
  explicit operator bool() const { return settingsWritten; }
};

// Writes the settings file into dir (created when missing) through a temporary file that is
// then renamed over the old one, so that a crash never leaves half a file; then calls the
// user-function session writer, when one is set. When the settings file could not be
// written the session file is not written either.
[[nodiscard]] TSettingsSaveStatus SaveSettings(const std::filesystem::path& dir, const ProgramSettings& settings,
                                 int screenWidth, int screenHeight);
// The message that tells the user what a save at exit lost ("Program Settings Could Not Be
// Saved in <dir>", the same for the user-defined functions); empty when all was written.
std::string SettingsSaveFailureText(const TSettingsSaveStatus& status,
                                    const std::filesystem::path& dir);
// 1 when dir holds a usable settings file (read into settings), else 0 (settings untouched).
// Sets `LastSessionUdfs`.
[[nodiscard]] int LoadSettingsFile(const std::filesystem::path& dir, int screenWidth, int screenHeight,
                     ProgramSettings& settings);
// The first-run flag: LoadSettingsFile, and the defaults when it found no usable file.
[[nodiscard]] int LoadSettings(const std::filesystem::path& dir, int screenWidth, int screenHeight,
                 ProgramSettings& settings);

// The user-function session file is written by the user-function subsystem; it installs its
// writer here (called with the settings directory at exit; false when the file could not
// be written).
using UdfSessionWriter = std::function<bool(const std::filesystem::path& dir)>;
void SetUdfSessionWriter(UdfSessionWriter writer);

// The program's settings while it runs (user-interface thread).
ProgramSettings& CurrentSettings();
// 1 when the session file of the last run holds user functions: enables command 2185.
extern int LastSessionUdfs;
