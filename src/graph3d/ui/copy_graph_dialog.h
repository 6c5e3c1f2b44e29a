// The "Copy Graph" dialog: where a graph window's copy goes (clipboard formats or files) and
// whether it keeps colour, a bounding frame and superscripts and symbols in metafiles. It
// edits a private copy of the caller's settings and writes them back on OK only.
#pragma once

#include <QRect>

#include <array>

#include "app/ui/dialog.h"
#include "graph3d/graph_copy_settings.h"

class QAbstractButton;
class QCheckBox;
class QRadioButton;

// Centres a dialog on a rectangle of the screen (a graph's), kept on the screen.
void CenterWindowOnRect(QWidget* window, const QRect& globalRect);

class TCopyGraph : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kResourceId = 4025;
  static constexpr int kHelpContext = 20;
  // Controls of the destinations, in the order of their values 0, 1, 2, 4, 5, 6, 7.
  static constexpr std::array<int, 7> kDestinationControls{550, 549, 547, 551, 553, 554, 596};
  static constexpr int kUseColorBox = 537, kFrameBox = 536, kPreserveBox = 528;

  // `graphRect` is the calling window's graph in screen coordinates.
  TCopyGraph(QWidget* parent, TCopyGraphSettings* settings, const QRect& graphRect);

  const TCopyGraphSettings& Choice() const { return choice_; }

 protected:
  void SetupWindow() override;
  void accept() override;

 private:
  void Refresh();

  TCopyGraphSettings* settings_;
  TCopyGraphSettings choice_;
  QRect graphRect_;
  std::array<QRadioButton*, 7> destinations_{};
  QCheckBox* useColor_;
  QCheckBox* frame_;
  QCheckBox* preserve_;
};

// The copy command's dialog on the program's copy settings: true on OK, with the settings
// (stored for the next copy) in `chosen`.
[[nodiscard]] bool RunCopyGraphDialog(QWidget* owner, const QRect& graphRect, TCopyGraphSettings& chosen);
