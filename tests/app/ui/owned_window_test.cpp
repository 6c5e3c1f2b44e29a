#include "app/ui/owned_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

#include <memory>
#include <string>
#include <vector>

namespace {

// An owner with a button in it, a window it owns, and a count of the raisings the keeper
// asks for.
struct Owned {
  std::unique_ptr<QDialog> owner = std::make_unique<QDialog>();
  QPushButton* button = nullptr;
  QDialog* owned = nullptr;
  int raised = 0;

  Owned() {
    auto* layout = new QVBoxLayout(owner.get());
    button = new QPushButton("dX", owner.get());
    layout->addWidget(button);
    owner->show();
    owned = new QDialog(owner.get());
    new TOwnedWindowKeeper(owned, [this] { ++raised; });
    owned->show();
    // The windows' own activations, which the platform delivers later, are over.
    (void)QTest::qWaitForWindowActive(owned);
    QApplication::processEvents();
    raised = 0;
  }
};

void Press(QWidget* widget) {
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

void Activate(QWidget* widget) {
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(widget, &activate);
}

// A window manager may put the owner over the window it owns when the owner is clicked or
// activated (a modal graph window over its Quick Eval): the owned window is raised again
// after each, once per turn of the event loop, and only while it is shown.
TEST(OwnedWindow, ComesBackAboveItsOwnerAfterTheOwnerIsClickedOrActivated) {
  Owned w;
  Activate(w.owner.get());
  EXPECT_EQ(w.raised, 0) << "raised after the event has been handled, not within it";
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 1);

  Press(w.button);
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 2) << "a click on a control of the owner";

  // A press the button leaves to its owner reaches the owner too: one raising for both.
  Press(w.button);
  Press(w.owner.get());
  Activate(w.owner.get());
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 3);

  w.owned->hide();
  Press(w.button);
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 3) << "a hidden window stays hidden";
}

TEST(OwnedWindow, ClicksElsewhereLeaveTheStackingToTheWindowManager) {
  Owned w;
  Press(w.owned);
  Activate(w.owned);
  QDialog other;
  auto* b = new QPushButton("Other", &other);
  other.show();
  Press(b);
  Activate(&other);
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 0);
}

// Closed with a raising still queued (the owner's Quick Eval button closes it in the same
// click), the owned window is gone and nothing is raised; an owner closed first leaves the
// keeper idle.
TEST(OwnedWindow, AWindowGoneBeforeItsRaisingIsLeftAlone) {
  {
    Owned w;
    Press(w.button);
    delete w.owned;
    QApplication::processEvents();
    EXPECT_EQ(w.raised, 0);
    Press(w.button);
    QApplication::processEvents();
    EXPECT_EQ(w.raised, 0);
  }
  {
    auto owner = std::make_unique<QDialog>();
    owner->show();
    auto* owned = new QDialog(owner.get());
    int raised = 0;
    new TOwnedWindowKeeper(owned, [&raised] { ++raised; });
    owned->show();
    owner.reset();  // takes the owned window with it
    QDialog other;
    other.show();
    Activate(&other);
    QApplication::processEvents();
    EXPECT_EQ(raised, 0);
  }
}

// The review's Quick Eval opened under the summaries wherever they overlapped it (the window
// manager adds a new window just above its owner), and a click on the review left it there:
// the kept windows are raised in the order the user opened or used them, a window just shown
// over the others once it is on the screen, the one in front last.
TEST(OwnedWindow, WhatTheUserOpenedLastStandsInFront) {
  QDialog owner;
  auto* button = new QPushButton("Quick Eval", &owner);
  (new QVBoxLayout(&owner))->addWidget(button);
  owner.setWindowModality(Qt::ApplicationModal);
  owner.show();
  std::vector<std::string> raised;
  auto open = [&](const char* name, QWidget* parent) {
    auto* w = new QDialog(parent);
    w->setObjectName(name);
    new TOwnedWindowKeeper(w, [&raised, name] { raised.emplace_back(name); });
    w->show();
    (void)QTest::qWaitForWindowExposed(w);
    QApplication::processEvents();
    return w;
  };
  QDialog* numeric = open("numeric", &owner);
  QDialog* residuals = open("residuals", &owner);
  EXPECT_EQ(raised, (std::vector<std::string>{"numeric", "numeric", "residuals"}))
      << "each raised over the others once on the screen";
  raised.clear();
  Press(button);
  QApplication::processEvents();
  EXPECT_EQ(raised, (std::vector<std::string>{"numeric", "residuals"})) << "opened last, raised last";

  raised.clear();
  Activate(numeric);  // the user clicked it, or its title: the window manager raised it
  Press(button);
  QApplication::processEvents();
  EXPECT_EQ(raised, (std::vector<std::string>{"residuals", "numeric"}));

  raised.clear();
  QDialog* quickEval = open("quick eval", &owner);
  EXPECT_EQ(raised, (std::vector<std::string>{"residuals", "numeric", "quick eval"})) << "a new window in front";
  raised.clear();
  Press(button);
  QApplication::processEvents();
  EXPECT_EQ(raised, (std::vector<std::string>{"residuals", "numeric", "quick eval"})) << "and kept in front";
  EXPECT_EQ(KeptWindowsInOrder(&owner), (std::vector<QWidget*>{residuals, numeric, quickEval}));

  // A window opened from a kept one (a pane's text editor) stands with the owner's windows.
  raised.clear();
  QDialog* editor = open("editor", numeric);
  EXPECT_EQ(KeptWindowsInOrder(&owner), (std::vector<QWidget*>{residuals, numeric, quickEval, editor}));
  EXPECT_TRUE(KeptWindowsInOrder(numeric).empty());
  quickEval->hide();
  raised.clear();
  Press(button);
  QApplication::processEvents();
  EXPECT_EQ(raised, (std::vector<std::string>{"residuals", "numeric", "editor"})) << "hidden windows stay hidden";
  delete quickEval;
  delete editor;
  raised.clear();
  Press(button);
  QApplication::processEvents();
  EXPECT_EQ(raised, (std::vector<std::string>{"residuals", "numeric"})) << "closed windows are forgotten";
}

// A click in the owner that opens a dialog over it (a click on the graph opens its view
// dialog) leaves that dialog on top: it is kept above the windows of the program's layer
// while it is shown, so that the owned window, raised again, stands between the owner and
// the dialog (a window manager that raises a modal chain as one puts the owner and the
// dialog over every modeless window of it, and the owned window sank behind both).
TEST(OwnedWindow, ADialogTheClickOpenedStaysOnTop) {
  Owned w;
  Press(w.button);
  QDialog opened(w.owner.get());
  opened.setWindowModality(Qt::ApplicationModal);
  opened.show();
  QApplication::processEvents();
  EXPECT_TRUE(KeptAboveOwnedWindows(&opened));
  EXPECT_TRUE(opened.windowFlags() & Qt::WindowStaysOnTopHint);
  ASSERT_NE(opened.windowHandle(), nullptr);
  EXPECT_TRUE(opened.windowHandle()->flags() & Qt::WindowStaysOnTopHint) << "the window system is told";
  EXPECT_EQ(w.raised, 1) << "the owned window comes back under the dialog";
  Activate(&opened);
  Press(&opened);
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 2) << "a click in the dialog, which the window manager answers as one in its owner";
  opened.hide();
  EXPECT_FALSE(KeptAboveOwnedWindows(&opened));
  EXPECT_FALSE(opened.windowFlags() & Qt::WindowStaysOnTopHint) << "kept above while shown only";
  EXPECT_FALSE(opened.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
  Press(w.button);
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 3) << "raised again once the dialog is closed";
}

// Which dialogs are kept above: every modal window opened over the owner or over a window it
// keeps (a pane's font dialog), through other dialogs too (the file dialog of the View
// dialog's Read), and only while the owned window is in sight. Modeless windows and windows
// owned elsewhere are the window manager's, and one that stays on top by itself keeps its
// state.
TEST(OwnedWindow, DialogsOverTheOwnerAreKeptAboveItsOwnedWindows) {
  Owned w;
  auto modalOver = [](QWidget* parent) {
    auto* d = new QDialog(parent);
    d->setWindowModality(Qt::ApplicationModal);
    d->show();
    return d;
  };
  QDialog* view = modalOver(w.owner.get());
  QDialog* read = modalOver(view);
  EXPECT_TRUE(KeptAboveOwnedWindows(view));
  EXPECT_TRUE(KeptAboveOwnedWindows(read)) << "a dialog over a dialog over the owner";
  w.raised = 0;
  Activate(read);
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 1) << "the nested dialog's activation raises the owned window under it";
  delete read;
  delete view;

  // While a pane's own dialog was up, a click on the review sank the other panes behind it
  // until the dialog closed: the dialog is kept above them all, and they come back under it.
  QDialog* ownFont = modalOver(w.owned);
  EXPECT_TRUE(KeptAboveOwnedWindows(ownFont)) << "the owned window's own dialog";
  w.raised = 0;
  Activate(ownFont);
  Press(ownFont);
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 1) << "a click in the owned window's dialog raises the owned windows under it";
  QExposeEvent uncovered{QRegion(0, 0, 10, 10)};
  QApplication::sendEvent(w.owner->windowHandle(), &uncovered);
  QApplication::processEvents();
  EXPECT_EQ(w.raised, 2) << "the owner raised by the window manager while the dialog is up";
  delete ownFont;

  auto* modeless = new QDialog(w.owner.get());
  modeless->show();
  EXPECT_FALSE(KeptAboveOwnedWindows(modeless));
  delete modeless;

  auto* onTop = new QDialog(w.owner.get(), Qt::Dialog | Qt::WindowStaysOnTopHint);
  onTop->setWindowModality(Qt::ApplicationModal);
  onTop->show();
  onTop->hide();
  EXPECT_TRUE(onTop->windowFlags() & Qt::WindowStaysOnTopHint) << "its own choice survives its hiding";
  delete onTop;

  w.owned->hide();
  QDialog* alone = modalOver(w.owner.get());
  EXPECT_FALSE(KeptAboveOwnedWindows(alone)) << "nothing owned in sight: nothing to stand above";
  delete alone;

  QDialog elsewhere;
  elsewhere.show();
  QDialog* overElsewhere = modalOver(&elsewhere);
  EXPECT_FALSE(KeptAboveOwnedWindows(overElsewhere));
  delete overElsewhere;
}

// Every modeless window shown beside a modal one is kept above it, once; modal windows, windows
// beside a modeless owner and windows of their own are left to the window manager.
TEST(OwnedWindow, ModelessWindowsBesideAModalOneAreKeptAboveIt) {
  auto keepers = [](const QWidget* w) {
    return w->findChildren<TOwnedWindowKeeper*>(QString(), Qt::FindDirectChildrenOnly).size();
  };
  KeepModelessWindowsAboveModalOwners();
  KeepModelessWindowsAboveModalOwners();  // a second call changes nothing
  QDialog modalOwner;
  modalOwner.setWindowModality(Qt::ApplicationModal);
  modalOwner.show();
  auto* beside = new QDialog(&modalOwner);
  beside->show();
  beside->hide();
  beside->show();
  EXPECT_EQ(keepers(beside), 1) << "one keeper, however often it is shown";
  auto* besideAControl = new QWidget(new QPushButton("Graph", &modalOwner), Qt::Window);
  besideAControl->show();
  EXPECT_EQ(keepers(besideAControl), 1) << "owned through a control of the modal window";
  auto* alreadyKept = new QDialog(&modalOwner);
  new TOwnedWindowKeeper(alreadyKept);
  alreadyKept->show();
  EXPECT_EQ(keepers(alreadyKept), 1);
  auto* modal = new QDialog(&modalOwner);
  modal->setWindowModality(Qt::WindowModal);
  modal->show();
  EXPECT_EQ(keepers(modal), 0);
  modal->hide();
  modalOwner.hide();

  QDialog modelessOwner;
  modelessOwner.show();
  auto* free = new QDialog(&modelessOwner);
  free->show();
  EXPECT_EQ(keepers(free), 0);
  QDialog alone;
  alone.show();
  EXPECT_EQ(keepers(&alone), 0);

  StopKeepingModelessWindowsAboveModalOwners();
  modalOwner.show();
  auto* later = new QDialog(&modalOwner);
  later->show();
  EXPECT_EQ(keepers(later), 0) << "no longer watched";
}

// A window the user minimised is shown again, with the rest of its state; a window in sight or
// closed is left as it is.
TEST(OwnedWindow, AMinimisedWindowIsShownAgain) {
  QDialog owner;
  owner.show();
  auto* owned = new QDialog(&owner);
  owned->show();
  EXPECT_FALSE(ShowAgainIfMinimized(owned)) << "in sight: the owner's button may close it";
  owned->setWindowState(Qt::WindowMinimized | Qt::WindowMaximized);
  owned->show();
  ASSERT_TRUE(owned->isMinimized());
  EXPECT_TRUE(ShowAgainIfMinimized(owned));
  EXPECT_FALSE(owned->isMinimized());
  EXPECT_TRUE(owned->isVisible());
  EXPECT_TRUE(owned->windowState() & Qt::WindowMaximized) << "restored as it was before";
  owned->hide();
  EXPECT_FALSE(ShowAgainIfMinimized(owned));
  EXPECT_FALSE(owned->isVisible()) << "a closed window stays closed";
  EXPECT_FALSE(ShowAgainIfMinimized(nullptr));
}

// A window without an owner has nothing to keep above.
TEST(OwnedWindow, AWindowWithoutAnOwnerIsNeverRaised) {
  QDialog alone;
  int raised = 0;
  new TOwnedWindowKeeper(&alone, [&raised] { ++raised; });
  alone.show();
  Activate(&alone);
  Press(&alone);
  QApplication::processEvents();
  EXPECT_EQ(raised, 0);
}

}  // namespace
