// The option commands of the graph windows (the data view, the function viewers, the review
// and the smoothing windows): one function serves every command id. Each command
//   1. writes the window renderer's state into the setup record (StoreOptions),
//   2. copies what the dialog may change (TSetupSnapshot, and the point statuses for the
//      section dialog) and sets the record's lock mask to the dialog's value, so that the
//      dialog's own preview renderer does not write back the fields the dialog edits,
//   3. runs the dialog modally on the record and restores the lock mask,
//   4. on OK with a change reloads the record into the renderer and recomputes what the
//      change needs (the grid for new mesh counts, the scales for a new scaling block), and
//      redraws with mode 2 (held image and image cache dropped); otherwise redraws with 0.
// A cancelled dialog leaves the record exactly as it was before the command: the copy is put
// back, because the preview renderers store their state into the record when they go.
#pragma once

#include <functional>
#include <memory>
#include <shared_mutex>
#include <span>
#include <string>

#include "app/xyz_point.h"
#include "graph3d/graph_setup.h"
#include "graph3d/ui/viewer_dialogs.h"

class QWidget;
class T3DBase;
class T3DDlg;

enum GraphOptionCommand : int {
  kCmGraphType = 371,
  kCmViewOptions = 372,
  kCmScaling = 373,
  kCmAnimate = 374,
  kCmTitles = 375,
  kCmGraphFont = 376,
  kCmColors = 377,
  kCmEvaluate = 378,
  kCmSection = 385,
  kCmPointsOptions = 386,
};

// The option dialogs a command runs, by resource id, and the player window.
enum GraphOptionDialog : int {
  kDlgGraphType = 4016,
  kDlgView = 4017,
  kDlgScaling = 4018,
  kDlgAnimate = 4019,
  kDlgTitles = 4020,
  kDlgColorScheme = 4022,
  kDlgCustomColors = 4023,
  kDlgEvaluate = 4027,
  kDlgPoints = 4031,
  kDlgSection = 4032,
  kDlgAnimationPlayer = 2010,  // the "Animate View" window (its menu's id)
};

// The record's lock mask while each dialog runs.
int OptionCommandLock(int command);

// Dialog results the commands read.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;
inline constexpr int kCustomizeColors = 528;  // the colour scheme dialog's "Customize Colors"

// The graph font's height: points to the character height in pixels at the screen's dots per
// inch (negative, as a font request gives it), and back.
int FontHeightFromPoints(int points, int dpi);
int FontPointsFromHeight(int height, int dpi);

// What the commands need besides the window and its record.
struct GraphOptionContext {
  // The point table the record shows, writable, and its lock (null when the window has no
  // shared table); needed by the section command.
  std::function<std::span<TXYZPoint>()> mutablePoints;
  std::shared_mutex* tableMutex = nullptr;
  // Stops and joins the background fit before statuses change.
  std::function<void()> stopBackgroundFit;
  // The section dialog's data-preparation flag: recompute the fit statistics and take the
  // ranges from them (the data view passes 1).
  bool sectionPreparesData = true;
  std::function<void()> prepareDataForFit;
  // Keeps what preparing the data computes (the program's statistics) and answers the
  // function that puts it back, for a section that is cancelled after an Apply.
  std::function<std::function<void()>()> keepPreparedData;
  // The font request (the graph LOGFONT with its height in pixels); false when cancelled.
  // Null: the system font dialog.
  std::function<bool(QWidget* parent, platform::Font& font)> chooseFont;
  // The caption of the evaluation table (the function viewer's "View Function Evaluation").
  std::string evaluationCaption;
  // The surface's own derivatives and volume for the evaluation table (the smoothing
  // engines'); empty ones the table works out itself.
  TSurfaceCalculus evaluationCalculus;
  // The caption of the animation window, when its opener names one.
  std::string animationCaption;
};

// The system font dialog for the graph font: screen fonts of 6 to 48 points; the font's height
// is in pixels at the screen's resolution, in and out. False when cancelled.
bool ChooseGraphFont(QWidget* parent, platform::Font& font);

// Runs one option dialog modally on the record and returns its result; the default runs the
// program's dialogs. Tests put in their own.
class GraphOptionDialogs {
 public:
  virtual ~GraphOptionDialogs() = default;
  virtual int Run(int dialog, QWidget* parent, T3DGraphSetup& setup, const GraphOptionContext& context);
};

struct GraphOptionResult {
  bool handled = false;    // the id is one of the option commands
  int dialogResult = 0;    // of the (last) dialog
  bool changed = false;    // the record differs from before and was reloaded
  int redraw = 0;          // the window's redraw mode used (-1: none)
  bool recomputedGrid = false;
  bool recomputedScales = false;
  bool viewChanged = false;  // the view-changed flag of the data view
  bool dataChanged = false;  // the data-changed flag (section)
};

GraphOptionResult RunGraphOptionCommand(T3DDlg& window, int command, GraphOptionDialogs& dialogs,
                                        const GraphOptionContext& context);
// The same for any window that draws with `renderer` (the graph frame windows): `redraw`
// stands for the window's redraw of a mode (0 repaint, 2 everything anew).
GraphOptionResult RunGraphOptionCommand(QWidget& window, T3DBase& renderer, const std::function<void(int)>& redraw,
                                        int command, GraphOptionDialogs& dialogs, const GraphOptionContext& context);
