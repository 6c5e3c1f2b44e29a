#include "graph3d/ui/graph_option_commands.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "graph3d/setup_snapshot.h"
#include "graph3d/ui/graph_dialog.h"

int OptionCommandLock(int command) {
  switch (command) {
    case kCmViewOptions: return kLockGraphType | kLockMesh | kLockScaling | kLockPointsDisplay;  // 15
    case kCmScaling: return kLockGraphType | kLockMesh | kLockPointsDisplay;                     // 11
    case kCmAnimate: return kLockEverything;
    case kCmGraphType:
    case kCmColors: return kLockMesh | kLockScaling | kLockPointsDisplay;  // 14
    case kCmPointsOptions: return kLockMesh | kLockScaling;               // 6
    case kCmSection: return kLockGraphType | kLockMesh;                   // 3
    default: return -1;  // the command does not lock
  }
}

int FontHeightFromPoints(int points, int dpi) {
  return -static_cast<int>(std::lround(static_cast<double>(points) * dpi / 72.0));
}

int FontPointsFromHeight(int height, int dpi) {
  return -static_cast<int>(std::lround(static_cast<double>(height) * 72.0 / dpi));
}

namespace {

// Sets the record's lock mask for the dialog's run and puts the caller's back afterwards.
class LockScope {
 public:
  LockScope(T3DGraphSetup& setup, int mask) : setup_(setup), saved_(setup.LockMask) {
    if (mask >= 0) setup.LockMask = mask;
  }
  ~LockScope() { setup_.LockMask = saved_; }
  LockScope(const LockScope&) = delete;
  LockScope& operator=(const LockScope&) = delete;

 private:
  T3DGraphSetup& setup_;
  int saved_;
};

// The records of the table the section works on (empty when the window has none). Whole
// records, not only their statuses: Apply prepares the data for fitting, which sorts the
// table, so a record may not stand where it stood.
std::vector<TXYZPoint> CopyRecords(const GraphOptionContext& context) {
  if (!context.mutablePoints) return {};
  const std::span<TXYZPoint> table = context.mutablePoints();
  return {table.begin(), table.end()};
}

bool SameRecord(const TXYZPoint& a, const TXYZPoint& b) {
  return a.X == b.X && a.Y == b.Y && a.Z == b.Z && a.W == b.W && a.Status == b.Status;
}

// Puts the records back as they were before the dialog; false when nothing had changed.
bool PutRecordsBack(const GraphOptionContext& context, const std::vector<TXYZPoint>& records) {
  if (!context.mutablePoints) return false;
  std::span<TXYZPoint> table = context.mutablePoints();
  if (table.size() == records.size() && std::equal(records.begin(), records.end(), table.begin(), SameRecord))
    return false;
  if (context.stopBackgroundFit) context.stopBackgroundFit();
  std::unique_lock<std::shared_mutex> lock;
  if (context.tableMutex != nullptr) lock = std::unique_lock(*context.tableMutex);
  table = context.mutablePoints();
  std::copy_n(records.begin(), std::min(records.size(), table.size()), table.begin());
  return true;
}

}  // namespace

GraphOptionResult RunGraphOptionCommand(T3DDlg& window, int command, GraphOptionDialogs& dialogs,
                                        const GraphOptionContext& context) {
  return RunGraphOptionCommand(window, window.Renderer(), [&window](int mode) { window.Redraw(mode); }, command,
                               dialogs, context);
}

GraphOptionResult RunGraphOptionCommand(QWidget& window, T3DBase& renderer, const std::function<void(int)>& redrawWindow,
                                        int command, GraphOptionDialogs& dialogs, const GraphOptionContext& context) {
  GraphOptionResult result;
  T3DGraphSetup* setupPtr = renderer.Setup();
  if (setupPtr == nullptr) return result;
  T3DGraphSetup& setup = *setupPtr;
  const int lock = OptionCommandLock(command);
  auto redraw = [&](int mode) {
    result.redraw = mode;
    redrawWindow(mode);
  };
  auto run = [&](int dialog) {
    LockScope scope(setup, lock);
    result.dialogResult = dialogs.Run(dialog, &window, setup, context);
    return result.dialogResult;
  };

  const int meshX = renderer.View().MeshX;
  const int meshY = renderer.View().MeshY;
  renderer.StoreOptions();
  const TSetupSnapshot before(setup);
  result.handled = true;

  switch (command) {
    case kCmGraphType:
    case kCmViewOptions:
    case kCmScaling:
    case kCmPointsOptions: {
      const int dialog = command == kCmGraphType     ? kDlgGraphType
                         : command == kCmViewOptions ? kDlgView
                         : command == kCmScaling     ? kDlgScaling
                                                     : kDlgPoints;
      const T3DViewRec view = setup.View != nullptr ? *setup.View : T3DViewRec{};
      const T3DPointsRec points = setup.PointsOpt != nullptr ? *setup.PointsOpt : T3DPointsRec{};
      if (run(dialog) != kDialogOk) {
        before.Restore(setup);
        redraw(0);
        return result;
      }
      const T3DViewRec viewNow = setup.View != nullptr ? *setup.View : T3DViewRec{};
      const T3DPointsRec pointsNow = setup.PointsOpt != nullptr ? *setup.PointsOpt : T3DPointsRec{};
      bool changed = false;
      if (command == kCmGraphType) changed = viewNow.GraphType != view.GraphType;
      if (command == kCmViewOptions) changed = EncodeViewRec(viewNow) != EncodeViewRec(view);
      if (command == kCmScaling) changed = EncodeScalingBlock(setup.Scaling) != EncodeScalingBlock(before.Scaling());
      if (command == kCmPointsOptions) changed = EncodePointsRec(pointsNow) != EncodePointsRec(points);
      if (!changed) {
        redraw(0);
        return result;
      }
      result.changed = true;
      renderer.LoadOptions();
      if (command == kCmViewOptions) {
        result.viewChanged = true;
        if (renderer.View().MeshX != meshX || renderer.View().MeshY != meshY) {
          renderer.Recompute();
          result.recomputedGrid = true;
        }
      } else if (command == kCmScaling) {
        renderer.RecomputeScales();
        result.recomputedScales = true;
      } else if (command == kCmPointsOptions) {
        // Points shown "visible only" leave the view's picture when they change mode.
        result.viewChanged = (points.Display & 0xFF) == 2 && (pointsNow.Display & 0xFF) != 2;
      }
      redraw(2);
      return result;
    }
    case kCmAnimate: {
      if (run(kDlgAnimate) != kDialogOk) {
        before.Restore(setup);
        return result;
      }
      renderer.StoreOptions();
      run(kDlgAnimationPlayer);
      result.redraw = -1;
      return result;
    }
    case kCmTitles:
    case kCmGraphFont: {
      bool ok = false;
      if (command == kCmTitles) {
        ok = run(kDlgTitles) == kDialogOk;
      } else if (setup.Font != nullptr) {
        const int dpi = GetGraphDisplayFacts().screenDpiY;
        platform::Font request = *setup.Font;
        request.height = FontHeightFromPoints(request.height, dpi);
        ok = context.chooseFont ? context.chooseFont(&window, request) : ChooseGraphFont(&window, request);
        if (ok) {
          request.height = FontPointsFromHeight(request.height, dpi);
          *setup.Font = request;
        }
        result.dialogResult = ok ? kDialogOk : kDialogCancel;
      }
      if (!ok) {
        before.Restore(setup);
        redraw(0);
        return result;
      }
      result.changed = true;
      renderer.LoadOptions();
      renderer.PrepareTitles();
      renderer.DeleteFonts();
      renderer.CreateScreenFonts();
      redraw(2);
      return result;
    }
    case kCmColors: {
      renderer.EnableDrawing(false);
      const int scheme = renderer.SchemeNumber();
      int answer = run(kDlgColorScheme);
      if (answer == kDialogOk || answer == kCustomizeColors) {
        renderer.LoadOptions();
        renderer.SetColorScheme();
        if (answer == kCustomizeColors) {
          answer = run(kDlgCustomColors);
          if (answer != kDialogOk) before.Restore(setup);
          renderer.LoadOptions();
          renderer.SetColorScheme();
        }
      } else {
        before.Restore(setup);
      }
      renderer.EnableDrawing(true);
      result.changed = !before.Matches(setup);
      const int now = renderer.SchemeNumber();
      redraw(now == scheme && now != kUserScheme ? 0 : 2);
      return result;
    }
    case kCmSection: {
      const std::vector<TXYZPoint> records = CopyRecords(context);
      const std::function<void()> putPreparedDataBack =
          context.sectionPreparesData && context.keepPreparedData ? context.keepPreparedData() : nullptr;
      if (run(kDlgSection) == kDialogOk) {
        result.changed = true;
        result.dataChanged = true;
        renderer.LoadOptions();
        renderer.RecomputeScales();
        result.recomputedScales = true;
        redraw(2);
      } else {
        // An Apply before the Cancel also prepared the data for fitting: the statistics
        // go back with the records, or the next fit and every range would keep the section.
        if (PutRecordsBack(context, records) && putPreparedDataBack) putPreparedDataBack();
        before.Restore(setup);
        redraw(0);
      }
      return result;
    }
    case kCmEvaluate:
      run(kDlgEvaluate);
      redraw(0);
      return result;
    default:
      result.handled = false;
      return result;
  }
}
