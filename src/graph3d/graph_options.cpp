#include "graph3d/graph_options.h"

#include <algorithm>
#include <utility>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/data_table.h"
#include "graph3d/title_set.h"

TUserColorSchemes DecodeUserColorSchemes(const Block& block) {
  TUserColorSchemes schemes = DefaultUserColorSchemes();
  const std::size_t size = schemes.size() * kColorRoleCount;
  if (block.size() != size || std::any_of(block.begin(), block.end(), [](std::uint8_t c) { return c > 15; }))
    return schemes;
  for (std::size_t s = 0; s < schemes.size(); ++s)
    std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(s * kColorRoleCount), kColorRoleCount, schemes[s].begin());
  return schemes;
}

Block EncodeUserColorSchemes(const TUserColorSchemes& schemes) {
  Block block;
  for (const TColorScheme& s : schemes) block.insert(block.end(), s.begin(), s.end());
  return block;
}

platform::Font GraphFontOf(const TLogFont& record) {
  if (record.IsDefault()) return platform::Font{"Arial", 12};
  platform::Font font;
  font.face = record.faceName;
  font.height = record.height;
  font.weight = record.weight > 0 ? record.weight : 400;
  font.italic = record.italic != 0;
  font.underline = record.underline != 0;
  font.strikeOut = record.strikeOut != 0;
  return font;
}

TLogFont GraphFontRecord(const platform::Font& font, int points) {
  TLogFont record;
  record.faceName = font.face;
  record.height = points;
  record.weight = font.weight;
  record.italic = font.italic ? 1 : 0;
  record.underline = font.underline ? 1 : 0;
  record.strikeOut = font.strikeOut ? 1 : 0;
  return record;
}

namespace {

// The slot's record with the font the window leaves in it: what the font describes is taken
// from it, the record's other fields are kept.
TLogFont WithGraphFont(TLogFont record, const platform::Font& font) {
  const TLogFont chosen = GraphFontRecord(font, font.height);
  record.faceName = chosen.faceName;
  record.height = chosen.height;
  record.weight = chosen.weight;
  record.italic = chosen.italic;
  record.underline = chosen.underline;
  record.strikeOut = chosen.strikeOut;
  return record;
}

}  // namespace

int GraphFontSlot(int viewSlot) {
  switch (viewSlot) {
    case kGraphFunctionViewer: return kFontGraphFunctionViewer;
    case kGraphDataStatusFits: return kFontGraphDataStatusFits;
    case kGraphReviewPane: return kFontGraphReviewPane;
    case kGraphAcceptUndo: return kFontGraphAcceptUndo;
    case kGraphUserFunction: return kFontGraphUserFunction;
    case kGraphSampler: return kFontGraphSampler;
    case kGraphGridSpline: return kFontGraphGridSpline;
    case kGraphScattered: return kFontGraphScattered;
    case kGraphUniformGrid: return kFontGraphUniformGrid;
    case kGraphLoess: return kFontGraphLoess;
    case kGraphNurbs: return kFontGraphNurbs;
    case kGraphSparseGrid: return kFontGraphSparseGrid;
    default: return kFontGraphDataStatus;
  }
}

TGraphOptions::TGraphOptions(ProgramSettings& settings, int viewSlot, int pointsSlot, int placementSlot)
    : settings_(settings),
      viewSlot_(viewSlot),
      pointsSlot_(pointsSlot),
      fontSlot_(GraphFontSlot(viewSlot)),
      placementSlot_(placementSlot) {
  const auto& viewBlock = settings.viewRecords[static_cast<std::size_t>(viewSlot)];
  if (!DecodeViewRec(viewBlock, view) || !SanitizeViewRec(view)) view = DefaultViewRec();
  const auto& pointsBlock = settings.pointsRecords[static_cast<std::size_t>(pointsSlot)];
  if (!DecodePointsRec(pointsBlock, points)) points = DefaultPointsRec();
  if (!DecodeAnimRec(settings.animRecord, anim) || !SanitizeAnimRec(anim)) anim = T3DAnimRec{};
  scheme = std::clamp(settings.graphOption[static_cast<std::size_t>(viewSlot)], 0, 9);
  userSchemes = DecodeUserColorSchemes(settings.userColorSchemes);
  fontRecord_ = DecodeLogFont(settings.fontLogFont[static_cast<std::size_t>(fontSlot_)]);
  font = fontAsRead_ = GraphFontOf(fontRecord_);
  if (placementSlot >= 0) placement = settings.placements[static_cast<std::size_t>(placementSlot)];
  animationPlacement = settings.placements[kPlaceGraphShared];

  setup_.View = &view;
  setup_.PointsOpt = &points;
  setup_.Anim = &anim;
  setup_.Font = &font;
  setup_.Titles = &customTitles;
  setup_.TitleSettings = &titles;
  setup_.Scheme = &scheme;
  setup_.UserSchemes = &userSchemes;
  setup_.SchemeTable = &ColorSchemeTable;
  setup_.HostWord1 = placementSlot >= 0 ? &placement : nullptr;
  setup_.HostWord2 = &animationPlacement;
}

void TGraphOptions::StoreBack() {
  settings_.viewRecords[static_cast<std::size_t>(viewSlot_)] = EncodeViewRec(view);
  settings_.pointsRecords[static_cast<std::size_t>(pointsSlot_)] = EncodePointsRec(points);
  settings_.animRecord = EncodeAnimRec(anim);
  settings_.graphOption[static_cast<std::size_t>(viewSlot_)] = scheme;
  settings_.userColorSchemes = EncodeUserColorSchemes(userSchemes);
  if (font != fontAsRead_)
    settings_.fontLogFont[static_cast<std::size_t>(fontSlot_)] = EncodeLogFont(WithGraphFont(fontRecord_, font));
  if (placementSlot_ >= 0) settings_.placements[static_cast<std::size_t>(placementSlot_)] = placement;
  settings_.placements[kPlaceGraphShared] = animationPlacement;
}

PointsSource TablePoints(const TDataTable& table) {
  return [&table] {
    const std::span<const TXYZPoint> all = std::as_const(table).XYZData();
    const int n = PointCount(all);
    return all.empty() ? all : all.first(static_cast<std::size_t>(n) + 1);
  };
}

void SetDataRanges(T3DScalingBlock& scaling, const TDataStats& stats) {
  const TAxisStats* axes[3] = {&stats.X, &stats.Y, &stats.Z};
  for (std::size_t a = 0; a < 3; ++a) {
    const TAxisSpan span = DataAxisSpan(*axes[a]);
    scaling.DataLow[a] = scaling.AxisLow[a] = span.low;
    scaling.DataHigh[a] = scaling.AxisHigh[a] = span.high;
    scaling.Auto[a] = 1;
    scaling.Zoom[a] = 1;
  }
}

void SetDataPointsGraph(TGraphOptions& options, const TDataSession& session) {
  T3DGraphSetup& setup = options.Setup();
  options.points.FitRecord = nullptr;
  options.points.FitRecordWord = 0;
  setup.SurfaceFn = nullptr;
  setup.Points = TablePoints(session.Table);
  setup.LimitFn = nullptr;
  setup.ResidualMode = 0;
  setup.ZFromPoints = 1;
  setup.LockMask = 0;
  T3DScalingBlock& s = setup.Scaling;
  GetDataRanges(session.DataStats, s.DataLow[0], s.DataHigh[0], s.DataLow[1], s.DataHigh[1], s.DataLow[2],
                s.DataHigh[2]);
  s.AxisLow = s.DataLow;
  s.AxisHigh = s.DataHigh;
  s.Divs = {0, 0, 0};
  s.DataDivs = {0, 0, 0};
  s.Auto = {1, 1, 1};
  s.Log = {0, 0, 0};
  s.Zoom = {1, 1, 1};
  SetGraphTitlesFromData(options.titles, session.DataTitles());
  options.customTitles.Enabled = 0;
}
