// TResid, the review's residual graph: a graph frame window titled "Residuals" with a status
// line and menu 2007, showing the residuals of the data against the fit under review in one
// of four modes (the setting ResidualMode): plain, in percent of Z, in units of the fit's
// standard error, or plain with a smoothed surface through them. It follows every change of
// rank in the review window and saves its residuals as text, a Lotus worksheet or a
// statistics-package file.
//
// In the first three modes the renderer draws the residuals of the data against the fit
// itself (the record's residual mode); in the surface mode the window computes the residual
// points and the surface of the smoothing engine through them (the points are drawn as in
// the plain mode when there are 3 or fewer, or all on one line).
//
// The review window opens it on a graph record of its own (kept while the review lives),
// closes it with its other satellites, and learns of its closing through closed().
#pragma once

#include <QPointer>

#include <map>
#include <optional>
#include <vector>

#include "app/xyz_point.h"
#include "graph3d/preview_surface.h"
#include "graph3d/ui/graph_frame_window.h"
#include "graph3d/ui/graph_option_commands.h"
#include "review/residual_table.h"
#include "review/review_titles.h"

class QAction;
class QMenuBar;
struct TSession;

class TResid : public T3DWinSL {
  Q_OBJECT
 public:
  static constexpr int kMenuId = 2007;
  enum Command : int {
    kCmTitles = 2141,
    kCmPrinterSetup = 2305,
    kCmPrint = 2306,
    kCmFont = 2321,
    kCmColors = 2322,
    kCmSaveAs = 2341,
    kCmGraphType = 2342,
    kCmView = 2343,
    kCmScaling = 2344,
    kCmPointFormat = 2345,
    kCmResiduals = 2346,         // mode 0
    kCmResidualSurface = 2347,   // mode 3
    kCmResidualsPercent = 2348,  // mode 1
    kCmResidualsStandard = 2349, // mode 2
    kCmAnimate = 2353,
    kCmCopy = 2415,
  };
  // The Save As filter: text, Lotus worksheets and statistics-package files.
  static constexpr const char* kSaveFilter =
      "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|Lotus [wk1]|*.wk1|Lotus [wk3]|*.wk3|OKAP  [sav]|*.sav|";

  // `setup`: the record the review filled (the current fit's value, the data table, the
  // residual mode); it outlives the window. `dialogs`: the option dialogs of the review.
  TResid(QWidget* parent, TSession& session, T3DGraphSetup* setup, GraphOptionDialogs& dialogs);
  ~TResid() override;

  void Command(int id);
  QAction* Action(int id) const;
  QMenuBar* MenuBar() const { return menu_; }
  // The review's rank changed: titles, residuals and the graph follow, the graph drawn
  // within the step. A user function's residuals may take minutes: the step shows the
  // progress window with Cancel once it has taken a moment (or answers to the one of the
  // change it is part of), and a cancelled step leaves the window as it was: false then.
  bool Refresh();
  // What the window shows of the fit, kept before a change the user may cancel and put back
  // after it.
  struct TShown {
    TShownFrame frame;
    TReviewTitleSets titles;
    PointTable workData;
    std::optional<TPreviewSurface> surface;
  };
  TShown Keep() const;
  void PutBack(TShown kept);
  // ResidualMode 0..3.
  int Mode() const;
  bool HasResidualSurface() const { return residSurface_.has_value(); }
  // The rows a save writes, in the current mode (the surface mode saves plain residuals).
  std::vector<TResidualRow> Rows() const;
  // Writes the rows to `path` in the form its extension names; false (and a box) when the
  // file cannot be written.
  bool SaveTo(const std::string& path);

  bool HasSummary() const override { return true; }
  void DrawSummary(platform::DeviceContext& dc, int dpi, const platform::Rect& rect, bool colors) override;

 protected:
  int TopInset() const override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QAction* AddAction(QMenu* menu, int id, const char* text, bool checkable = false);
  void SetMode(int mode);
  void CheckModeItems();
  // The residual points and surface of the mode, attached to the renderer.
  void BuildResiduals();
  // The points and the surface of workData_ and residSurface_ (none: the fit's residuals)
  // attached to the renderer.
  void AttachResiduals();
  void Retitle();
  void FormatGraphTitle();
  void CmSaveAs();
  void CmTitles();
  void RunOption(int optionCommand);
  void RedrawMode(int mode);

  TSession& session_;
  GraphOptionDialogs& dialogs_;
  QMenuBar* menu_;
  std::map<int, QAction*> actions_;
  bool activateClick_ = false;
  // The record's value callback and points as the review handed them.
  SurfaceFunction fitValue_;
  PointsSource sourceData_;
  // The residual points and their surface in the surface mode.
  PointTable workData_;
  std::optional<TPreviewSurface> residSurface_;
};
