// Holding the background fit. A window that changes the data table's statuses for a while,
// and may put them back (a section tried and cancelled, points toggled in a smoothing
// window whose statuses go back when it closes, toggles undone by hand), holds the
// background fit instead of stopping it: a running fit is stopped and joined, but the fit
// results stay, because they still describe the table once it is back as it was. When the
// window is done the hold is settled against the table: a table that came back keeps its
// results, and a fit that the hold cut short before it published starts again; a table
// that stays changed has its fit results voided.
//
// The fit subsystem installs the holder; without one there is nothing to hold or resume.
// User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>

struct TDataSession;

// `hold` stops and joins a running background fit keeping the results published so far;
// `resume` starts again a fit that a hold cut short, and does nothing when none was.
void SetBackgroundFitHolder(std::function<void()> hold, std::function<void()> resume);
void HoldBackgroundFit();
void ResumeBackgroundFit();

// The window that held the fit is done. `reference`: the DataSignature the fit results
// describe. The same signature now: the results stay and a cut-short fit starts again
// (false); another: the table is pre-scanned (PrescanData: results voided, statistics
// computed again, the background fit started on the table as it is; true, it changed).
[[nodiscard]] bool SettleBackgroundFitHold(TDataSession& data, std::uint64_t reference);
