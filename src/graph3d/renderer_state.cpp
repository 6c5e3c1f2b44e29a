// Life cycle of the renderer: attaching a setup record, copying options in and out,
// decoding the graph type, colour schemes, palettes and fonts.
#include <algorithm>
#include <cmath>
#include <new>

#include "graph3d/renderer.h"

using platform::Brush;
using platform::Color;
using platform::Font;
using platform::Pen;

namespace {

GraphDisplayFacts g_displayFacts;
std::atomic<bool> g_programExiting{false};
std::atomic<int> g_graphLabelDigits{kDefaultGraphLabelDigits};

// The view fields the renderer computes with must be numbers and the mesh must make
// cells; a record from a damaged settings file is brought back to the defaults' values.
void GuardViewForDrawing(T3DViewRec& v) {
  const T3DViewRec defaults;
  for (auto [field, fallback] : {std::pair{&v.AngleXY, defaults.AngleXY},
                                 std::pair{&v.AngleZ, defaults.AngleZ},
                                 std::pair{&v.LightXY, defaults.LightXY},
                                 std::pair{&v.LightZ, defaults.LightZ},
                                 std::pair{&v.FrameSize, defaults.FrameSize}}) {
    if (!std::isfinite(*field)) *field = fallback;
  }
  v.AngleXY = ReducedViewAngle(v.AngleXY);
  v.MeshX = static_cast<std::int16_t>(std::clamp<int>(v.MeshX, 2, T3DBase::kMaxMesh));
  v.MeshY = static_cast<std::int16_t>(std::clamp<int>(v.MeshY, 2, T3DBase::kMaxMesh));
}

void GuardScalingForDrawing(T3DScalingBlock& s) {
  for (std::size_t a = 0; a < 3; ++a) {
    if (s.Zoom[a] == 0 || !std::isfinite(s.Zoom[a])) s.Zoom[a] = 1;
    if (s.Divs[a] <= 0) s.Divs[a] = 1;
    if (s.DataDivs[a] == 0) s.DataDivs[a] = 1;
    for (auto* pair : {&s.AxisLow, &s.DataLow}) {
      if (!std::isfinite((*pair)[a])) (*pair)[a] = 0;
    }
    for (auto* pair : {&s.AxisHigh, &s.DataHigh}) {
      if (!std::isfinite((*pair)[a])) (*pair)[a] = 1;
    }
  }
}

// The classic integer multiply-divide: rounded to nearest, halves away from zero.
int MulDiv(int number, int numerator, int denominator) {
  const long long p = static_cast<long long>(number) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(p >= 0 ? (p + half) / denominator : (p - half) / denominator);
}

// A graph font of `points` at `dpi`: the character height of the graph font's face,
// weight and slant; `small` is 80 % of the height.
Font ScaledFont(const Font& base, int points, int dpi, int escapement, bool small) {
  Font f = base;
  f.height = -MulDiv(points, dpi, 72);
  if (small) f.height = f.height * 4 / 5;
  f.escapement = escapement;
  f.charset = platform::CharSet::Ansi;
  return f;
}

Font SymbolFont(const Font& base, int points, int dpi, int escapement) {
  Font f;
  f.face = "Symbol";
  f.height = -MulDiv(points, dpi, 72);
  f.weight = base.weight;
  f.escapement = escapement;
  f.charset = platform::CharSet::Symbol;
  return f;
}

// Text never stands upside down: escapements that would turn it past the vertical are
// turned by half a circle.
int FoldEscapement(int angle) {
  if (angle >= 901 && angle <= 1800) angle += 1800;
  if (angle >= 1801 && angle <= 2700) angle -= 1800;
  return angle;
}

}  // namespace

const GraphDisplayFacts& GetGraphDisplayFacts() { return g_displayFacts; }
void SetGraphDisplayFacts(const GraphDisplayFacts& facts) { g_displayFacts = facts; }
void T3DBase::SetProgramExiting(bool exiting) { g_programExiting.store(exiting); }
int GraphLabelDigits() { return g_graphLabelDigits.load(); }
void SetGraphLabelDigits(int digits) { g_graphLabelDigits.store(std::clamp(digits, 1, 18)); }

T3DBase::T3DBase(T3DGraphSetup* setup) {
  for (std::size_t k = 0; k < Basic16Colors.size(); ++k) {
    const Color c = Basic16Colors[k];
    // Palette-relative, so that they keep their colour when a gradient palette is selected.
    const Color relative = Color::PaletteRgb(c.Red(), c.Green(), c.Blue());
    basicPens_[k] = Pen::Solid(relative);
    basicBrushes_[k] = Brush::Solid(relative);
  }
  dottedPen_ = Pen::Dotted(Color::Black());
  for (int k = 0; k < kGraphPaletteCount; ++k) {
    palettes_[static_cast<std::size_t>(k)] = BuildGraphPalette(k, g_displayFacts.colors);
  }
  vertices_.reserve(160);
  crossings_.reserve(160);
  if (setup != nullptr) SetData(setup, true);
}

T3DBase::~T3DBase() {
  if (setup_ != nullptr && !g_programExiting.load()) StoreOptions();
}

void T3DBase::ResetToEmpty() {
  FreeGrid();
  setup_ = nullptr;
  contentFlags_ = 0;
  lockMask_ = 0;
  drawingEnabled_ = false;
  keepPoints_ = false;
  keptPoints_.clear();
  pointOrder_.clear();
  animState_.store(kAnimIdle);
  lastAnimXY_ = lastAnimZ_ = 0;
  animMemory_.reset();
  activeTitles_ = nullptr;
  titleCount_ = 0;
  residuals_ = TResidualStats{};
  dirty_ = true;
}

bool T3DBase::SetData(T3DGraphSetup* setup, bool first) {
  if (!first) {
    FreeGrid();
    keptPoints_.clear();
  }
  if (setup == nullptr) {
    ResetToEmpty();
    return true;
  }
  drawingEnabled_ = false;
  try {
    setup_ = setup;
    lockMask_ = setup->LockMask;
    LoadOptions();
    contentFlags_ = 0;
    if (setup->ResidualMode == 0) {
      if (setup->SurfaceFn) contentFlags_ |= kContentSurface;
      if (setup->Points) contentFlags_ |= kContentPoints;
    } else {
      contentFlags_ |= kContentResiduals;
    }
    if (setup->LimitFn) contentFlags_ |= kContentLimit;
    if (setup->PointSurfaceFn) contentFlags_ |= kContentPointSurface;
    if (setup->GridFn) contentFlags_ |= kContentGridFunction;
    if (contentFlags_ & kContentResiduals) ComputeResiduals();
    SetColorScheme();
    if (font_.face.empty()) {
      // The default graph font: Arial at 12 points, normal weight.
      font_.face = "Arial";
      font_.height = 12;
      font_.weight = 400;
      if (setup->Font != nullptr) *setup->Font = font_;
    }
    PrepareTitles();
    Prepare();
    keepPoints_ = false;
    keptPoints_.clear();
    animState_.store(kAnimIdle);
    lastAnimXY_ = lastAnimZ_ = 0;
    dirty_ = true;
    ComputeAxisScale(kAxisX);
    ComputeAxisScale(kAxisY);
    if (!AllocGrid(view_.MeshX, view_.MeshY)) throw std::bad_alloc();
    ComputeGrid();
    ComputeZScale();
    drawMode_ = kDrawScreen;
    axisFontAngle_ = {-1, -1};
    axisFontHeight_ = {0, 0};
    pointOrder_.clear();
    drawingEnabled_ = true;
    return true;
  } catch (const std::bad_alloc&) {
    // Nothing half set up may be drawn: back to the state of a renderer without a record.
    ResetToEmpty();
    return false;
  }
}

void T3DBase::LoadOptions() {
  if (setup_ == nullptr) return;
  if (setup_->View != nullptr) view_ = *setup_->View;
  if (g_displayFacts.colors <= 255) view_.HideMesh = 0;
  GuardViewForDrawing(view_);
  if (setup_->Font != nullptr) font_ = *setup_->Font;
  if (setup_->PointsOpt != nullptr) points_ = *setup_->PointsOpt;
  if (setup_->Scheme != nullptr) scheme_ = *setup_->Scheme;
  userScheme_ = setup_->UserScheme;
  scaling_ = setup_->Scaling;
  GuardScalingForDrawing(scaling_);
  dirty_ = true;
}

void T3DBase::StoreOptions() {
  if (setup_ == nullptr || (lockMask_ & kLockEverything)) return;
  if (setup_->View != nullptr) {
    T3DViewRec& v = *setup_->View;
    const T3DViewRec old = v;
    v = view_;
    if (lockMask_ & kLockGraphType) v.GraphType = old.GraphType;
    if (lockMask_ & kLockMesh) {
      v.MeshX = old.MeshX;
      v.MeshY = old.MeshY;
    }
    // Outlines can only be hidden on displays of more than 255 colours.
    if (g_displayFacts.colors <= 255) v.HideMesh = 0;
  }
  if (setup_->Font != nullptr) *setup_->Font = font_;
  if (setup_->PointsOpt != nullptr) {
    T3DPointsRec& p = *setup_->PointsOpt;
    p.Size = points_.Size;
    p.Shape = points_.Shape;
    p.Fill = points_.Fill;
    if (!(lockMask_ & kLockPointsDisplay)) {
      p.Display = points_.Display;
      p.FitRecordWord = points_.FitRecordWord;
      p.FitRecord = points_.FitRecord;
    }
  }
  if (setup_->Scheme != nullptr) *setup_->Scheme = scheme_;
  setup_->UserScheme = userScheme_;
  if (!(lockMask_ & kLockScaling)) setup_->Scaling = scaling_;
  dirty_ = true;
}

void T3DBase::Prepare() {
  // A type outside the table keeps the previous decoding, as a damaged view file would.
  (void)DecodeGraphType(view_.GraphType, decoding_);
}

void T3DBase::SetColorScheme() {
  TColorScheme colors;
  const TColorSchemeTable& table =
      setup_ != nullptr && setup_->SchemeTable != nullptr ? *setup_->SchemeTable : ColorSchemeTable;
  if (scheme_ == kUserScheme && setup_ != nullptr && setup_->UserSchemes != nullptr) {
    const int u = std::clamp(userScheme_, 0, kUserSchemeCount - 1);
    colors = (*setup_->UserSchemes)[static_cast<std::size_t>(u)];
  } else {
    colors = BuiltinColorScheme(table, scheme_ == kUserScheme ? 1 : scheme_);
  }
  // A colour index from a damaged scheme must still name one of the 16 colours.
  for (std::size_t r = 0; r < colors.size(); ++r) colorIndex_[r] = colors[r] > 15 ? 0 : colors[r];
}

void T3DBase::CopySchemeToUser() {
  if (setup_ == nullptr || setup_->UserSchemes == nullptr) return;
  if (scheme_ < 0 || scheme_ >= kBuiltinSchemeCount) return;
  const TColorSchemeTable& table =
      setup_->SchemeTable != nullptr ? *setup_->SchemeTable : ColorSchemeTable;
  const int u = std::clamp(userScheme_, 0, kUserSchemeCount - 1);
  (*setup_->UserSchemes)[static_cast<std::size_t>(u)] = BuiltinColorScheme(table, scheme_);
}

void T3DBase::BuildFontTable(std::array<std::optional<Font>, kFontTableSize>& table, int dpi,
                             float scale) {
  table.fill(std::nullopt);
  std::array<float, 4> sizes{12, 12, 12, 12};
  if (activeTitles_ != nullptr) sizes = activeTitles_->FontSizes;
  for (std::size_t k = 0; k < 4; ++k) {
    const int points = static_cast<int>(sizes[k] * scale);
    table[5 * k] = ScaledFont(font_, points, dpi, 0, false);
    table[5 * k + 1] = ScaledFont(font_, points, dpi, 0, true);
    table[5 * k + 2] = SymbolFont(font_, points, dpi, 0);
    if (k == 3) {  // axis titles and labels, also turned to run upward
      table[20] = ScaledFont(font_, points, dpi, 900, false);
      table[21] = ScaledFont(font_, points, dpi, 900, true);
      table[22] = SymbolFont(font_, points, dpi, 900);
    }
  }
}

long double T3DBase::ScaleHeight() const {
  // The box is drawn to the scale of the height, and with its labels it is about 1.2 heights
  // wide: a rectangle narrower than 4:3 would cut off its sides. There the height of a 4:3
  // rectangle of the same width sets the scale, so that the whole graph stays in sight.
  const long double width = rect_.right - rect_.left;
  const long double height = rect_.bottom - rect_.top;
  return width > 0 ? std::min(height, width * 0.75L) : height;
}

void T3DBase::CreateScreenFonts() {
  // The labels and titles grow with the box: by the height alone, a pane taller than 4:3
  // (the review's) had fonts too large for the box's width, and the axis titles, even the
  // labels, ran off the pane's sides.
  const float scale = static_cast<float>(ScaleHeight() / 480.0L);
  BuildFontTable(screenFonts_, g_displayFacts.screenDpiY, scale);
  axisFontAngle_ = {-1, -1};
  axisFontHeight_ = {0, 0};
}

void T3DBase::CreatePrintFonts(int printerDpi) {
  BuildFontTable(printFonts_, printerDpi, 1.0f);
}

void T3DBase::DeleteFonts() { screenFonts_.fill(std::nullopt); }
void T3DBase::DeletePrintFonts() { printFonts_.fill(std::nullopt); }

void T3DBase::SetAxisFonts(bool printing, int angle1, int angle2) {
  auto& table = printing ? printFonts_ : screenFonts_;
  const auto& label = table[15];
  if (!label) return;
  const std::array<int, 2> angles{FoldEscapement(angle1), FoldEscapement(angle2)};
  const std::array<std::size_t, 2> slots{25, 30};
  for (std::size_t k = 0; k < 2; ++k) {
    if (!printing && axisFontAngle_[k] == angles[k] && axisFontHeight_[k] == label->height &&
        table[slots[k]]) {
      continue;
    }
    Font f = *label;
    f.escapement = angles[k];
    table[slots[k]] = f;
    if (!printing) {
      axisFontAngle_[k] = angles[k];
      axisFontHeight_[k] = label->height;
    }
  }
}

void T3DBase::SetKeepPoints(bool keep) {
  keepPoints_ = keep;
  if (!keep) keptPoints_.clear();
}

void T3DBase::SortPointList(int first, int last) {
  const int n = static_cast<int>(keptPoints_.size());
  first = std::max(first, 0);
  last = std::min(last, n - 1);
  if (first >= last) return;
  std::sort(keptPoints_.begin() + first, keptPoints_.begin() + last + 1,
            [](const TKeptPoint& a, const TKeptPoint& b) { return a.x < b.x; });
}

void T3DBase::DrawSymbol(platform::DeviceContext& dc, int x, int y) const {
  const int h = symbolHalfSize_;
  switch (points_.Shape) {
    case 1:
      dc.Rectangle(x - h, y - h, x + h + 1, y + h + 1);
      break;
    case 2:
      dc.Ellipse(x - h, y - h, x + h + 1, y + h + 1);
      break;
    case 3: {
      const platform::Point diamond[4] = {{x - h, y}, {x, y - h}, {x + h, y}, {x, y + h}};
      dc.Polygon(diamond);
      break;
    }
    default:
      break;
  }
}

void T3DBase::SetResidualBand() {
  residualBand_ = points_.FitRecord != nullptr
                      ? *points_.FitRecord
                      : (scaling_.AxisHigh[kAxisZ] - scaling_.AxisLow[kAxisZ]) * 0.25L;
}

int T3DBase::ResidualColor(long double r) const {
  const long double b = residualBand_;
  if (r <= b || b <= 1e-30L) return kRolePoints1SD;
  if (r <= 2 * b) return kRolePoints2SD;
  if (r <= 3 * b) return kRolePoints3SD;
  return kRolePointsOver3SD;
}

void T3DBase::EraseBitmap(platform::DeviceContext& dc) const {
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[kRoleFrameForPrint])]);
  dc.SelectBrush(basicBrushes_[static_cast<std::size_t>(colorIndex_[kRoleBackground])]);
  dc.Rectangle(0, 0, rect_.right + 1, rect_.bottom + 1);  // from the origin, as Draw erases
}

void T3DBase::SetGraphRect(const platform::Rect& rect) {
  rect_ = rect;
  const long double width = rect.right - rect.left;
  cx_ = (rect.left + rect.right) / 2;
  cy_ = (rect.top + rect.bottom) / 2 + (rect.top + rect.bottom) / 25;
  const long double scaled = ScaleHeight();
  sx_ = width * 0.85L * 0.005L;
  sy_ = scaled * 0.85L * 0.005L;
  aspect_ = width > 0 ? scaled / width : 1;
}

platform::Color T3DBase::PaletteColor(int entry) const {
  const platform::Palette& p = palettes_[static_cast<std::size_t>(decoding_.palette)];
  if (drawMode_ >= kDrawPrinter) {
    const Color c = p.entries[static_cast<std::size_t>(std::clamp<int>(
        entry, 0, static_cast<int>(p.entries.size()) - 1))];
    return Color::PaletteRgb(c.Red(), c.Green(), c.Blue());
  }
  return Color::PaletteIndex(static_cast<std::uint16_t>(std::max(entry, 0)));
}
