// "Review Preferences" (TPreference): the settings that shape the review. The digits of the
// numbers in graph labels and titles, three options of the text panes, whether graphs are
// drawn straight to the screen or through bitmaps, and the graph image cache: on or off,
// built on the background render thread or not, its figures on the status line, its size
// and the kind of image it keeps. Opened from the main window (command 2409) and from the
// review window's menu; OK writes the settings, Cancel writes nothing.
//
// Displays here are never of 256 colours, so the run-length coded kind cannot be chosen and
// a stored one shows (and is kept) as the LZW kind.
#pragma once

#include <array>

#include "app/settings_file.h"
#include "app/ui/dialog.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class TEditInt;

class TPreference : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 4051;
  static constexpr int kHelpContext = 29;
  // Controls of the dialog by id.
  enum ControlId : int {
    kDirect = 101,
    kViaBitmaps = 102,
    kCacheOn = 103,
    kBackground = 104,
    kCacheSize = 105,
    kStdBitmap = 106,
    kRleBitmap = 107,
    kLzwBitmap = 108,
    kCacheSizeLabel = 109,
    kCacheStats = 110,
    kLabelDigits = 876,
    kTitleDigits = 877,
    kRightFill = 879,
    kUpdateWhileScrolling = 880,
    kVolume = 881,
    kHelp = 9,
    kReset = 18,
  };
  // The largest cache in kilobytes: the six characters of the size field.
  static constexpr long kMaxCacheKb = 999999;

  TPreference(QWidget* parent, ProgramSettings& settings);

  // The control of an id (tests and the enabling rule).
  QWidget* Control(int id) const;
  // Every field to the program's default ("&Reset").
  void Reset();
  void accept() override;

 protected:
  void SetupWindow() override;

 private:
  // The cache's own controls follow "Enable Graph Cache".
  void EnableCacheControls();

  ProgramSettings& settings_;
  TEditInt* labelDigits_;
  TEditInt* titleDigits_;
  TEditInt* cacheSize_;
  QLabel* cacheSizeLabel_;
  QCheckBox* rightFill_;
  QCheckBox* updateWhileScrolling_;
  QCheckBox* volume_;
  QRadioButton* direct_;
  QRadioButton* viaBitmaps_;
  QCheckBox* cacheOn_;
  QCheckBox* background_;
  QCheckBox* cacheStats_;
  std::array<QRadioButton*, 3> kinds_{};  // 106, 107, 108: kinds 0, 2, 3
};

// What the preferences write that the program keeps elsewhere: the renderer's label digits.
void ApplyReviewPreferences(const ProgramSettings& settings);

// Command 2409 of the main window: the dialog with the data status window closed meanwhile;
// and the label digits at start-up and after "Reset All Defaults".
void RegisterReviewPreferences();
