// What the widget tests include, parsed once per build: the headless tests' set and the Qt
// Widgets headers most tests drive.
#pragma once

#include "support/precompiled_tests.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
