// "General Preferences" (TGenPref, command 2123): two program-wide switches kept in the
// settings file. Whether the open and save dialogs are the desktop's own or the built-in
// ones, and whether graphs are drawn through an off-screen bitmap (the same setting the
// review preferences show as "Draw Graphs via Bitmaps"). OK writes both, Cancel nothing.
#pragma once

#include "app/settings_file.h"
#include "app/ui/dialog.h"

class QCheckBox;

class TGenPref : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 4073;
  static constexpr int kHelpContext = 112;
  enum ControlId : int {
    kNativeDialogs = 911,
    kBitmaps = 912,
    kReset = 18,
    kHelp = 9,
  };

  // `nativeOffered`: whether the desktop has file dialogs of its own; without them the
  // first box is greyed (and still kept).
  TGenPref(QWidget* parent, ProgramSettings& settings, bool nativeOffered);

  QCheckBox* Box(int id) const;
  // "&Reset": both boxes checked.
  void Reset();
  void accept() override;

 private:
  ProgramSettings& settings_;
  QCheckBox* native_;
  QCheckBox* bitmaps_;
};

// What the general preferences govern outside the settings: the kind of file dialog.
void ApplyGeneralPreferences(const ProgramSettings& settings);

// Command 2123 of the main window (the data status window closed meanwhile), and the file
// dialogs' kind at start-up and after "Reset All Defaults".
void RegisterGeneralPreferences();
