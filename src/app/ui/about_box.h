// The about box, which also serves as the start-up splash.
#pragma once

#include <QString>

#include "app/ui/dialog.h"

class QLabel;

class TAbout : public TDlg {
  Q_OBJECT
 public:
  explicit TAbout(QWidget* parent);
  // The colour line of the about box: "%dM Colors", "%dK Colors" or "%d Colors".
  static QString ColorsText(long long colors);
  QString Line(int id) const;

 private:
  QLabel* lines_[4];
};

// 1 shows the splash, -1 removes it, 0 runs the about box modally.
void ShowAbout(int mode);
TAbout* SplashWindow();
