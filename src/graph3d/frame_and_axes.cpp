// The graph box: back planes, grid lines, axes with ticks, numeric labels and titles, and
// the front edges.
//
// The box is drawn in two parts around the surface and the points: first the faces on the
// far side (the two upright back planes through the corner farthest from the viewer, and
// the floor), with their grids and the axes, which stand along the near edges of the
// floor; last the edges on the near side, which nothing may cover.
#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/c_format.h"
#include "app/coded_text.h"
#include "app/coded_text_drawing.h"
#include "graph3d/axis_labels.h"
#include "graph3d/label_thinning.h"
#include "graph3d/renderer.h"

using platform::Brush;
using platform::Color;
using platform::DeviceContext;
using platform::Font;
using platform::Point;
namespace TextAlign = platform::TextAlign;

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// The twelve edges of the box by corner numbers: four along X, four along Y, four along Z.
constexpr std::array<std::pair<int, int>, 12> kBoxEdges = {{{0, 1}, {2, 3}, {4, 5}, {6, 7},
                                                           {0, 2}, {1, 3}, {4, 6}, {5, 7},
                                                           {0, 4}, {1, 5}, {2, 6}, {3, 7}}};

// Slots of the font tables used here.
constexpr std::size_t kLabelFont = 15;        // axis labels and titles
constexpr std::size_t kZTitleFont = 20;       // turned to run upward
constexpr std::size_t kAlongXAxisFont = 25;   // turned along the X axis
constexpr std::size_t kAlongYAxisFont = 30;   // turned along the Y axis

// The label height sample and the label character width stand-in.
constexpr const char* kHeightSample = "\xC0\xBF";

// A value that is a rounding remainder of a step onto zero is zero.
long double Snap(long double v, long double range) {
  return std::fabs(v) < 1e-9L * std::fabs(range) ? 0 : v;
}

bool HasCodes(const std::string& text) { return text.find('~') != std::string::npos; }

// A numeric label of an axis and where its text goes.
struct TAxisLabel {
  std::string text;
  Point at;
};

// The box a label takes at its anchor, a quarter of a digit's width kept clear before and
// after it.
TLabelBox BoxOf(DeviceContext& measure, int digitWidth, const TAxisLabel& l, unsigned align, int escapement) {
  return LabelBoxAt(l.at.x, l.at.y, measure.GetTextExtent(l.text), align, escapement, digitWidth / 4);
}

// Moves each label of an axis the least that keeps it whole inside the graph, within the
// border line, as the titles are: the long labels of an axis far from the origin ran past the
// frame of the import preview and touched the edge of the residual graph; a label moved in
// over the ends of the box is read, one cut in half is not. Answers the labels' boxes.
std::vector<TLabelBox> KeepLabelsWithinGraph(DeviceContext& measure, int digitWidth, std::vector<TAxisLabel>& labels,
                                             unsigned align, int escapement, const platform::Rect& graph) {
  const platform::Rect room{graph.left + 1, graph.top + 1, graph.right, graph.bottom};
  std::vector<TLabelBox> boxes;
  boxes.reserve(labels.size());
  for (TAxisLabel& l : labels) {
    const Point shift = ShiftInto(BoxOf(measure, digitWidth, l, align, escapement), room);
    l.at = {l.at.x + shift.x, l.at.y + shift.y};
    boxes.push_back(BoxOf(measure, digitWidth, l, align, escapement));
  }
  return boxes;
}

// A label as it is drawn: its text and anchor, its box (with the room kept about it), the
// turn of its font, and whether it stands on a plate of the background colour.
struct TPlacedLabel {
  TAxisLabel label;
  TLabelBox box;
  int escapement = 0;
  bool plate = false;
};

// A label's places: by its tick (held inside the graph), and, where that one lies on a filled
// face of the box, the nearest place off the faces.
struct TLabelChoice {
  TPlacedLabel byTick;
  std::optional<TPlacedLabel> offFaces;
};

// Where each label of an axis stands clear of the filled faces of the box (the floor and the
// two back planes, `faces`; none when the planes are only outlined). A label that runs onto
// one (a long turned label at the corner where the X and Y axes start ran onto the floor,
// where its digits could not be read on the floor's colour) is moved on outward, away from
// the box along `outward` (the direction of its tick, counter-clockwise with y upward), to
// the nearest place off every face and inside the graph within a few of its own heights. A
// label turned along its tick that finds none (a long one where the graph's edge is nearer
// the box than its length) is tried upright, when `uprightToo`, from its place on. A label
// that finds no place off the faces keeps its place by its tick, marked for a plate.
std::vector<TLabelChoice> KeepLabelsOffFaces(DeviceContext& measure, int digitWidth, const std::vector<TAxisLabel>& labels,
                                             const std::vector<TLabelBox>& boxes, unsigned align, int escapement,
                                             bool uprightToo, long double outward, const platform::Rect& graph,
                                             std::span<const TLabelBox> faces) {
  const platform::Rect room{graph.left + 1, graph.top + 1, graph.right, graph.bottom};
  const double ox = std::cos(static_cast<double>(outward)), oy = -std::sin(static_cast<double>(outward));
  std::vector<TLabelChoice> choices;
  choices.reserve(labels.size());
  for (std::size_t k = 0; k < labels.size(); ++k) {
    TLabelChoice& choice = choices.emplace_back(TLabelChoice{TPlacedLabel{labels[k], boxes[k], escapement}, {}});
    if (faces.empty()) continue;
    const platform::Size extent = measure.GetTextExtent(labels[k].text);
    const auto boxAt = [&](Point at, int turn, int margin) {
      return LabelBoxAt(at.x, at.y, extent, align, turn, margin);
    };
    // The text itself, without the room kept between labels, stays off the faces.
    const auto offFaces = [&](Point at, int turn) {
      const TLabelBox box = boxAt(at, turn, 0);
      return std::none_of(faces.begin(), faces.end(), [&](const TLabelBox& face) { return LabelBoxesOverlap(box, face); });
    };
    if (offFaces(labels[k].at, escapement)) continue;
    choice.byTick.plate = true;
    const int step = std::max(extent.cy / 4, 1);
    const int reach = 4 * extent.cy;
    for (const int turn : {escapement, 0}) {
      if (turn != escapement && (!uprightToo || escapement == 0)) break;
      for (int d = turn == escapement ? step : 0; d <= reach && !choice.offFaces; d += step) {
        Point at{labels[k].at.x + static_cast<int>(std::lround(d * ox)),
                 labels[k].at.y + static_cast<int>(std::lround(d * oy))};
        const Point shift = ShiftInto(boxAt(at, turn, digitWidth / 4), room);
        at = {at.x + shift.x, at.y + shift.y};
        if (offFaces(at, turn))
          choice.offFaces = TPlacedLabel{TAxisLabel{labels[k].text, at}, boxAt(at, turn, digitWidth / 4), turn};
      }
      if (choice.offFaces) break;
    }
  }
  return choices;
}

// The labels drawn of an axis, by their index: every stride-th (so that none of the axis run
// together), less those that would run into a label of another axis drawn before (the X and
// Y axes start at one corner, and a Z axis stands at the far end of each), and kept off the
// faces: each stands by its tick, or where that lies on a face, at the place found for it
// off the faces, where those places keep the labels apart; with every second or third label
// where all of them would not be apart (labels set upright take more room along an axis than
// turned ones). Of these layouts the one that shows the most labels is taken, by their ticks
// on a tie; a label on a face without its place is left out. Where that would leave fewer
// than two labels of an axis that has them (the graph is too small for their length), the
// labels stand by their ticks, on plates of the background colour where they lie on a face:
// an axis without figures is not read at all. Those taken join `drawn`.
std::vector<std::pair<std::size_t, TPlacedLabel>> LabelsToDraw(const std::vector<TLabelChoice>& choices, int stride,
                                                               std::vector<TLabelBox>& drawn) {
  const auto placeOf = [&](std::size_t k) -> const TPlacedLabel& {
    return choices[k].offFaces ? *choices[k].offFaces : choices[k].byTick;
  };
  // Every label off the faces at this step, none running into another.
  const auto offFacesAt = [&](std::size_t step) {
    for (std::size_t i = 0; i < choices.size(); i += step) {
      if (placeOf(i).plate) return false;
      for (std::size_t j = i + step; j < choices.size(); j += step)
        if (LabelBoxesOverlap(placeOf(i).box, placeOf(j).box)) return false;
    }
    return true;
  };
  const auto count = [&](std::size_t step) { return choices.empty() ? 0 : (choices.size() - 1) / step + 1; };
  enum class Layout { kByTicks, kOffFaces, kOnPlates };
  std::size_t step = static_cast<std::size_t>(stride);
  std::size_t byTicks = 0;
  for (std::size_t k = 0; k < choices.size(); k += step) byTicks += choices[k].byTick.plate ? 0 : 1;
  Layout layout = Layout::kByTicks;
  std::size_t shown = byTicks;
  for (std::size_t s = step; count(s) > byTicks && (s == step || s < choices.size()); s += step)
    if (offFacesAt(s)) {
      layout = Layout::kOffFaces, step = s, shown = count(s);
      break;
    }
  if (shown < 2 && count(step) >= 2) layout = Layout::kOnPlates;
  const auto clear = [&drawn](const TLabelBox& box) {
    return std::none_of(drawn.begin(), drawn.end(), [&](const TLabelBox& other) { return LabelBoxesOverlap(box, other); });
  };
  std::vector<std::pair<std::size_t, TPlacedLabel>> taken;
  std::vector<TLabelBox> axis;
  for (std::size_t k = 0; k < choices.size(); k += step) {
    const TPlacedLabel& place = layout == Layout::kOffFaces ? placeOf(k) : choices[k].byTick;
    if (layout == Layout::kByTicks && place.plate) continue;
    if (clear(place.box)) {
      taken.emplace_back(k, place);
      axis.push_back(place.box);
    }
  }
  drawn.insert(drawn.end(), axis.begin(), axis.end());
  return taken;
}

// Draws a label placed for drawing, in `font` turned as it is placed (`upright` when it
// stands upright), on its plate where it has one.
void DrawPlacedLabel(DeviceContext& dc, const TPlacedLabel& l, const Font& font, const Font& upright) {
  const bool turned = l.escapement != font.escapement;
  if (turned) dc.SelectFont(upright);
  if (l.plate) dc.SetBkMode(platform::BkMode::Opaque);
  dc.TextOut(l.label.at.x, l.label.at.y, l.label.text);
  if (l.plate) dc.SetBkMode(platform::BkMode::Transparent);
  if (turned) dc.SelectFont(font);
}

// Where an axis title goes: at its anchor, beyond its labels, when the graph's edge cuts none
// of it and it runs into no label or title drawn; else the nearest place that does neither,
// moved past the labels or along them sooner than back over them. Long labels push the
// titles outward past the edge of a small graph (a residual graph or a status window at
// 1024 x 768), and a title moved in the least over the edge stood on its labels ("EASTING"
// over eastings 431000 .. 436000); the turned titles' ends reached back over the labels of
// an axis seen aslant. A title finds no clear place within a third of the graph only where
// the graph is too small for it: there it is moved the least that brings it inside. Off the
// box where there is room: a title on the floor among the points is read as little as one
// over its labels.
Point TitleClearOfLabels(Point at, platform::Size extent, unsigned align, int escapement, long double outward,
                         const platform::Rect& graph, int step, int digitWidth, std::vector<TLabelBox>& taken,
                         std::span<const TLabelBox> boxFaces) {
  const platform::Rect room{graph.left + 1, graph.top + 1, graph.right, graph.bottom};
  const int reach = (graph.right - graph.left + graph.bottom - graph.top) / 3;
  // Half a label's height apart, and no more than 60 steps to the reach: a tiny font on a
  // large graph would make the search long for nothing.
  step = std::max({step, reach / 60, 1});
  return PlaceClearOf(at, TTextShape{extent, align, escapement, digitWidth / 4}, outward, step, reach, room, taken,
                      boxFaces);
}

// The extent of a coded title: its width as drawn, the height of its normal font.
platform::Size CodedExtent(DeviceContext& measure, const CodedFontSet& fonts, const std::string& title) {
  const DcCodedTextMetrics metrics(measure, fonts);
  return {MeasureCodedText(metrics, title, -1, nullptr), metrics.Extent(0, kHeightSample).cy};
}

}  // namespace

long double T3DBase::ScreenAngle(int x1, int y1, int x2, int y2) {
  if (x2 == x1) return y2 < y1 ? kPi / 2 : 3 * kPi / 2;
  long double a = std::atan2(static_cast<long double>(y1 - y2), static_cast<long double>(x2 - x1));
  if (a < 0) a += 2 * kPi;
  return a;
}

Point T3DBase::TickEndPoint(int x, int y, int length, long double angle) {
  return Point{x + static_cast<int>(length * std::cos(angle) + 0.5L),
               y - static_cast<int>(length * std::sin(angle) + 0.5L)};
}

void T3DBase::DrawTick(DeviceContext& dc, int x, int y, int length, long double angle) {
  const Point end = TickEndPoint(x, y, length, angle);
  dc.MoveTo(x, y);
  dc.LineTo(end.x, end.y);
}

int T3DBase::AngleToEscapement(long double angle) {
  if (angle < 0) angle += 2 * kPi;
  return static_cast<int>(angle * 1800 / kPi + 0.5L);
}

int T3DBase::DrawFrameAndGrids(DeviceContext& dc, bool fromAbove) {
  // The far corner: the highest bottom corner on the screen seen from above, the lowest
  // top corner seen from below (the first in corner order on ties).
  const int first = fromAbove ? 0 : 4;
  int far = first;
  for (int c = first + 1; c < first + 4; ++c) {
    const int y = corners_[static_cast<std::size_t>(c)].y;
    const int best = corners_[static_cast<std::size_t>(far)].y;
    if (fromAbove ? y < best : y > best) far = c;
  }
  floorTop_ = !fromAbove;
  xzAtYmax_ = (far & 2) != 0;
  yzAtXmax_ = (far & 1) != 0;

  const int planes = view_.BackPlanes;
  if (planes >= 1 && planes <= 3) {
    dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[kRoleAxes])]);
    const Point at = corners_[static_cast<std::size_t>(far)];
    if (planes == 1) {
      for (int neighbour : {far ^ 1, far ^ 2, far ^ 4}) {
        dc.MoveTo(at.x, at.y);
        dc.LineTo(corners_[static_cast<std::size_t>(neighbour)].x,
                  corners_[static_cast<std::size_t>(neighbour)].y);
      }
    } else {
      auto face = [&](int role, std::array<int, 4> c) {
        dc.SelectBrush(basicBrushes_[static_cast<std::size_t>(colorIndex_[static_cast<std::size_t>(role)])]);
        vertices_.clear();
        for (int k : c) vertices_.push_back(corners_[static_cast<std::size_t>(k)]);
        dc.Polygon(vertices_);
      };
      face(kRoleXZBackPlane, {far, far ^ 1, far ^ 1 ^ 4, far ^ 4});
      face(kRoleYZBackPlane, {far, far ^ 2, far ^ 2 ^ 4, far ^ 4});
      // A floor that carries a contour plane keeps it.
      const bool contourOnFloor = fromAbove ? (view_.ContourBits & 1) : (view_.ContourBits & 2);
      if (!contourOnFloor || !(contentFlags_ & kContentSurface)) {
        dc.SelectBrush(basicBrushes_[static_cast<std::size_t>(colorIndex_[kRoleXYBackPlane])]);
        FillPlane(dc, floorTop_ ? 1 : 0);
      }
    }
    DrawGridLines(dc);
  }
  DrawAxes(dc);
  return far;
}

void T3DBase::DrawFrontFrame(DeviceContext& dc, int farCorner) {
  // Outline and Full/Closed only: Full/Open leaves the box open toward the viewer.
  if (view_.BackPlanes != 1 && view_.BackPlanes != 2) return;
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[kRoleAxes])]);
  for (const auto& [a, b] : kBoxEdges) {
    if (a == farCorner || b == farCorner) continue;
    dc.MoveTo(corners_[static_cast<std::size_t>(a)].x, corners_[static_cast<std::size_t>(a)].y);
    dc.LineTo(corners_[static_cast<std::size_t>(b)].x, corners_[static_cast<std::size_t>(b)].y);
  }
}

void T3DBase::DrawGridLine(DeviceContext& dc, int x1, int y1, int x2, int y2, int colorIndex,
                           Color color, int spacing) {
  if (spacing < 2) {
    dc.SelectPen(basicPens_[static_cast<std::size_t>(std::clamp(colorIndex, 0, 15))]);
    dc.MoveTo(x1, y1);
    dc.LineTo(x2, y2);
    return;
  }
  // A dotted line of single pixels, one in every `spacing` steps of a digital line from
  // point 1 to point 2 (both ends included).
  const long long dx = static_cast<long long>(x2) - x1;
  const long long dy = static_cast<long long>(y2) - y1;
  const long long adx = dx < 0 ? -dx : dx;
  const long long ady = dy < 0 ? -dy : dy;
  const long long m = std::max(adx, ady);
  // A line off any surface this far is not worth stepping through pixel by pixel.
  if (m > (1 << 16)) return;
  long long ex = m / 2, ey = m / 2;
  long long x = x1, y = y1;
  for (long long k = 0; k <= m; ++k) {
    if (k % spacing == 0) dc.SetPixel(static_cast<int>(x), static_cast<int>(y), color);
    ex += adx;
    ey += ady;
    if (ex >= m) {
      ex -= m;
      x += dx < 0 ? -1 : 1;
    }
    if (ey >= m) {
      ey -= m;
      y += dy < 0 ? -1 : 1;
    }
  }
}

void T3DBase::DrawGridLines(DeviceContext& dc) {
  const int bits = view_.GridBits & 63;
  if (bits == 0) return;
  const int spacing = ((view_.GridBits >> 8) & 0xFF) + 1;
  const auto& lo = scaling_.AxisLow;
  const auto& hi = scaling_.AxisHigh;
  const long double yPlane = xzAtYmax_ ? hi[kAxisY] : lo[kAxisY];
  const long double xPlane = yzAtXmax_ ? hi[kAxisX] : lo[kAxisX];
  const bool logZ = scaling_.Log[kAxisZ] != 0;
  // A residual graph has its floor grid on the zero plane.
  const long double floorZ = (contentFlags_ & kContentResiduals) && !logZ ? 0
                             : floorTop_                                 ? hi[kAxisZ]
                                                                         : lo[kAxisZ];
  const bool steep = std::fabs(view_.AngleZ) < 81;

  // Calls line(v) for the interior divisions of an axis, and on a log axis of fewer than
  // 8 decades for the eight minor values m = 2 .. 9 of every decade.
  auto forEachValue = [&](int axis, const auto& line) {
    const std::size_t a = static_cast<std::size_t>(axis);
    const int n = scaling_.Divs[a];
    const long double d = (hi[a] - lo[a]) / n;
    for (int k = 1; k < n; ++k) line(lo[a] + k * d);
    if (scaling_.Log[a] != 0 && n < 8) {
      for (int k = 0; k < n; ++k) {
        for (int m = 2; m <= 9; ++m) line(lo[a] + k * d + d * std::log10(static_cast<long double>(m)));
      }
    }
  };
  auto segment = [&](int role, long double xa, long double ya, long double za, long double xb,
                     long double yb, long double zb) {
    Point a, b;
    Project(xa, ya, za, a.x, a.y);
    Project(xb, yb, zb, b.x, b.y);
    const int index = colorIndex_[static_cast<std::size_t>(role)];
    const Color c = Basic16Colors[static_cast<std::size_t>(index)];
    DrawGridLine(dc, a.x, a.y, b.x, b.y, index, Color::PaletteRgb(c.Red(), c.Green(), c.Blue()),
                 spacing);
  };

  if ((bits & 1) && steep) {
    forEachValue(kAxisZ, [&](long double z) {
      segment(kRoleXZGrids, lo[kAxisX], yPlane, z, hi[kAxisX], yPlane, z);
    });
  }
  if (bits & 2) {
    forEachValue(kAxisX, [&](long double x) {
      segment(kRoleXZGrids, x, yPlane, lo[kAxisZ], x, yPlane, hi[kAxisZ]);
    });
  }
  if ((bits & 4) && steep) {
    forEachValue(kAxisZ, [&](long double z) {
      segment(kRoleYZGrids, xPlane, lo[kAxisY], z, xPlane, hi[kAxisY], z);
    });
  }
  if (bits & 8) {
    forEachValue(kAxisY, [&](long double y) {
      segment(kRoleYZGrids, xPlane, y, lo[kAxisZ], xPlane, y, hi[kAxisZ]);
    });
  }
  if (bits & 16) {
    forEachValue(kAxisX, [&](long double x) {
      segment(kRoleXYGrids, x, lo[kAxisY], floorZ, x, hi[kAxisY], floorZ);
    });
  }
  if (bits & 32) {
    forEachValue(kAxisY, [&](long double y) {
      segment(kRoleXYGrids, lo[kAxisX], y, floorZ, hi[kAxisX], y, floorZ);
    });
  }
}

// What every step of the axes shares: the font table of the target, the context that
// measures text, the metrics and colours of the labels, and the floor's near corner from
// which the X and Y axes run.
struct T3DBase::TAxisFrame {
  std::array<std::optional<Font>, kFontTableSize>* fonts;
  DeviceContext* measure;
  int tickLength;  // L: one tick; labels stand at 2 L, titles farther out
  int halfHeight;  // half a label's height
  int digitWidth;  // a label character's width stand-in
  Color labelColor, titleColor;
  int quadrant;    // of the view direction, 1 .. 4
  long double floorZ, xStart, yStart;
  long double xDirection, yDirection;  // on the screen, from the near corner outward
  const T3DTitleSet* titles;
  std::vector<TLabelBox>* drawnLabels;  // the boxes of the labels drawn so far, of every axis
  std::array<TLabelBox, 3> boxFaces;    // the floor and the two back planes, which cover the box
  bool facesFilled;                     // the planes are filled (else outlined or not drawn)
  // The faces a label stays off: the filled ones.
  std::span<const TLabelBox> FilledFaces() const {
    return facesFilled ? std::span<const TLabelBox>(boxFaces) : std::span<const TLabelBox>();
  }
};

// One horizontal axis: ticks and labels from the start end toward the far end (the far end,
// where a Z axis stands, gets none), then the title beyond the longest label.
struct T3DBase::THorizontalAxis {
  int axis;
  long double from, to;       // values along the axis
  long double direction;      // of the ticks: along the other axis, outward
  std::size_t labelFont;      // the label font, or the turned one
  unsigned labelAlign;
  int offsetSign;
  bool rotateTitle;
  std::size_t titleFont;      // turned along the axis
  bool titleShiftedByWidth;   // coded titles end at the anchor
};

// The two Z axes stand at the far ends of the X and Y axes: corners (ax, ay) and (bx, by).
struct T3DBase::TZAxisPair {
  long double ax, ay, bx, by;
  bool first, second;  // which of the two are drawn
};

int T3DBase::FloorQuadrant() const {
  const long double a = view_.AngleXY;
  if (!floorTop_) return a < 90 || a >= 360 ? 1 : a < 180 ? 2 : a < 270 ? 3 : 4;
  return a == 0 ? 4 : a <= 90 ? 1 : a <= 180 ? 2 : a <= 270 ? 3 : 4;
}

void T3DBase::DrawAxes(DeviceContext& dc) {
  const int labelBits = view_.LabelBits;
  if ((labelBits & 15) == 0) return;
  const bool printing = drawMode_ == kDrawPrinter;
  auto& table = printing ? printFonts_ : screenFonts_;
  if (!table[kLabelFont]) return;

  const auto roleColor = [&](int role) {
    const Color c = Basic16Colors[static_cast<std::size_t>(colorIndex_[static_cast<std::size_t>(role)])];
    return Color::PaletteRgb(c.Red(), c.Green(), c.Blue());
  };
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[kRoleAxes])]);
  dc.SelectFont(*table[kLabelFont]);
  dc.SetBkColor(Basic16Colors[static_cast<std::size_t>(colorIndex_[kRoleBackground])]);
  dc.SetBkMode(platform::BkMode::Transparent);
  // Metafiles measure their text on the screen's context.
  DeviceContext& measure =
      (drawMode_ == kDrawMetafile || drawMode_ == kDrawMetafilePlain) && measureContext_ != nullptr
          ? *measureContext_
          : dc;
  measure.SelectFont(*table[kLabelFont]);

  TAxisFrame f{};
  f.fonts = &table;
  f.measure = &measure;
  f.tickLength = (rect_.right - rect_.left) / 200 + (rect_.bottom - rect_.top) / 200;
  f.halfHeight = measure.GetTextExtent(kHeightSample).cy / 2;
  f.digitWidth = measure.GetTextExtent("9").cx;
  f.labelColor = roleColor(kRoleAxisLabels);
  f.titleColor = roleColor(kRoleAxisTitles);
  f.quadrant = FloorQuadrant();
  f.titles = activeTitles_;
  std::vector<TLabelBox> drawnLabels;
  f.drawnLabels = &drawnLabels;
  const auto face = [&](std::array<int, 4> c) {
    TLabelBox box;
    for (std::size_t k = 0; k < 4; ++k) {
      const Point p = corners_[static_cast<std::size_t>(c[k])];
      box.corners[k] = {static_cast<double>(p.x), static_cast<double>(p.y)};
    }
    return box;
  };
  const int floorBase = floorTop_ ? 4 : 0, yPlane = xzAtYmax_ ? 2 : 0, xPlane = yzAtXmax_ ? 1 : 0;
  f.facesFilled = view_.BackPlanes == 2 || view_.BackPlanes == 3;
  f.boxFaces = {face({floorBase, floorBase + 1, floorBase + 3, floorBase + 2}),
                face({yPlane, yPlane + 1, yPlane + 5, yPlane + 4}), face({xPlane, xPlane + 2, xPlane + 6, xPlane + 4})};

  // Labels that would stand on top of each other in a view along an axis are left out.
  const long double a = view_.AngleXY;
  const long double elevation = view_.AngleZ;
  bool showX = (labelBits & 1) != 0;
  bool showY = (labelBits & 2) != 0;
  if (elevation == 0) {
    if (a == 0 || a == 180 || a == 360) {
      showX = false;
    } else if (a == 90 || a == 270) {
      showY = false;
    } else {
      showX = showY = false;
    }
  }
  const bool showZ = (labelBits & 12) != 0 && std::fabs(elevation) < 81;

  // The X and Y axes start at one corner of the floor, on its near side.
  const int q = f.quadrant;
  const auto& lo = scaling_.AxisLow;
  const auto& hi = scaling_.AxisHigh;
  f.floorZ = floorTop_ ? hi[kAxisZ] : lo[kAxisZ];
  f.xStart = q == 1 || q == 4 ? hi[kAxisX] : lo[kAxisX];
  f.yStart = q == 1 || q == 2 ? hi[kAxisY] : lo[kAxisY];
  const long double xEnd = q == 1 || q == 4 ? lo[kAxisX] : hi[kAxisX];
  const long double yEnd = q == 1 || q == 2 ? lo[kAxisY] : hi[kAxisY];
  Point start, xFar, yFar;
  Project(f.xStart, f.yStart, f.floorZ, start.x, start.y);
  Project(xEnd, f.yStart, f.floorZ, xFar.x, xFar.y);
  Project(f.xStart, yEnd, f.floorZ, yFar.x, yFar.y);
  f.xDirection = ScreenAngle(xFar.x, xFar.y, start.x, start.y);
  f.yDirection = ScreenAngle(yFar.x, yFar.y, start.x, start.y);
  if (view_.BackPlanes == 0) {
    if (labelBits & 1) {
      dc.MoveTo(start.x, start.y);
      dc.LineTo(xFar.x, xFar.y);
    }
    if (labelBits & 2) {
      dc.MoveTo(start.x, start.y);
      dc.LineTo(yFar.x, yFar.y);
    }
  }
  SetAxisFonts(printing, AngleToEscapement(f.xDirection), AngleToEscapement(f.yDirection));

  const bool oddQuadrant = q == 1 || q == 3;
  const int sideSign = floorTop_ ? -1 : 1;
  const THorizontalAxis xAxis{kAxisX, f.xStart, xEnd, f.yDirection,
                              (labelBits & 16) ? kAlongYAxisFont : kLabelFont,
                              oddQuadrant ? TextAlign::kLeft : TextAlign::kRight,
                              (oddQuadrant ? 1 : -1) * sideSign, (labelBits & 16) != 0,
                              kAlongXAxisFont, !oddQuadrant};
  const THorizontalAxis yAxis{kAxisY, f.yStart, yEnd, f.xDirection,
                              (labelBits & 32) ? kAlongXAxisFont : kLabelFont,
                              oddQuadrant ? TextAlign::kRight : TextAlign::kLeft,
                              (oddQuadrant ? -1 : 1) * sideSign, (labelBits & 32) != 0,
                              kAlongYAxisFont, oddQuadrant};
  TZAxisPair z{};
  switch (q) {
    case 1: z.ax = lo[kAxisX], z.ay = hi[kAxisY], z.bx = hi[kAxisX], z.by = lo[kAxisY]; break;
    case 2: z.ax = hi[kAxisX], z.ay = hi[kAxisY], z.bx = lo[kAxisX], z.by = lo[kAxisY]; break;
    case 3: z.ax = hi[kAxisX], z.ay = lo[kAxisY], z.bx = lo[kAxisX], z.by = hi[kAxisY]; break;
    default: z.ax = lo[kAxisX], z.ay = lo[kAxisY], z.bx = hi[kAxisX], z.by = hi[kAxisY]; break;
  }
  z.first = (labelBits & 4) != 0;
  z.second = (labelBits & 8) != 0;
  // Every label first, then the titles, each placed clear of all the labels and of the
  // titles before it.
  const int xChars = showX ? DrawHorizontalAxis(dc, f, xAxis) : 0;
  const int yChars = showY ? DrawHorizontalAxis(dc, f, yAxis) : 0;
  const int zChars = showZ ? DrawZAxes(dc, f, z) : 0;
  if (showX) DrawHorizontalAxisTitle(dc, f, xAxis, xChars);
  if (showY) DrawHorizontalAxisTitle(dc, f, yAxis, yChars);
  if (showZ) DrawZAxisTitle(dc, f, z, zChars);
  dc.SelectFont(Font{});
  if (&measure != &dc) measure.SelectFont(Font{});
}

int T3DBase::DrawHorizontalAxis(DeviceContext& dc, const TAxisFrame& f, const THorizontalAxis& h) {
  auto& table = *f.fonts;
  const auto& lo = scaling_.AxisLow;
  const auto& hi = scaling_.AxisHigh;
  const std::size_t ax = static_cast<std::size_t>(h.axis);
  const bool logAxis = scaling_.Log[ax] != 0;
  const int n = scaling_.Divs[ax];
  const long double range = hi[ax] - lo[ax];
  const long double step = (h.to - h.from) / n;
  const int L = f.tickLength;
  dc.SelectFont(table[h.labelFont] ? *table[h.labelFont] : *table[kLabelFont]);
  dc.SetTextColor(f.labelColor);
  dc.SetTextAlign(h.labelAlign | TextAlign::kTop);
  const int dx = h.offsetSign * static_cast<int>(std::fabs(f.halfHeight * std::sin(h.direction)));
  const int dy = static_cast<int>(std::fabs(f.halfHeight * std::cos(h.direction)));
  const Font* labelFont = table[h.labelFont] ? &*table[h.labelFont] : &*table[kLabelFont];
  std::size_t longest = 0;
  std::vector<long double> values;
  std::vector<TAxisLabel> labels;
  values.reserve(static_cast<std::size_t>(std::max(n, 0)));
  labels.reserve(static_cast<std::size_t>(std::max(n, 0)));
  long double v = h.from;
  for (int k = 0; k < n; ++k) {
    const Point p = HorizontalAxisPoint(f, h.axis, v);
    DrawTick(dc, p.x, p.y, L, h.direction);
    const Point anchor = TickEndPoint(p.x, p.y, 2 * L, h.direction);
    values.push_back(v);
    labels.push_back({std::string(), {anchor.x + dx, anchor.y - dy}});
    v = Snap(v + step, range);
  }
  const std::vector<std::string> texts = AxisLabelTexts(values, logAxis, GraphLabelDigits());
  for (std::size_t k = 0; k < labels.size(); ++k) {
    labels[k].text = texts[k];
    longest = std::max(longest, texts[k].size());
  }
  const std::vector<TLabelBox> boxes = KeepLabelsWithinGraph(*f.measure, f.digitWidth, labels,
                                                             h.labelAlign | TextAlign::kTop, labelFont->escapement, rect_);
  // Thinned where the labels stand by their ticks: a label moved off the box thins no others.
  const int stride = LabelStride(boxes);
  const std::vector<TLabelChoice> choices =
      KeepLabelsOffFaces(*f.measure, f.digitWidth, labels, boxes, h.labelAlign | TextAlign::kTop, labelFont->escapement,
                         table[kLabelFont].has_value(), h.direction, rect_, f.FilledFaces());
  for (const auto& [k, placed] : LabelsToDraw(choices, stride, *f.drawnLabels))
    DrawPlacedLabel(dc, placed, *labelFont, *table[kLabelFont]);
  return static_cast<int>(longest);
}

Point T3DBase::HorizontalAxisPoint(const TAxisFrame& f, int axis, long double v) const {
  Point p;
  if (axis == kAxisX) {
    Project(v, f.yStart, f.floorZ, p.x, p.y);
  } else {
    Project(f.xStart, v, f.floorZ, p.x, p.y);
  }
  return p;
}

void T3DBase::DrawHorizontalAxisTitle(DeviceContext& dc, const TAxisFrame& f, const THorizontalAxis& h,
                                      int labelChars) {
  if (f.titles == nullptr) return;
  auto& table = *f.fonts;
  const std::size_t ax = static_cast<std::size_t>(h.axis);
  std::string title = f.titles->AxisTitles[ax];
  if (title.empty()) return;
  bool coded = HasCodes(title);
  if (coded && drawMode_ == kDrawMetafilePlain) {
    title = StripTextCodes(title, T3DTitleSet::kAxisTitleLength);
    coded = false;
  }
  const Point mid = HorizontalAxisPoint(f, h.axis, (scaling_.AxisLow[ax] + scaling_.AxisHigh[ax]) / 2);
  const Point anchor = TickEndPoint(mid.x, mid.y, 6 * f.tickLength + labelChars * f.digitWidth, h.direction);
  dc.SetTextColor(f.titleColor);
  if (coded) {
    CodedFontSet titleFonts;
    std::copy_n(table.begin() + kLabelFont, titleFonts.size(), titleFonts.begin());
    const platform::Size extent = CodedExtent(*f.measure, titleFonts, title);
    const Point at = TitleClearOfLabels({h.titleShiftedByWidth ? anchor.x - extent.cx : anchor.x, anchor.y}, extent,
                                        TextAlign::kLeft | TextAlign::kTop, titleFonts[0]->escapement, h.direction,
                                        rect_, f.halfHeight, f.digitWidth, *f.drawnLabels, f.boxFaces);
    DrawCodedText(dc, *f.measure, title, titleFonts, at.x, at.y, static_cast<int>(title.size()), 0, 0, 1,
                  f.titleColor);
    return;
  }
  const bool rotated = h.rotateTitle && table[h.titleFont];
  const Font& font = rotated ? *table[h.titleFont] : *table[kLabelFont];
  const unsigned align = rotated ? TextAlign::kCenter | (floorTop_ ? TextAlign::kBottom : TextAlign::kTop)
                                 : h.labelAlign | TextAlign::kTop;
  f.measure->SelectFont(font);
  const platform::Size extent = f.measure->GetTextExtent(title);
  f.measure->SelectFont(*table[kLabelFont]);  // the next axis's labels are measured in it
  const Point at = TitleClearOfLabels(anchor, extent, align, font.escapement, h.direction, rect_, f.halfHeight, f.digitWidth, *f.drawnLabels, f.boxFaces);
  dc.SelectFont(font);
  dc.SetTextAlign(align);
  dc.TextOut(at.x, at.y, title);
}

std::pair<Point, Point> T3DBase::ZAxisPoints(const TZAxisPair& z, long double v) const {
  Point pa, pb;
  Project(z.ax, z.ay, v, pa.x, pa.y);
  Project(z.bx, z.by, v, pb.x, pb.y);
  return pa.x <= pb.x ? std::pair{pa, pb} : std::pair{pb, pa};
}

int T3DBase::DrawZAxes(DeviceContext& dc, const TAxisFrame& f, const TZAxisPair& z) {
  const auto& lo = scaling_.AxisLow;
  const auto& hi = scaling_.AxisHigh;
  const bool logZ = scaling_.Log[kAxisZ] != 0;
  const int n = scaling_.Divs[kAxisZ];
  const long double range = hi[kAxisZ] - lo[kAxisZ];
  const long double step = range / n;
  const int L = f.tickLength;
  dc.SelectFont(*(*f.fonts)[kLabelFont]);
  dc.SetTextColor(f.labelColor);
  std::size_t longest = 0;
  std::pair<Point, Point> first, last;
  std::vector<TAxisLabel> lefts, rights;
  std::vector<long double> values;
  for (long double v = lo[kAxisZ]; values.size() <= static_cast<std::size_t>(std::max(n, 0)); v = Snap(v + step, range))
    values.push_back(v);
  const std::vector<std::string> texts = AxisLabelTexts(values, logZ, GraphLabelDigits());
  for (int k = 0; k <= n; ++k) {
    const auto [left, right] = ZAxisPoints(z, values[static_cast<std::size_t>(k)]);
    if (k == 0) first = {left, right};
    last = {left, right};
    const std::string& text = texts[static_cast<std::size_t>(k)];
    if (z.first) {
      dc.MoveTo(left.x, left.y);
      dc.LineTo(left.x - L, left.y);
      lefts.push_back({text, {left.x - 2 * L, left.y - f.halfHeight}});
    }
    if (z.second) {
      dc.MoveTo(right.x, right.y);
      dc.LineTo(right.x + L, right.y);
      rights.push_back({text, {right.x + 2 * L, right.y - f.halfHeight}});
    }
    longest = std::max(longest, text.size());
  }
  const std::vector<TLabelBox> leftBoxes =
      KeepLabelsWithinGraph(*f.measure, f.digitWidth, lefts, TextAlign::kRight | TextAlign::kTop, 0, rect_);
  const std::vector<TLabelBox> rightBoxes =
      KeepLabelsWithinGraph(*f.measure, f.digitWidth, rights, TextAlign::kLeft | TextAlign::kTop, 0, rect_);
  // Both columns stand at the same heights: they are thinned alike.
  const int stride = std::max(LabelStride(leftBoxes), LabelStride(rightBoxes));
  const auto leftTaken = LabelsToDraw(KeepLabelsOffFaces(*f.measure, f.digitWidth, lefts, leftBoxes,
                                                         TextAlign::kRight | TextAlign::kTop, 0, false, kPi, rect_,
                                                         f.FilledFaces()),
                                      stride, *f.drawnLabels);
  const auto rightTaken = LabelsToDraw(KeepLabelsOffFaces(*f.measure, f.digitWidth, rights, rightBoxes,
                                                          TextAlign::kLeft | TextAlign::kTop, 0, false, 0, rect_,
                                                          f.FilledFaces()),
                                       stride, *f.drawnLabels);
  const Font& font = *(*f.fonts)[kLabelFont];
  const auto draw = [&](const auto& list, std::size_t k, unsigned align) {
    for (const auto& [index, placed] : list)
      if (index == k) {
        dc.SetTextAlign(align);
        DrawPlacedLabel(dc, placed, font, font);
      }
  };
  for (std::size_t k = 0; k <= static_cast<std::size_t>(n); k += static_cast<std::size_t>(stride)) {
    draw(leftTaken, k, TextAlign::kRight | TextAlign::kTop);
    draw(rightTaken, k, TextAlign::kLeft | TextAlign::kTop);
  }
  if (view_.BackPlanes == 0) {
    if (z.first) {
      dc.MoveTo(first.first.x, first.first.y);
      dc.LineTo(last.first.x, last.first.y);
    }
    if (z.second) {
      dc.MoveTo(first.second.x, first.second.y);
      dc.LineTo(last.second.x, last.second.y);
    }
  }
  return static_cast<int>(longest);
}

void T3DBase::DrawZAxisTitle(DeviceContext& dc, const TAxisFrame& f, const TZAxisPair& z, int labelChars) {
  auto& table = *f.fonts;
  std::string title = f.titles != nullptr ? f.titles->AxisTitles[kAxisZ] : std::string();
  if (title.empty() || !table[kZTitleFont]) return;
  bool coded = HasCodes(title);
  if (coded && drawMode_ == kDrawMetafilePlain) {
    title = StripTextCodes(title, T3DTitleSet::kAxisTitleLength);
    coded = false;
  }
  CodedFontSet upright;
  std::copy_n(table.begin() + kZTitleFont, upright.size(), upright.begin());
  const auto [left, right] = ZAxisPoints(z, (scaling_.AxisLow[kAxisZ] + scaling_.AxisHigh[kAxisZ]) / 2);
  const int distance = 3 * f.tickLength + labelChars * f.digitWidth;
  dc.SetTextColor(f.titleColor);
  for (int side = 0; side < 2; ++side) {
    if (!(side == 0 ? z.first : z.second)) continue;
    const Point anchor = side == 0 ? Point{left.x - distance, left.y} : Point{right.x + distance, right.y};
    const unsigned align = TextAlign::kCenter | (side == 0 ? TextAlign::kBottom : TextAlign::kTop);
    const long double outward = side == 0 ? kPi : 0;
    if (coded) {
      const Point at = TitleClearOfLabels(anchor, CodedExtent(*f.measure, upright, title), align,
                                          upright[0]->escapement, outward, rect_, f.halfHeight, f.digitWidth, *f.drawnLabels, f.boxFaces);
      DrawCodedText(dc, *f.measure, title, upright, at.x, at.y, -1, 1, side == 0 ? 1 : 0, 1, f.titleColor);
    } else {
      dc.SelectFont(*table[kZTitleFont]);
      f.measure->SelectFont(*table[kZTitleFont]);
      const platform::Size extent = f.measure->GetTextExtent(title);
      const Point at = TitleClearOfLabels({anchor.x, anchor.y + extent.cy / 2}, extent, align,
                                          table[kZTitleFont]->escapement, outward, rect_, f.halfHeight, f.digitWidth, *f.drawnLabels, f.boxFaces);
      dc.SetTextAlign(align);
      dc.TextOut(at.x, at.y, title);
    }
  }
}
