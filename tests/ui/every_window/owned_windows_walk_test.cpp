// Every window that opens over another stays above it: the window manager is told its owner
// (the transient parent), as the program's dialogs are. A text window, a graph or a list
// without one sank under the main window at the first click there, and a file viewer that
// holds the main window's commands left the user a main window whose commands were all off
// with nothing to say why. A modeless window beside a modal one keeps itself above it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWindow>

#include <cstdio>
#include <map>
#include <string>

#include "app/ui/dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/owned_window.h"
#include "every_window_support.h"

namespace {

using namespace every_window;

TEST(EveryWindowOwned, EveryWindowOpenedOverAnotherNamesItsOwner) {
  TProgramUnderWalk program("ondravik_owned_windows");
  std::map<std::string, int> unowned, owned, unkept, kept;
  Walker walker(Clock::now() + std::chrono::minutes(4));
  walker.SetOpenedHook([&](const QPointer<QWidget>& w) {
    if (!w || !w->isWindow() || w == &program.Window()) return;
    const std::string name = std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() + "\"";
    // Told to the window manager: a transient parent, and a window type whose owner X11 window
    // managers are told (a plain window's is not).
    const QWindow* handle = w->windowHandle();
    const Qt::WindowType type = w->windowType();
    const bool told = type == Qt::Dialog || type == Qt::Sheet || type == Qt::Tool || type == Qt::Popup;
    (handle && handle->transientParent() && told ? owned : unowned)[name]++;
    // A modeless window beside a modal one (Quick Eval beside a viewer, the review's list and
    // panes): a window manager may put the modal owner over it at the first click there, so
    // the window keeps itself above its owner.
    const QWidget* parent = w->parentWidget();
    const QWidget* owner = parent != nullptr ? parent->window() : nullptr;
    if (owner != nullptr && !RunsModally(w) && RunsModally(owner))
      (w->findChild<TOwnedWindowKeeper*>(QString(), Qt::FindDirectChildrenOnly) ? kept : unkept)[name]++;
  });
  program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); }, [](const CommandInfo&) {});
  EXPECT_FALSE(walker.TimedOut());
  for (const auto& [name, count] : unowned) ADD_FAILURE() << name << " opened " << count << " times without its owner";
  for (const auto& [name, count] : unkept) ADD_FAILURE() << name << " opened " << count << " times beside a modal window, not kept above it";
  EXPECT_GT(owned.size(), 40u);
  for (const auto& [name, count] : kept) std::fprintf(stderr, "kept above: %s (%d)\n", name.c_str(), count);
  for (const auto& [name, count] : owned) std::fprintf(stderr, "owned: %s (%d)\n", name.c_str(), count);
}

}  // namespace
