// The review window's "&QuickEval" button (382): Quick Eval on the reviewed surface as the
// window shows it (the current fit, in the current derivative mode), refreshed whenever
// the fit or the mode changes, opened and closed by the button.
#pragma once

void RegisterReviewQuickEval();
