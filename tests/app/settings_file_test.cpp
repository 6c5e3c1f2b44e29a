#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <span>

#include "app/byte_codec.h"
#include "app/log_font.h"
#include "app/long_double.h"
#include "app/text_print.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A field of the file image read as a number: 'i' 32-bit, 'h' 16-bit, 'b' a byte,
// 'f' a float, 'e' a 10-byte extended real.
long double At(const Bytes& b, std::size_t off, char kind) {
  std::int32_t i;
  std::int16_t h;
  float f;
  switch (kind) {
    case 'i': return std::memcpy(&i, &b.at(off), 4), i;
    case 'h': return std::memcpy(&h, &b.at(off), 2), h;
    case 'f': return std::memcpy(&f, &b.at(off), 4), f;
    case 'e': return bytes::DecodeExtended(&b.at(off));
    default: return b.at(off);
  }
}
void PutI32(Bytes& b, std::size_t off, std::int32_t v) { std::memcpy(&b.at(off), &v, 4); }
std::int32_t I32At(const Bytes& b, std::size_t off) { return static_cast<std::int32_t>(At(b, off, 'i')); }

TEST(SettingsFile, DefaultImageIsExactly8003BytesWithItsFieldsAtTheirOffsets) {
  const Bytes b = EncodeSettings(DefaultSettings(1280, 1024), 1280, 1024);
  EXPECT_EQ(b.size(), kSettingsFileSize);
  struct Field {
    std::size_t offset;
    char kind;
    long double value;
  };
  const Field fields[] = {
      // Fields 1-146 of the layout: window size, options, limits, placements, flags.
      {0, 'i', 1280}, {4, 'i', 1024}, {8, 'i', 0}, {108, 'i', 1}, {1708, 'i', 1}, {1716, 'i', 3},
      {1720, 'i', 4}, {1764, 'i', 7}, {3339, 'i', 0}, {3343, 'i', 1}, {3433, 'i', 0},
      {3815, 'i', 6}, {3831, 'i', 1000}, {3843, 'i', 3}, {3867, 'i', 1}, {3875, 'i', 0},
      {3879, 'i', -1}, {4475, 'i', -1}, {5079, 'i', 16}, {5087, 'i', 5}, {7407, 'i', 2},
      {7411, 'i', 1}, {7415, 'i', 1}, {7419, 'i', 3}, {7423, 'i', 15}, {7447, 'i', 3},
      {7459, 'i', 1}, {7467, 'i', 18}, {7471, 'i', 1}, {7479, 'i', 0}, {7883, 'i', 1},
      {7943, 'i', 1}, {7999, 'i', 1}, {7483, 'b', 0}, {3363, 'e', ExprErrorValue},
      {3423, 'e', ExprErrorValue},
      // The view record of the data status window (field 25).
      {2283, 'h', 5}, {2285, 'h', 35}, {2287, 'h', 35}, {2291, 'e', 210}, {2301, 'e', 20},
      {2311, 'e', 30}, {2321, 'e', 15}, {2331, 'h', 63}, {2333, 'h', 3}, {2337, 'h', 1023},
      {2339, 'e', 1}, {2349, 'i', 2},
      // Review pane (28), user-function graph (30), sampler (31); the user-function graph's
      // points record (42) has no fill; animation (49).
      {2541, 'h', 48}, {2543, 'h', 1}, {2635, 'h', 15}, {2681, 'h', 0}, {2687, 'h', 55},
      {2757, 'h', 0}, {3197, 'h', 1}, {3245, 'h', 0}, {3325, 'h', 1}, {3327, 'h', 5},
      {3329, 'h', 355}, {3331, 'h', 5}, {3333, 'h', 60}, {3335, 'h', -60}, {3337, 'h', -5},
      // Graph print (22): layout 1, landscape, margins; text print (23); the first user
      // colour scheme (21).
      {2173, 'h', 1}, {2181, 'h', 1}, {2195, 'f', 14.0f}, {2199, 'f', 2.54f}, {2235, 'i', 0},
      {2251, 'f', 2.54f}, {1768, 'b', 4}, {1768 + 27 * 14 + 26, 'b', 4},
      // Fit options (59-61), smoothing (106-109).
      {3441, 'i', 63}, {3445, 'i', 27}, {3449, 'i', 1}, {3596, 'b', 0}, {3597, 'b', 1},
      {3620, 'b', 1}, {3621, 'b', 0}, {3713, 'i', 65}, {3733, 'e', 0.1L}, {3743, 'i', 20},
      {3755 + kBgFitTypeOffset, 'i', 3}, {4479 + 64, 'i', 25}, {4479 + 128, 'i', 0},
      {4943 + 128, 'i', 5}, {4615 + 16, 'i', 2}, {4615 + 100, 'i', 18}, {4615 + 160, 'i', 3},
      {4779 + 68, 'i', 2}, {4779 + 160, 'i', 17},
  };
  for (const Field& f : fields) EXPECT_EQ(At(b, f.offset, f.kind), f.value) << "offset " << f.offset;
  for (auto [offset, text] : {std::pair{5103, "PRN"}, {6895, "DAT"}, {7151, "TXT"}})
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[static_cast<std::size_t>(offset)]), text);
}

TEST(SettingsFile, SaveLoadSaveGivesIdenticalBytes) {
  ProgramSettings s = DefaultSettings(1920, 1080);
  s.LimitsLevel = 3;
  s.recentFiles[0] = "/data/a.prn";
  s.recentFiles[1] = std::string(100, 'p');
  s.placements[kPlaceMainWindow] = {10, 20, 1000, 700, 0};
  s.EvalInputs[2] = 1.25L;
  const Bytes first = EncodeSettings(s, 1920, 1080);
  ProgramSettings back;
  ASSERT_TRUE(DecodeSettings(first, 1920, 1080, back));
  EXPECT_EQ(back.LimitsLevel, 3);
  EXPECT_EQ(back.placements[kPlaceMainWindow], (WindowPlacement{10, 20, 1000, 700, 0}));
  EXPECT_EQ(back.recentFiles[1], "");  // a path too long for its field is not kept (see below)
  EXPECT_EQ(EncodeSettings(back, 1920, 1080), first);
  EXPECT_FALSE(DecodeSettings(Bytes{}, 1920, 1080, back));  // other sizes: see SettingsDir
}

// Values out of their range are brought into it; a hostile file cannot hand later code an
// index past a table or a NaN.
TEST(SettingsFile, ValuesReadAreClamped) {
  Bytes b = EncodeSettings(DefaultSettings(800, 600), 800, 600);
  const std::pair<std::size_t, std::int32_t> wild[] = {
      {3343, 99},   {3339, -7},     // LimitsLevel, LimitsMode
      {1716, 1000}, {7407, 0},      // graph option number, FilterStep
      {7471, 12},   {3879, -900000},  // CodeGenDialect, main window x
      {3879 + 16, 5}, {7883, 7}};  // maximised flag, tool bar flag
  for (auto [offset, value] : wild) PutI32(b, offset, value);
  b[1768] = 200;  // a colour index no palette has: the scheme gets its default (index 4 first)
  bytes::EncodeExtended(std::numeric_limits<long double>::quiet_NaN(), &b[3363]);
  std::memset(&b[5103], 'x', 256);  // unterminated extension
  ProgramSettings s;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, s));
  EXPECT_EQ((std::vector<int>{s.LimitsLevel, s.LimitsMode, s.graphOption[0], s.FilterStep,
                              s.CodeGenDialect, s.placements[0].x, s.placements[0].maximized,
                              s.toolBarVisible[0], s.userColorSchemes[0]}),
            (std::vector<int>{4, 0, 9, 1, 7, -65536, 1, 1, 4}));
  EXPECT_EQ(s.EvalInputs[0], ExprErrorValue);
  EXPECT_EQ(s.LastExtensions[0].size(), 256u);
}

// A user colour scheme of a damaged settings file is refused as a .clr file of the same bytes
// is, and gets its default: clamped to index 15, every role of it was white and the graph was
// drawn white on white. The other schemes keep their colours.
TEST(SettingsFile, AUserColourSchemeWithAnIndexNoPaletteHasGetsItsDefault) {
  ProgramSettings custom = DefaultSettings(800, 600);
  for (std::size_t i = 0; i < custom.userColorSchemes.size(); ++i) custom.userColorSchemes[i] = static_cast<std::uint8_t>(i % 16);
  Bytes b = EncodeSettings(custom, 800, 600);
  constexpr std::size_t kSchemes = 1768;  // field 9: 15 schemes of 27 colour indices
  std::memset(&b[kSchemes + 27 * 2], 255, 27);  // scheme 2: all white, as the clamp made it
  b[kSchemes + 27 * 5 + 26] = 16;               // scheme 5: one index past the palette
  ProgramSettings s;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, s));
  const ProgramSettings defaults = DefaultSettings(800, 600);
  for (std::size_t k = 0; k < 15; ++k) {
    const auto at = static_cast<std::ptrdiff_t>(27 * k);
    const std::vector<std::uint8_t> got(s.userColorSchemes.begin() + at, s.userColorSchemes.begin() + at + 27);
    const std::vector<std::uint8_t> want = k == 2 || k == 5
                                               ? std::vector<std::uint8_t>(defaults.userColorSchemes.begin() + at,
                                                                           defaults.userColorSchemes.begin() + at + 27)
                                               : std::vector<std::uint8_t>(custom.userColorSchemes.begin() + at,
                                                                           custom.userColorSchemes.begin() + at + 27);
    EXPECT_EQ(got, want) << "scheme " << k;
  }
}

// A font slot's height and weight come back within the font commands' sizes and the weights
// there are; a slot of the window's own font and a slot in range keep their bytes.
TEST(SettingsFile, FontSlotsReadHoldSizesTheFontCommandsOffer) {
  ProgramSettings wanted = DefaultSettings(800, 600);
  TLogFont good;
  good.faceName = "DejaVu Sans";
  good.height = 48;
  good.weight = 700;
  good.italic = 1;
  wanted.fontLogFont[3] = EncodeLogFont(good);
  Bytes b = EncodeSettings(wanted, 800, 600);
  const struct {
    std::size_t slot;
    std::int32_t height, weight;
    std::int32_t heldHeight, heldWeight;
  } cases[] = {{4, -1431655765, 400, 6, 400},  // the height that overflowed the graph's fonts
               {7, 2000000000, -5, 48, 0},     {11, 0, 1000000, 6, 1000},
               {12, 5, 1001, 6, 1000},          {13, 49, 100, 48, 100}};
  for (const auto& c : cases) {
    TLogFont f = good;
    f.height = c.height;
    f.weight = c.weight;
    const std::vector<std::uint8_t> record = EncodeLogFont(f);
    std::copy(record.begin(), record.end(), b.begin() + 208 + 60 * static_cast<std::ptrdiff_t>(c.slot));
  }
  PutI32(b, 208 + 60 * 9, 2000000000);  // no face: the window's own font, bytes as they were
  ProgramSettings s;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, s));
  for (const auto& c : cases) {
    const TLogFont f = DecodeLogFont(s.fontLogFont[c.slot]);
    EXPECT_EQ(f.height, c.heldHeight) << c.slot;
    EXPECT_EQ(f.weight, c.heldWeight) << c.slot;
    EXPECT_EQ(f.faceName, "DejaVu Sans") << c.slot;
    EXPECT_EQ(f.italic, 1) << c.slot;
  }
  EXPECT_EQ(s.fontLogFont[3], EncodeLogFont(good));
  EXPECT_EQ(s.fontLogFont[9], Block(b.begin() + 208 + 60 * 9, b.begin() + 208 + 60 * 10));
}

// The digital filter's first point counts points of the file, which may hold far more than
// the table: every start the dialog takes (1..32000) comes back after a restart, and n up to
// the dialog's 999; values beyond are brought to those bounds.
TEST(SettingsFile, TheDigitalFilterComesBackAsTheDialogTookIt) {
  struct Case {
    std::int32_t step, start, stepBack, startBack;
  };
  for (const Case& c : {Case{2, 20000, 2, 20000}, Case{999, 32000, 999, 32000}, Case{1, 16385, 1, 16385},
                        Case{1000, 40000, 999, 32000}, Case{0, -5, 1, 1}}) {
    ProgramSettings s = DefaultSettings(800, 600);
    s.FilterStep = c.step;
    s.FilterStart = c.start;
    const Bytes b = EncodeSettings(s, 800, 600);
    EXPECT_EQ(I32At(b, 7407), c.step);
    EXPECT_EQ(I32At(b, 7411), c.start);
    ProgramSettings back;
    ASSERT_TRUE(DecodeSettings(b, 800, 600, back));
    EXPECT_EQ(back.FilterStep, c.stepBack) << c.step;
    EXPECT_EQ(back.FilterStart, c.startBack) << c.start;
  }
}

// A recent path is kept in its 80-byte field only with its terminating zero: a longer one
// came back cut, and the menu offered a file that does not exist (or a name cut inside a
// UTF-8 character). It is left out, the later paths move up so that the list does not end
// at a gap, and a field of an older file filled to its end is not offered.
TEST(SettingsFile, RecentPathsThatDoNotFitTheirFieldAreLeftOutAndTheRestMoveUp) {
  const auto path = [](std::size_t bytes, const std::string& tail) {
    return "/d/" + std::string(bytes - 3 - tail.size(), 'p') + tail;
  };
  const std::string utf8 = "\xC3\xA9t\xC3\xA9.prn";  // "été.prn": 2-byte characters
  struct Case {
    const char* what;
    std::string path;
    bool kept;
  };
  const Case cases[] = {
      {"ASCII, 78 bytes", path(78, ".prn"), true},
      {"ASCII, 79 bytes: the zero ends the field", path(79, ".prn"), true},
      {"ASCII, 80 bytes: no room for the zero", path(80, ".prn"), false},
      {"ASCII, 81 bytes", path(81, ".prn"), false},
      {"ASCII, 259 bytes", path(259, ".prn"), false},
      {"UTF-8, 79 bytes", path(79, utf8), true},
      {"UTF-8, 80 bytes", path(80, utf8), false},
      {"UTF-8, 81 bytes, whose first 80 end inside a character", path(81, ".pr\xC3\xA9"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramSettings s = DefaultSettings(800, 600);
    s.recentFiles = {"/a.prn", c.path, "/b.wk3", "/c.dat", ""};
    const Bytes b = EncodeSettings(s, 800, 600);
    ASSERT_EQ(b.size(), kSettingsFileSize);
    ProgramSettings back;
    ASSERT_TRUE(DecodeSettings(b, 800, 600, back));
    const std::array<std::string, kRecentFileCount> want =
        c.kept ? std::array<std::string, kRecentFileCount>{"/a.prn", c.path, "/b.wk3", "/c.dat", ""}
               : std::array<std::string, kRecentFileCount>{"/a.prn", "/b.wk3", "/c.dat", "", ""};
    EXPECT_EQ(back.recentFiles, want);
    // Each field holds its path and zeros after it.
    for (std::size_t k = 0; k < kRecentFileCount; ++k) {
      const std::size_t at = 7483 + 80 * k;
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[at])), want[k]) << k;
      EXPECT_TRUE(std::all_of(&b[at + want[k].size()], &b[at + 80], [](std::uint8_t x) { return x == 0; })) << k;
    }
  }
  // A file whose second field is filled to its end, as older files kept a long path.
  ProgramSettings s = DefaultSettings(800, 600);
  s.recentFiles = {"/a.prn", "/x.prn", "/b.wk3", "", ""};
  Bytes b = EncodeSettings(s, 800, 600);
  std::memset(&b[7483 + 80], 'q', 80);
  ProgramSettings back;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, back));
  EXPECT_EQ(back.recentFiles, (std::array<std::string, kRecentFileCount>{"/a.prn", "/b.wk3", "", "", ""}));
}

// A named int32 field at its file offset: its default, a wild value written there and what
// it reads back as, and a value chosen and written back.
struct NamedField {
  std::size_t offset;
  std::int32_t ProgramSettings::*field;
  std::int32_t byDefault, wild, readBack, chosen;
};

// Checks each field by name at its offset: the default, a wild value read back into range,
// a chosen value written where it was read.
void ExpectFieldsByMeaning(std::span<const NamedField> fields) {
  using S = ProgramSettings;
  using Field = NamedField;
  const S defaults = DefaultSettings(800, 600);
  Bytes b = EncodeSettings(defaults, 800, 600);
  S chosen = defaults;
  for (const Field& f : fields) {
    EXPECT_EQ(defaults.*f.field, f.byDefault) << f.offset;
    EXPECT_EQ(I32At(b, f.offset), f.byDefault) << f.offset;
    PutI32(b, f.offset, f.wild);
    chosen.*f.field = f.chosen;
  }
  S read;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, read));
  const Bytes mine = EncodeSettings(chosen, 800, 600);
  S back;
  ASSERT_TRUE(DecodeSettings(mine, 800, 600, back));
  for (const Field& f : fields) {
    EXPECT_EQ(read.*f.field, f.readBack) << f.offset;
    EXPECT_EQ(I32At(mine, f.offset), f.chosen) << f.offset;
    EXPECT_EQ(back.*f.field, f.chosen) << f.offset;
  }
}

// The review's fields, by name at their offsets: defaults, wild values brought into range,
// and chosen values written back where they were read.
TEST(SettingsFile, ReviewFieldsByMeaning) {
  using S = ProgramSettings;
  const NamedField fields[] = {
      {3347, &S::ListAllGoodnessOfFit, 0, 7, 1, 1},   {3815, &S::GraphLabelDigits, 6, 99, 8, 4},
      {3819, &S::GraphTitleDigits, 8, 1, 3, 12},      {3823, &S::GraphCacheOn, 1, -4, 0, 0},
      {3827, &S::BackgroundCacheOn, 1, 9, 1, 0},      {3831, &S::GraphCacheKb, 1000, -5, 1, 25000},
      {3835, &S::ShowCacheStats, 1, 2, 1, 0},         {3843, &S::ReviewImageKind, 3, 8, 3, 0},
      {3851, &S::UpdateTextWhileScrolling, 0, 5, 1, 1}, {3863, &S::ResidualMode, 0, 4, 3, 2},
      {7419, &S::DataPaneType, 3, -1, 0, 1},          {7423, &S::NumericPaneOptions, 15, 99, 15, 6},
      {7427, &S::ReviewTitleLines, 5, 4, 5, 2},       {7431, &S::ResidualTitleLines, 5, 0, 5, 3},
  };
  ExpectFieldsByMeaning(fields);
}

// The review's export options, by name at their offsets: their defaults tell the fields
// apart, wild values come back in range (a Lotus type other than 1 reads as WK3, the
// parameter options keep their five bits), chosen values are written where they were read.
TEST(SettingsFile, ExportFieldsByMeaning) {
  using S = ProgramSettings;
  const NamedField fields[] = {
      {7435, &S::MvTableKind, 0, 5, 2, 1},         {7443, &S::LotusTableKind, 0, -2, 0, 3},
      {7447, &S::LotusFileType, 3, 2, 3, 1},       {7451, &S::ExcelTableKind, 0, 4, 3, 2},
      {7455, &S::QpwTableKind, 0, 9, 3, 1},        {7459, &S::AsciiGenFormat, 1, 3, 2, 0},
      {7463, &S::AsciiGenDelimiter, 0, -1, 0, 2},  {7467, &S::AsciiGenPrecision, 18, 40, 18, 7},
      {7471, &S::CodeGenDialect, 1, -3, 0, 4},     {7475, &S::CodeGenScope, 0, 3, 1, 1},
      {7479, &S::ParmsOptions, 0, 0x45, 5, 26},
  };
  ExpectFieldsByMeaning(fields);
  EXPECT_EQ(DefaultSettings(800, 600).LastExtensions[4], "PRN");  // the ASCII exports' last extension
}

// The text-print record is kept raw in the file: margins that are no length on a page (NaN,
// infinite, negative, beyond a metre) take the default, so that no printed rectangle is
// computed from them.
TEST(SettingsFile, TextPrintMarginsOutsideAPageTakeTheDefault) {
  TTextPrintOptions wild;
  wild.marginLeft = std::numeric_limits<float>::quiet_NaN();
  wild.marginTop = 1e30f;
  wild.marginRight = -3;
  wild.marginBottom = 4.5f;
  const TTextPrintOptions o = DecodeTextPrint(EncodeTextPrint(wild));
  EXPECT_EQ((std::vector<float>{o.marginLeft, o.marginTop, o.marginRight, o.marginBottom}),
            (std::vector<float>{2.54f, 2.54f, 2.54f, 4.5f}));
  const TPrintRect r = TextPrintRect(o, 8500, 11000, 1000, 1000, 0, 0);
  EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}),
            (std::vector<int>{999, 999, 7501, 9229}));
}

TEST(SettingsFile, HandlesAndStatesAreStoredAsZero) {
  ProgramSettings s = DefaultSettings(800, 600);
  PutI32(s.backgroundFitBlock, kBgFitHandleOffset, 0x1234);
  PutI32(s.backgroundFitBlock, kBgFitStateOffset, 1);
  PutI32(s.backgroundFitBlock, kBgFitFlagsOffset, 3);
  PutI32(s.renderThreadBlock, 0, 0x5678);
  PutI32(s.renderThreadBlock, 4, -1);
  PutI32(s.pointsRecords[0], kPointsFitRecordOffset, 0x0BADF00D);
  Bytes b = EncodeSettings(s, 800, 600);
  EXPECT_EQ((std::vector<std::int32_t>{I32At(b, 3755 + kBgFitHandleOffset), I32At(b, 3755 + kBgFitStateOffset),
                                       I32At(b, 3755 + kBgFitTypeOffset), I32At(b, 3755 + kBgFitFlagsOffset),
                                       I32At(b, 3785), I32At(b, 3789), I32At(b, 3193 + kPointsFitRecordOffset)}),
            (std::vector<std::int32_t>{0, 0, 3, 3, 0, 0, 0}));
  PutI32(b, 3755, 77);  // a handle in a file (as an older writer left it) is not taken
  ProgramSettings back;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, back));
  EXPECT_EQ(I32At(back.backgroundFitBlock, 0), 0);
}

// A window left partly off the screen's left or top edge keeps its place and size: only a
// left of -1 means that no place was saved.
TEST(SettingsFile, PlacementsOffTheScreensEdgesAreKept) {
  ProgramSettings s = DefaultSettings(1280, 1024);
  s.placements[kPlaceDataStatus] = {-59, 40, 640, 480, 0};
  s.placements[kPlaceGridEditor] = {30, -12, 500, 400, 0};
  s.placements[kPlaceLoess] = {-1, 40, 640, 480, 0};
  ProgramSettings back;
  ASSERT_TRUE(DecodeSettings(EncodeSettings(s, 1280, 1024), 1280, 1024, back));
  EXPECT_EQ(back.placements[kPlaceDataStatus], (WindowPlacement{-59, 40, 640, 480, 0}));
  EXPECT_EQ(back.placements[kPlaceGridEditor], (WindowPlacement{30, -12, 500, 400, 0}));
  EXPECT_EQ(back.placements[kPlaceLoess].x, -1);
}

TEST(SettingsFile, SmallerScreenResetsEveryPlacement) {
  ProgramSettings s = DefaultSettings(1280, 1024);
  s.placements[0] = {0, 0, 1280, 954, 0};
  s.placements[29] = {5, 5, 300, 200, 0};
  const Bytes b = EncodeSettings(s, 1280, 1024);
  ProgramSettings small, large;
  ASSERT_TRUE(DecodeSettings(b, 800, 600, small));
  ASSERT_TRUE(DecodeSettings(b, 1600, 1200, large));
  EXPECT_EQ(small.placements[0], WindowPlacement{});
  EXPECT_EQ(small.placements[29], WindowPlacement{});
  EXPECT_EQ(large.placements[29], (WindowPlacement{5, 5, 300, 200, 0}));
}

TEST(SettingsFile, ResetKeepsTheBytesTheDefaultsLeaveAlone) {
  ProgramSettings s = DefaultSettings(800, 600);
  s.printGraph[2] = 1;      // frame graph
  s.fitOptions[60] = 0xAB;  // last 4 bytes of the fit options
  s.backgroundFitBlock[kThreadBlockValueOffset] = 0x42;
  s.LimitsLevel = 4;
  ResetDefaults(s, 800, 600);
  EXPECT_EQ(s.printGraph[2], 1);
  EXPECT_EQ(s.fitOptions[60], 0xAB);
  EXPECT_EQ(s.backgroundFitBlock[kThreadBlockValueOffset], 0x42);
  EXPECT_EQ(s.LimitsLevel, 1);
}

class SettingsDir : public ::testing::Test {
 protected:
  void TearDown() override { SetUdfSessionWriter(nullptr); }
  ScratchDir scratch_;
  const fs::path dir_ = scratch_.Path() / "settings";  // made by the first save
};

TEST_F(SettingsDir, FirstRunThenExitWritesExactly8003BytesThenTheSessionFile) {
  ProgramSettings s;
  EXPECT_EQ(LoadSettings(dir_, 1024, 768, s), 1);
  EXPECT_EQ(s.FilterStep, 2);
  // The thread blocks start with the missing value.
  EXPECT_EQ(bytes::DecodeExtended(&s.backgroundFitBlock[kThreadBlockValueOffset]), ExprErrorValue);
  EXPECT_EQ(bytes::DecodeExtended(&s.renderThreadBlock[kThreadBlockValueOffset]), ExprErrorValue);
  fs::path seen;
  SetUdfSessionWriter([&](const fs::path& dir) {
    seen = dir;
    EXPECT_TRUE(fs::exists(dir / kSettingsFileName));
    return true;
  });
  ASSERT_TRUE(SaveSettings(dir_, s, 1024, 768));
  EXPECT_EQ(seen, dir_);
  EXPECT_EQ(fs::file_size(dir_ / kSettingsFileName), kSettingsFileSize);
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename(), kSettingsFileName);  // no temporary file left behind
  ProgramSettings again;
  EXPECT_EQ(LoadSettings(dir_, 1024, 768, again), 0);
}

TEST_F(SettingsDir, FilesOfOtherSizesGiveAFirstRun) {
  const Bytes image = EncodeSettings(DefaultSettings(800, 600), 800, 600);
  fs::create_directories(dir_);
  for (std::size_t size : {kSettingsFileSize - 1, kSettingsFileSize + 1}) {
    Bytes file = image;
    file.resize(size);
    scratch_.Write("settings/" + std::string(kSettingsFileName), file);
    ProgramSettings s;
    s.LimitsLevel = 4;
    EXPECT_EQ(LoadSettingsFile(dir_, 800, 600, s), 0) << size;
    EXPECT_EQ(s.LimitsLevel, 4);
    EXPECT_EQ(LoadSettings(dir_, 800, 600, s), 1);
    EXPECT_EQ(s.LimitsLevel, 1);
  }
}

TEST_F(SettingsDir, FailedWriteWritesNothingAndKeepsTheOldFile) {
  ProgramSettings s = DefaultSettings(800, 600);
  ASSERT_TRUE(SaveSettings(dir_, s, 800, 600));
  bool sessionWritten = false;
  SetUdfSessionWriter([&](const fs::path&) { return sessionWritten = true; });
  s.LimitsLevel = 4;
  {
    const FileSizeLimit full(16);  // a full disk, even for root
    EXPECT_FALSE(SaveSettings(dir_, s, 800, 600));
  }
  EXPECT_FALSE(sessionWritten);
  ProgramSettings back;
  ASSERT_EQ(LoadSettingsFile(dir_, 800, 600, back), 1);
  EXPECT_EQ(back.LimitsLevel, 1);
}

// What a save at exit could not keep reaches the user: a settings folder that cannot be
// made, and a session file that could not be written after good settings.
TEST_F(SettingsDir, ASaveThatLosesSettingsOrFunctionsSaysWhichAndWhere) {
  scratch_.Write("blocked", "a file where the folder should be");
  const fs::path blocked = scratch_.Path() / "blocked" / "settings";
  const TSettingsSaveStatus lost = SaveSettings(blocked, DefaultSettings(800, 600), 800, 600);
  EXPECT_FALSE(lost.settingsWritten);
  EXPECT_EQ(SettingsSaveFailureText(lost, blocked),
            "Program Settings Could Not Be Saved in " + blocked.string());

  SetUdfSessionWriter([](const fs::path&) { return false; });
  const TSettingsSaveStatus half = SaveSettings(dir_, DefaultSettings(800, 600), 800, 600);
  EXPECT_TRUE(half.settingsWritten);
  EXPECT_FALSE(half.sessionWritten);
  EXPECT_EQ(SettingsSaveFailureText(half, dir_),
            "User-Defined Functions Could Not Be Saved in " + dir_.string());

  SetUdfSessionWriter([](const fs::path&) { return true; });
  EXPECT_EQ(SettingsSaveFailureText(SaveSettings(dir_, DefaultSettings(800, 600), 800, 600), dir_), "");
}

TEST_F(SettingsDir, LastSessionUdfsNeedsASessionFileAbove3500Bytes) {
  ASSERT_TRUE(SaveSettings(dir_, DefaultSettings(800, 600), 800, 600));
  for (auto [size, expected] : {std::pair{3500, 0}, std::pair{3957, 1}}) {
    scratch_.Write("settings/" + std::string(kUdfSessionFileName), std::string(static_cast<std::size_t>(size), 'u'));
    ProgramSettings s;
    ASSERT_EQ(LoadSettingsFile(dir_, 800, 600, s), 1);
    EXPECT_EQ(LastSessionUdfs, expected) << size;
  }
}

TEST(SettingsDirectoryChoice, HomeVariableWins) {
  const char* old = std::getenv("ONDRAVIK_HOME");
  const std::string saved = old ? old : "";
  setenv("ONDRAVIK_HOME", "/tmp/ondravik-x", 1);
  EXPECT_EQ(SettingsDirectory(), fs::path("/tmp/ondravik-x"));
  unsetenv("ONDRAVIK_HOME");
  EXPECT_EQ(SettingsDirectory().filename(), "ondravik3d");
  EXPECT_EQ(SettingsDirectory().parent_path().filename(), ".config");
  if (old) setenv("ONDRAVIK_HOME", saved.c_str(), 1);
}

}  // namespace
