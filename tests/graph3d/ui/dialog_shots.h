// Shows a dialog without its modal loop and, when ONDRAVIK_SHOTS names a folder, saves a
// picture of it there (for looking at the dialogs under Xvfb).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <cstdlib>

inline void ShowDialog(QWidget* d, const char* name) {
  d->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
  QApplication::processEvents();
  if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) d->grab().save(QString(dir) + "/" + name + ".png");
}
