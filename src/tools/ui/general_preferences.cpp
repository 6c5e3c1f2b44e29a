#include "tools/ui/general_preferences.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "app/shell_state.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "platform/file_dialog.h"
#include "platform/qt/qt_services.h"

TGenPref::TGenPref(QWidget* parent, ProgramSettings& settings, bool nativeOffered)
    : TDlg(parent), settings_(settings) {
  setObjectName("TGenPref");
  setWindowTitle(tr("General Preferences"));
  native_ = new QCheckBox(tr("&Explorer-Type File Selection"), this);
  native_->setObjectName(QString::number(kNativeDialogs));
  bitmaps_ = new QCheckBox(tr("Use &Bitmaps when Rendering Graphs"), this);
  bitmaps_->setObjectName(QString::number(kBitmaps));
  native_->setChecked(settings_.ExplorerDialogs != 0);
  bitmaps_->setChecked(settings_.useBitmaps != 0);
  // Without dialogs of the desktop's own the choice means nothing here; the stored setting
  // is kept as it stands (and Reset still sets it) for a desktop that has them.
  native_->setEnabled(nativeOffered);

  auto* boxes = new QVBoxLayout;
  boxes->addWidget(native_);
  boxes->addWidget(bitmaps_);
  auto* top = new QVBoxLayout(this);
  top->addLayout(boxes);
  top->addSpacing(8);
  top->addLayout(OkCancelResetHelpRow(this, kHelpContext, [this] { Reset(); }));
  top->setSizeConstraint(QLayout::SetFixedSize);
}

QCheckBox* TGenPref::Box(int id) const { return findChild<QCheckBox*>(QString::number(id)); }

void TGenPref::Reset() {
  native_->setChecked(true);
  bitmaps_->setChecked(true);
}

void TGenPref::accept() {
  settings_.ExplorerDialogs = native_->isChecked() ? 1 : 0;
  settings_.useBitmaps = bitmaps_->isChecked() ? 1 : 0;
  ApplyGeneralPreferences(settings_);
  TDlg::accept();
}

void ApplyGeneralPreferences(const ProgramSettings& settings) {
  platform::SetNativeFileDialogs(settings.ExplorerDialogs != 0);
}

void RegisterGeneralPreferences() {
  RegisterCommand(CmGeneralPreferences, [] {
    CloseDataStatus();
    (void)(new TGenPref(MainWindow, CurrentSettings(), platform::qt::NativeFileDialogsOffered()))->Execute();
    ShowDataStatus();
  });
  AddStartupStep("general preferences", [] { ApplyGeneralPreferences(CurrentSettings()); });
  AddResetStep("general preferences", [] { ApplyGeneralPreferences(CurrentSettings()); });
}
