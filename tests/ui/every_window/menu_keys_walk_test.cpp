// Every menu of every window gives each of its items a mnemonic of its own, and every key a
// menu shows runs that item wherever the focus stands in its window. The main window's Edit
// menu gave O to "Ondravik 3D Editor" and "Copy", so that Alt+E, O moved between the two
// instead of copying; the ASCII editor's edit took Ctrl+C for a copy of plain text while the
// menu's Copy, which shows Ctrl+C, also puts the worksheet on the clipboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "every_window_support.h"

namespace {

using namespace every_window;

// The mnemonic of a menu text ("C&opy" gives 'o', "&&" is an ampersand), or 0.
char Mnemonic(const QString& text) {
  const std::string s = text.toStdString();
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i] != '&') continue;
    if (s[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + 1])));
  }
  return 0;
}

std::string Named(const QWidget* w) {
  return std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() + "\"";
}

class TMenuKeys {
 public:
  // The menus of `w` (its menu bars, their menus and submenus), and the keys they show,
  // pressed in each control of `w` that takes the focus. `shown` adds keys another window's
  // menus show that work in `w` too (the main window's, lent to the status window).
  void Check(QWidget* w, const std::vector<QAction*>& shown = {}) {
    if (w == nullptr || !checked_.insert(Named(w)).second) return;
    ++windows_;
    std::vector<QAction*> keyed = shown;
    for (QMenuBar* bar : w->findChildren<QMenuBar*>()) {
      Unique(Named(w) + " menu bar", bar->actions());
      for (QAction* a : bar->actions())
        if (a->menu()) CheckMenu(Named(w), a->menu(), keyed);
    }
    for (QAction* a : keyed) {
      const QKeySequence key = a->shortcut();
      if (key.isEmpty() || !a->isEnabled()) continue;
      for (QWidget* control : w->findChildren<QWidget*>()) {
        if (!control->isVisible() || !control->isEnabled() || (control->focusPolicy() & Qt::TabFocus) == 0) continue;
        ++presses_;
        QKeyEvent press(QEvent::ShortcutOverride, key[0].key(), key[0].keyboardModifiers());
        QApplication::sendEvent(control, &press);
        if (press.isAccepted())
          ADD_FAILURE() << Named(w) << ": " << control->metaObject()->className() << " takes "
                        << key.toString().toStdString() << ", which the menu shows for \""
                        << a->text().toStdString() << "\"";
      }
    }
  }
  int Menus() const { return menus_; }
  int Windows() const { return windows_; }
  int Presses() const { return presses_; }
  int Keys() const { return static_cast<int>(keys_.size()); }

 private:
  void CheckMenu(const std::string& where, QMenu* menu, std::vector<QAction*>& keyed) {
    ++menus_;
    const std::string name = where + " menu \"" + menu->title().toStdString() + "\"";
    Unique(name, menu->actions());
    for (QAction* a : menu->actions()) {
      if (a->menu()) CheckMenu(where, a->menu(), keyed);
      if (!a->shortcut().isEmpty()) {
        keyed.push_back(a);
        keys_.insert(where + a->shortcut().toString().toStdString());
      }
    }
  }
  static void Unique(const std::string& name, const QList<QAction*>& actions) {
    std::map<char, std::string> seen;
    for (const QAction* a : actions) {
      if (a->isSeparator() || !a->isVisible()) continue;
      const char m = Mnemonic(a->text());
      if (m == 0) continue;
      const auto [it, fresh] = seen.emplace(m, a->text().toStdString());
      if (!fresh)
        ADD_FAILURE() << name << " gives '" << m << "' to \"" << it->second << "\" and \"" << a->text().toStdString()
                      << "\"";
    }
  }

  std::set<std::string> checked_;
  std::set<std::string> keys_;
  int menus_ = 0, windows_ = 0, presses_ = 0;
};

TEST(EveryWindowMenuKeys, EachMenuItemHasItsOwnMnemonicAndEveryShownKeyRunsItsItem) {
  TProgramUnderWalk program("ondravik_menu_keys");
  TMenuKeys keys;
  keys.Check(&program.Window());
  // The status window runs the main window's keys.
  std::vector<QAction*> mainKeys;
  for (QAction* a : program.Window().findChildren<QAction*>())
    if (!a->shortcut().isEmpty()) mainKeys.push_back(a);
  ShowDataStatus();
  ASSERT_NE(DataStatusWin(), nullptr);
  keys.Check(DataStatusWin(), mainKeys);
  Walker walker(Clock::now() + std::chrono::minutes(4));
  walker.SetOpenedHook([&](const QPointer<QWidget>& w) {
    if (w && w->isWindow()) keys.Check(w.data());
  });
  program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); }, [](const CommandInfo&) {});
  EXPECT_FALSE(walker.TimedOut());
  EXPECT_GE(keys.Windows(), 40);
  EXPECT_GE(keys.Menus(), 40);
  std::fprintf(stderr, "%d windows, %d menus, %d keys shown, %d presses\n", keys.Windows(), keys.Menus(), keys.Keys(),
               keys.Presses());
}

}  // namespace
