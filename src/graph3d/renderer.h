// T3DBase, the 3D surface renderer: draws one surface z = f(x, y) and/or one set of data
// points as a projected box graph into any device context (window, off-screen image,
// printer page, metafile). Every graph window embeds one; the review's render thread has
// its own, on its own copy of the setup record.
//
// One frame (Render) is drawn in this order: the contour plane behind the surface, the
// frame, back planes, grids and axes, the surface (wire frame, mesh, gradient or shaded,
// painted back to front), the contour plane in front, the data points, the front edges of
// the box, and the titles.
//
// The member functions are defined by concept in: renderer_state.cpp (life cycle, options,
// palettes, fonts, colours), scales.cpp (axis scales), view_transform.cpp (view, projection,
// the frame pipeline), surface_grid.cpp (grid and residual statistics), titles.cpp,
// drawing.cpp (Draw and animation), surface_drawing.cpp, point_drawing.cpp,
// contour_planes.cpp and frame_and_axes.cpp.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "graph3d/color_schemes.h"
#include "graph3d/graph_setup.h"
#include "graph3d/option_records.h"
#include "platform/device_context.h"

// What the renderer needs to know of the screen, taken once at start-up.
struct GraphDisplayFacts {
  long colors = 1L << 24;  // 2^(bits per pixel x planes); above 255 allows palette drawing
  int screenDpiY = 96;
};
// Process-wide; set by the user interface before any graph is made.
const GraphDisplayFacts& GetGraphDisplayFacts();
void SetGraphDisplayFacts(const GraphDisplayFacts& facts);

// The significant digits of the numbers on the graph axes (the review preferences' "Graph
// Labels"); process-wide, safe to read while another thread draws. Kept within 1 .. 18.
inline constexpr int kDefaultGraphLabelDigits = 6;
int GraphLabelDigits();
void SetGraphLabelDigits(int digits);

// Where a frame is drawn (Draw's mode).
enum DrawMode : int {
  kDrawScreen = 0,         // window or memory bitmap
  kDrawPrinter = 1,
  kDrawMetafile = 2,       // keeps superscripts, subscripts and symbols
  kDrawMetafilePlain = 3,  // titles as plain text
  kDrawBitmapCopy = 4,
};

// Animation states (shared with the animation window).
enum AnimationState : int {
  kAnimIdle = 0,
  kAnimStartRequested = 1,
  kAnimRunning = 2,
  kAnimStopRequested = -1,
};

// Statistics of the residuals r = z - surface of the active data points.
struct TResidualStats {
  long double minR = 0, maxR = 0;  // residual
  long double minP = 0, maxP = 0;  // percent residual 100 r / z
  long double minS = 0, maxS = 0;  // standardised residual r / sigma
  long double minAbsR = 0, maxAbsR = 0;
  int maxAbsRIndex = 1;  // 1-based record of the largest |r|
  long double minAbsP = 0;
  long double minAbsS = 0, maxAbsS = 0;
  int count = 0;
  long double mean = 0;
  long double sumSquaredDeviations = 0;
  long double standardDeviation = 0;
};

// One entry of the kept point list (for finding the data point under the mouse).
struct TKeptPoint {
  int x = -1;  // screen position; -1 when the point is not drawn
  int y = -1;
  int index = 0;  // record number
  std::int8_t lineRole = 0;
  std::int8_t symbolRole = -1;  // -1: not filled
};

// The node and colour-band bookkeeping of the surface drawers.
struct TCrossing {
  int x = 0;
  int y = 0;
  int band = 0;
  int flag = 0;  // 1: a band crossing, shared by the band above and the band below
};

class T3DBase {
 public:
  static constexpr int kOffScreen = -16384;
  static constexpr int kFontTableSize = 35;
  static constexpr int kMaxMesh = 256;  // point cells are bytes

  explicit T3DBase(T3DGraphSetup* setup = nullptr);
  virtual ~T3DBase();
  T3DBase(const T3DBase&) = delete;
  T3DBase& operator=(const T3DBase&) = delete;

  // Virtual operations, in their historic slot order.
  // Called by the drawing loops while an animation runs; an override may handle pending
  // input and request the stop. Does nothing here.
  virtual void PollMessages() {}
  virtual void SetResidualBand();
  virtual void PrepareTitles();
  virtual void ComputeResiduals();

  // ---- Life cycle, options, colours, fonts ----
  // Attaches a record (null detaches). False when the graph cannot be set up (memory):
  // the renderer is then empty (nothing attached, nothing drawn) as after construction.
  bool SetData(T3DGraphSetup* setup, bool first = false);
  T3DGraphSetup* Setup() const { return setup_; }
  void LoadOptions();
  void StoreOptions();
  void Prepare();
  void SetColorScheme();
  void CopySchemeToUser();
  void CreateScreenFonts();
  void CreatePrintFonts(int printerDpi);
  void DeleteFonts();
  void DeletePrintFonts();
  void SetAxisFonts(bool printing, int angle1, int angle2);
  void SetKeepPoints(bool keep);
  void SortPointList(int first, int last);
  void DrawSymbol(platform::DeviceContext& dc, int x, int y) const;
  int ResidualColor(long double r) const;
  void EnableDrawing(bool enable) { drawingEnabled_ = enable; }
  void EraseBitmap(platform::DeviceContext& dc) const;
  // The renderer does not write its state back when destroyed while the program exits.
  static void SetProgramExiting(bool exiting);

  // ---- Geometry set by the host ----
  // The graph rectangle, and the view frame the hosts derive from it: centre at the middle
  // (lowered by (top + bottom) / 25), scales 0.85 x 0.005 of width and height.
  void SetGraphRect(const platform::Rect& rect);
  platform::Rect GraphRect() const { return rect_; }

  // ---- Scales, view transform, projection, frame ----
  void RecomputeScales();
  void Recompute();
  void RecomputeX();
  void RecomputeY();
  void RecomputeZ();
  void SetAxisRanges(long double xlo, long double xhi, long double ylo, long double yhi,
                     long double zlo, long double zhi);
  void SetupView(long double theta, long double phi);
  // 1 projected, -1 for the missing value (both coordinates then kOffScreen).
  int Project(long double x, long double y, long double z, int& px, int& py) const;
  void Render(platform::DeviceContext& dc);
  void SortForView(int a, int b);

  // ---- Surface grid, residuals, titles ----
  [[nodiscard]] bool AllocGrid(int nx, int ny);
  void FreeGrid();
  void ComputeGrid();
  // The coordinate of X line i (Y line j) of the grid: the axis spread evenly over the
  // lines, formed afresh for each line, the last line on the axis's high end itself.
  long double NodeX(int i) const;
  long double NodeY(int j) const;
  // Brackets: six values each (minimum's line before, own, after; then the maximum's).
  void GridMinMax(long double& min, long double& max, long double* xBracket,
                  long double* yBracket) const;
  // What the surface's values left in the renderer: the grid with the Z range and scale it
  // set, the residual figures, which points the surface hides and where the points were
  // drawn. A host that lets the user cancel a recompute or a drawing of a surface that is
  // costly to evaluate keeps it before and puts it back after the Cancel: the graph is then
  // the one it showed, not one of the values the stopped evaluations gave.
  struct TComputedSurface {
    int nx = 0, ny = 0;
    std::vector<long double> grid;
    std::vector<unsigned char> nodeCounts;
    T3DScalingBlock scaling;
    std::array<long double, 3> mid{}, scale{};
    long double zSpan = 1;
    TResidualStats residuals;
    long double residualBand = 0;
    std::vector<TKeptPoint> keptPoints;
    std::vector<std::uint8_t> visible;
    int symbolHalfSize = 1;
  };
  TComputedSurface KeepComputed() const;
  void PutBackComputed(TComputedSurface kept);
  void DrawTitles(platform::DeviceContext& dc, platform::DeviceContext* measure = nullptr);

  // ---- Drawing and animation ----
  // Erases the graph area and renders one frame (modes in DrawMode; below 0 erase only).
  void Draw(platform::DeviceContext& dc, int mode);
  // Paints a surface of width x height in the graph's background: a pane holds the graph
  // rectangle inset by a pixel, and Draw leaves the pane's last column and row as they were.
  // After Prepare, before Draw; every picture of a pane is erased alike.
  void EraseSurface(platform::DeviceContext& dc, int width, int height);
  // Animation as a sequence of steps that a host's timer drives: Animate starts it when
  // the state is "start requested" (it draws the first frame directly into dc);
  // AnimationStep draws the next frame off-screen and copies it to dc, and ends the
  // animation (restoring the view) once a stop was requested. Both answer whether the
  // animation is still running.
  bool Animate(platform::DeviceContext& dc);
  bool AnimationStep(platform::DeviceContext& dc);
  void ResetAnimation();
  int AnimationStateValue() const { return animState_.load(); }
  void SetAnimationState(int state) { animState_.store(state); }
  // Safe from any thread: the current frame is given up and the animation ends.
  void RequestAnimationStop();
  // The review's render thread: its state word (-1 stops every drawing loop at once).
  void SetStopWord(const std::atomic<int>* word) { stopWord_ = word; }

  // ---- Surface drawing ----
  void DrawWireSurface(platform::DeviceContext& dc);
  void DrawFilledSurface(platform::DeviceContext& dc);
  void DrawShadedSurface(platform::DeviceContext& dc);
  void DrawBandedCell(platform::DeviceContext& dc, int i, int j, int M, bool drawMesh);
  void DrawClippedBandedCell(platform::DeviceContext& dc, int i, int j, int M, bool drawMesh);
  void DrawClippedCell(platform::DeviceContext& dc, int i, int j, int M);

  // ---- Data points ----
  // Symbols, Z lines and limit bars of the points, in the renderer's point order; with the
  // keep flag set on screen (draw mode 0) it also fills the pick list.
  void DrawPoints(platform::DeviceContext& dc);
  // The "Visible Only" test: which points the filled surface leaves in sight.
  void DrawVisiblePoints(platform::DeviceContext& dc);
  // Draws the symbol of pick-list entry k (1 .. N) again, after its point's status changed.
  void RedrawPickedPoint(platform::DeviceContext& dc, int k);
  // Whether record k (1 .. N) is drawn in "Visible Only" mode.
  bool PointVisible(int k) const;
  // The symbol half-size of the last DrawPoints.
  int SymbolHalfSize() const { return symbolHalfSize_; }

  // ---- Contour planes (plane 0 the bottom face at Zmin, 1 the top face at Zmax) ----
  void DrawContourPlane(platform::DeviceContext& dc, int plane);
  void DrawCellContours(platform::DeviceContext& dc, int i, int j);
  void FillPlane(platform::DeviceContext& dc, int plane);

  // ---- Frame, back planes, grids and axes ----
  // Returns the far corner of the box (0 .. 7: bit 0 X high, bit 1 Y high, bit 2 Z high).
  int DrawFrameAndGrids(platform::DeviceContext& dc, bool fromAbove);
  void DrawFrontFrame(platform::DeviceContext& dc, int farCorner);
  void DrawGridLines(platform::DeviceContext& dc);
  void DrawAxes(platform::DeviceContext& dc);
  // A grid line: solid in basic pen `colorIndex` when spacing < 2, else one pixel of
  // `color` in every `spacing` steps.
  void DrawGridLine(platform::DeviceContext& dc, int x1, int y1, int x2, int y2, int colorIndex,
                    platform::Color color, int spacing);
  // Direction from point 1 to point 2 in radians, counter-clockwise with the screen's y
  // axis taken upward, in [0, 2 pi).
  static long double ScreenAngle(int x1, int y1, int x2, int y2);
  static platform::Point TickEndPoint(int x, int y, int length, long double angle);
  static void DrawTick(platform::DeviceContext& dc, int x, int y, int length, long double angle);
  // A direction as a font escapement in tenths of a degree.
  static int AngleToEscapement(long double angle);
  // Metafile pictures (draw modes 2 and 3) measure their text on this context, the
  // screen's, when one is set; the caller keeps it alive while drawing.
  void SetMeasureContext(platform::DeviceContext* measure) { measureContext_ = measure; }

  // ---- State readers (hosts, dialogs, tests) ----
  int ContentFlags() const { return contentFlags_; }
  const T3DViewRec& View() const { return view_; }
  T3DViewRec& MutableView() { return view_; }
  const T3DPointsRec& PointsOptions() const { return points_; }
  T3DPointsRec& MutablePointsOptions() { return points_; }
  const T3DScalingBlock& Scaling() const { return scaling_; }
  T3DScalingBlock& MutableScaling() { return scaling_; }
  const GraphTypeDecoding& Decoding() const { return decoding_; }
  int ColorIndex(int role) const { return colorIndex_[static_cast<std::size_t>(role)]; }
  // Changes one role's colour until the scheme is set again (a copy without a frame gives
  // the frame the background's colour).
  void SetColorIndex(int role, int index) { colorIndex_[static_cast<std::size_t>(role)] = index; }
  int SchemeNumber() const { return scheme_; }
  void SetSchemeNumber(int scheme) { scheme_ = scheme; }
  const platform::Palette& GraphPalette(int k) const { return palettes_[static_cast<std::size_t>(k)]; }
  const std::optional<platform::Font>& ScreenFont(int slot) const {
    return screenFonts_[static_cast<std::size_t>(slot)];
  }
  const std::optional<platform::Font>& PrintFont(int slot) const {
    return printFonts_[static_cast<std::size_t>(slot)];
  }
  const TResidualStats& ResidualStats() const { return residuals_; }
  long double ResidualBand() const { return residualBand_; }
  int GridNx() const { return gridNx_; }
  int GridNy() const { return gridNy_; }
  long double GridValue(int i, int j) const { return grid_[Node(i, j)]; }
  long double AxisLow(int axis) const { return scaling_.AxisLow[static_cast<std::size_t>(axis)]; }
  long double AxisHigh(int axis) const { return scaling_.AxisHigh[static_cast<std::size_t>(axis)]; }
  int Divisions(int axis) const { return scaling_.Divs[static_cast<std::size_t>(axis)]; }
  long double DataLow(int axis) const { return scaling_.DataLow[static_cast<std::size_t>(axis)]; }
  long double DataHigh(int axis) const { return scaling_.DataHigh[static_cast<std::size_t>(axis)]; }
  long double AxisMid(int axis) const { return mid_[static_cast<std::size_t>(axis)]; }
  long double AxisScale(int axis) const { return scale_[static_cast<std::size_t>(axis)]; }
  bool FlipX() const { return flipX_; }
  bool FlipY() const { return flipY_; }
  bool Swap() const { return swap_; }
  long double EyeDistance() const { return eyeDistance_; }
  long double PerspectiveFactor() const { return perspectiveFactor_; }
  const std::array<long double, 3>& LightDirection() const { return light_; }
  int TitleCount() const { return titleCount_; }
  const T3DTitleSet* ActiveTitles() const { return activeTitles_; }
  bool Dirty() const { return dirty_; }
  int LastDrawMode() const { return drawMode_; }
  bool DrawingEnabled() const { return drawingEnabled_; }
  // Record numbers of the data points in the order they are drawn.
  const std::vector<int>& PointOrder() const { return pointOrder_; }
  const std::vector<TKeptPoint>& KeptPoints() const { return keptPoints_; }

 private:
  // ---- The steps of DrawPoints (point_drawing.cpp) ----
  struct TPointMark;
  // The point as drawn for the graph's content (2 points alone, 3 over a surface, 4
  // residuals).
  TPointMark PointMarkOf(const TXYZPoint& p, int content) const;
  // Whether the mark could be formed and stands within the axes.
  bool MarkDrawable(const TPointMark& m) const;
  // The role of the symbol's fill (-1: unfilled).
  int SymbolRoleOf(long double residual) const;
  // Where the mark's line ends and its symbol stand on the device.
  void PlaceMark(TPointMark& m) const;
  // Draws the placed mark's Z line or limit bar and its symbol.
  void DrawPointMark(platform::DeviceContext& dc, const TPointMark& m, int symbolRole, bool active);

  // ---- The steps of DrawAxes (frame_and_axes.cpp) ----
  struct TAxisFrame;
  struct THorizontalAxis;
  struct TZAxisPair;
  // The quadrant (1 .. 4) of the view direction that puts the axes on the floor's near side.
  int FloorQuadrant() const;
  // The labels of an axis; answers the length in characters of the longest.
  int DrawHorizontalAxis(platform::DeviceContext& dc, const TAxisFrame& f, const THorizontalAxis& h);
  void DrawHorizontalAxisTitle(platform::DeviceContext& dc, const TAxisFrame& f, const THorizontalAxis& h,
                               int labelChars);
  platform::Point HorizontalAxisPoint(const TAxisFrame& f, int axis, long double v) const;
  int DrawZAxes(platform::DeviceContext& dc, const TAxisFrame& f, const TZAxisPair& z);
  void DrawZAxisTitle(platform::DeviceContext& dc, const TAxisFrame& f, const TZAxisPair& z, int labelChars);
  // The two Z axes' points at height v, left one first.
  std::pair<platform::Point, platform::Point> ZAxisPoints(const TZAxisPair& z, long double v) const;

  // The height of the graph rectangle that sets the scale of the box and its fonts: that of
  // a 4:3 rectangle of the same width when the rectangle is taller.
  long double ScaleHeight() const;
  // Everything an attached record sets up, back to the empty state.
  void ResetToEmpty();
  void ComputeAxisScale(int axis);
  void ComputeZScale();
  void BuildPointOrder(int key);
  std::span<const TXYZPoint> PointTable() const;
  bool StopRequested() const;
  void PollIfAnimating();
  platform::Color PaletteColor(int entry) const;
  int LevelOf(long double z) const;
  std::size_t Node(int i, int j) const {
    return static_cast<std::size_t>(i) * static_cast<std::size_t>(gridNy_) +
           static_cast<std::size_t>(j);
  }
  void BuildFontTable(std::array<std::optional<platform::Font>, kFontTableSize>& table, int dpi,
                      float scale);
  // The surface value at a data point (PointSurfaceFn or SurfaceFn), or ExprErrorValue.
  long double SurfaceAtPoint(const TXYZPoint& p) const;
  // Cell geometry shared by the band splitters.
  void AppendEdgeCrossings(std::vector<TCrossing>& list, int xP, int yP, int l0, int xQ, int yQ,
                           int l1, bool includeStart) const;
  // Fills the bands lowBand..highBand of the crossings in `crossings_`, which it uses up.
  void FillBands(platform::DeviceContext& dc, int lowBand, int highBand);
  // Band splitting of a quadrilateral whose corners are all in range, from its four
  // screen points and levels (c0 .. c3); the surface and the contour planes share it.
  void BandedQuad(platform::DeviceContext& dc, const std::array<platform::Point, 4>& corners,
                  const std::array<int, 4>& levels, bool drawMesh);
  void ClippedOutline(int i, int j, int M, std::vector<platform::Point>& outline,
                      std::vector<int>* levels) const;
  // The nodes of cell (i, j), 1 <= i < nx, 1 <= j < ny, in the order c0 (i-1, j-1),
  // c1 (i, j-1), c2 (i, j), c3 (i-1, j).
  std::array<std::size_t, 4> CellCorners(int i, int j) const;
  // False when a corner is off-screen or all four lie below level 0 or above M; counts
  // the corners below and above.
  bool CellVisible(const std::array<std::size_t, 4>& corners, int M, int& below,
                   int& above) const;
  // Projects the nodes for the filled and shaded surfaces; false when stopped.
  bool FirstPassFilled(long double clipSpans);
  // Calls cell(i, j) for every cell from the far side of the box to the near side, with
  // the poll and stop tests; a false answer ends the walk.
  void ForEachCellInPaintersOrder(const std::function<bool(int, int)>& cell);
  void StepAnimationAngles();
  // Makes the off-screen surface of the animation's frames cover the graph area (anew when
  // the area outgrew it); false when none could be made.
  bool MakeAnimationMemory(platform::DeviceContext& dc);
  void EndAnimation();

  // Attached record and derived content.
  T3DGraphSetup* setup_ = nullptr;
  int contentFlags_ = 0;
  int lockMask_ = 0;

  // Options copied from the record.
  T3DViewRec view_;
  T3DPointsRec points_;
  T3DScalingBlock scaling_;
  int scheme_ = 0;
  int userScheme_ = 0;
  platform::Font font_;
  GraphTypeDecoding decoding_;
  std::array<int, kColorRoleCount> colorIndex_{};

  // Drawing objects.
  std::array<platform::Pen, 16> basicPens_;
  platform::Pen dottedPen_;
  std::array<platform::Brush, 16> basicBrushes_;
  std::array<platform::Palette, kGraphPaletteCount> palettes_;
  std::array<std::optional<platform::Font>, kFontTableSize> screenFonts_;
  std::array<std::optional<platform::Font>, kFontTableSize> printFonts_;
  std::array<int, 2> axisFontAngle_{-1, -1};
  std::array<int, 2> axisFontHeight_{0, 0};

  // Titles.
  T3DTitleSet* activeTitles_ = nullptr;
  int titleCount_ = 0;

  // Graph rectangle and view frame.
  platform::Rect rect_{0, 0, 640, 480};
  long double cx_ = 320, cy_ = 240, sx_ = 2.72L, sy_ = 2.04L, aspect_ = 0.75L;

  // Scales: the ranges and divisions live in scaling_ (log axes in decades).
  std::array<long double, 3> mid_{0.5L, 0.5L, 0.5L};
  std::array<long double, 3> scale_{1, 1, 1};
  long double zSpan_ = 1;
  long double stepX_ = 0;
  long double stepY_ = 0;

  // View transform.
  long double theta_ = 0, phi_ = 0;
  bool flipX_ = false, flipY_ = false, swap_ = false;
  long double A_ = 1, B_ = 0, C_ = 0, D_ = 0, E_ = 1;
  std::array<long double, 3> eye_{0, 0, 0};
  long double eyeDistance_ = 0;
  long double perspectiveFactor_ = 1;
  std::array<long double, 3> light_{0, 0, 1};
  long double labelShrink_ = 1;
  std::array<platform::Point, 8> corners_{};

  // Surface grid (row per X line) and the node arrays of the surface drawers.
  int gridNx_ = 0;
  int gridNy_ = 0;
  std::vector<long double> grid_;
  // Per node: 1 when it lies in the setup's ScaleRegion (or there is none).
  std::vector<unsigned char> nodeCounts_;
  std::vector<int> nodeX_;
  std::vector<int> nodeY_;
  std::vector<int> nodeLevel_;
  // The contour planes' own node arrays: a plane is drawn after the surface and must not
  // overwrite the surface's screen points, which the visible-only test paints from.
  std::vector<int> planeX_;
  std::vector<int> planeY_;
  std::vector<int> planeLevel_;
  // Work lists of the cell drawers; they grow as needed (a saddle cell of a 32-colour
  // palette has up to 128 crossings).
  std::vector<platform::Point> vertices_;
  std::vector<TCrossing> crossings_;
  std::vector<platform::Point> outline_;
  std::vector<int> outlineLevels_;

  // Residuals and points.
  TResidualStats residuals_;
  long double residualBand_ = 0;
  std::vector<int> pointOrder_;
  bool keepPoints_ = false;
  std::vector<TKeptPoint> keptPoints_;
  int symbolHalfSize_ = 1;
  // Visibility of records 0 .. N in "Visible Only" mode (1 visible); kept by the renderer,
  // not in the shared data table, which another thread may be reading.
  std::vector<std::uint8_t> visible_;

  // Box sides chosen by DrawFrameAndGrids: the floor on the top face (seen from below),
  // the X-Z back plane at Ymax, the Y-Z back plane at Xmax.
  bool floorTop_ = false;
  bool xzAtYmax_ = false;
  bool yzAtXmax_ = false;
  platform::DeviceContext* measureContext_ = nullptr;

  // Animation.
  std::atomic<int> animState_{kAnimIdle};
  long double lastAnimXY_ = 0;
  long double lastAnimZ_ = 0;
  std::unique_ptr<platform::DeviceContext> animMemory_;
  struct Remembered {
    long double angleXY = 0, angleZ = 0;
    int display = 0, backPlanes = 0, contourBits = 0, labelBits = 0;
  } animSaved_;
  const std::atomic<int>* stopWord_ = nullptr;

  // Drawing state.
  bool drawingEnabled_ = false;
  bool dirty_ = true;
  int drawMode_ = kDrawScreen;
};
