// The function-insertion dialogs (4004-4011): one button per entry of a function list; a
// click ends the dialog with that entry chosen.
#pragma once

#include <optional>
#include <string>

#include "app/ui/dialog.h"

class QPushButton;

class TFnIns : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kFirstEntry = 101;

  // list 0..7 (dialog 4004 + list); `chosen` receives the entry clicked (emptied at set-up).
  TFnIns(QWidget* parent, int list, std::string* chosen);
  // The button of entry i (from 0), or null.
  QPushButton* Entry(int i) const;

 protected:
  void SetupWindow() override;

 private:
  std::string* chosen_;
  int list_;
};

// Runs list `list` modally over `parent`: the entry chosen, or nothing.
std::optional<std::string> PickFunction(QWidget* parent, int list);
