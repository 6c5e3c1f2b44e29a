// A window that stays open beside its owner while the owner is still used (a summary pane
// beside the review, the status window beside the main window, the grid editor's graph)
// must leave free what the user reaches in the owner: its buttons, fields, menu bar and tool
// bars. The program's own first choice of place (beside the owner, at a fixed offset) did
// not on a small screen: at 1024 x 768 the review's summaries covered every button of its
// column and were kept above it, and the status window hid half of the second tool bar.
//
// The window's frame is taken as WindowRoom allows for it: a title bar above the client
// area and a border round it.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

// The screen rectangles of what the user reaches in `owner`: its enabled buttons (tool bar
// buttons among them), check and radio buttons, fields, scroll bars and menu bar, in sight.
std::vector<QRect> ReachableControls(const QWidget* owner);

// Which size a window gives up first where its wanted size has no clear place: a graph keeps
// the larger area, a window of text or a table keeps its width (its columns) and gives up
// height, which it scrolls through.
enum class TClearFit { kLargestArea, kFullWidth };

// The client rectangle, within `room`, nearest to `wanted` whose frame (the client grown by
// `frame`) covers none of `keepFree`: as large as can be had, between `wanted`'s size and
// `least`, the larger area first (or the wider, then the taller) and then the nearer place.
// Where even `least` has no such place, `wanted` held within the room (PlaceWithinScreen's
// rectangle).
QRect ClearPlace(const QRect& room, const QRect& wanted, QSize least, const std::vector<QRect>& keepFree,
                 const QMargins& frame, TClearFit fit = TClearFit::kLargestArea);

// Gives `window` the client rectangle nearest `wanted` that leaves `owner`'s controls free
// (ClearPlace on the window's screen); `wanted` as PlaceWithinScreen gives it where the owner
// is not in sight.
void PlaceClearOf(QWidget* window, const QWidget* owner, const QRect& wanted,
                  TClearFit fit = TClearFit::kLargestArea);

// The same, and where a clear place leaves `alsoFree` free as well (the windows the user works
// in beside the owner: the review's equation list) at the window's full width (kFullWidth: a
// table keeps its columns) or at two thirds of its size at least (a graph), there; else as
// above.
void PlaceClearOf(QWidget* window, const QWidget* owner, const QRect& wanted, TClearFit fit,
                  const std::vector<QRect>& alsoFree);
