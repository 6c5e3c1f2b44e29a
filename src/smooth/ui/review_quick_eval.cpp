#include "smooth/ui/review_quick_eval.h"

#include <QPointer>

#include "app/long_double.h"
#include "app/settings_file.h"
#include "fit/session.h"
#include "review/review_surface.h"
#include "review/ui/review_window.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "smooth/ui/smoothing_window.h"

namespace {

// The review keeps the fourth of the Quick Eval places.
constexpr int kReviewPlace = kPlaceQuickEval + 3;

}  // namespace

void RegisterReviewQuickEval() {
  TReviewExtensions& ext = ReviewExtensions();
  ext.commands[kReviewQuickEval] = [](TRView& view) {
    if (auto* open = view.findChild<TQEval*>()) {
      const bool shown = open->isVisible();
      open->close();
      delete open;
      if (shown) return;
    }
    TQuickEvalSource source;
    // The surface is read through the window's record at each call: it follows the fit
    // and the mode the window shows.
    source.value = [&view](long double x, long double y) {
      const T3DGraphSetup* setup = view.Renderer().Setup();
      return setup != nullptr && setup->SurfaceFn ? setup->SurfaceFn(x, y) : ExprErrorValue;
    };
    // The lowest and highest point of the fit over its data, searched as the numeric summary
    // finds them: from the data's own extreme point and from a grid over the data's ranges,
    // so that the two agree. The drawn grid spans the graph's rounded axes, beyond the data.
    source.minimumStart = [&view] { return SurfaceMinStart(view.Session().DataStats); };
    source.maximumStart = [&view] { return SurfaceMaxStart(view.Session().DataStats); };
    source.wholeBox = true;
    source.placement = &CurrentSettings().placements[kReviewPlace];
    const TQuickEvalWindow window = MakeQuickEval(&view, std::move(source));
    if (QDialog* d = window.dialog) QObject::connect(d, &QDialog::finished, d, &QObject::deleteLater);
  };
  ext.refreshSatellites = [previous = ext.refreshSatellites](TRView& view) {
    if (previous) previous(view);
    if (auto* open = view.findChild<TQEval*>()) open->Evaluate();
  };
}
