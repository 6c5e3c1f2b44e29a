#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

#include "app/settings_file.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/modal_answers.h"
#include "platform/file_dialog.h"
#include "tools/ui/general_preferences.h"

namespace {

class GeneralPreferencesUi : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = DefaultSettings(1280, 1024);
    platform::SetNativeFileDialogs(true);
  }
  void TearDown() override { platform::SetNativeFileDialogs(true); }

  TGenPref* Open(bool nativeOffered) {
    auto* d = new TGenPref(nullptr, settings_, nativeOffered);
    d->show();
    return d;
  }
  // The next open dialog's request, as the file dialog service receives it.
  static platform::FileDialogRequest NextRequest() {
    platform::ScriptedFiles files;
    std::string path;
    (void)FileOpenDlg(nullptr, "Open", path, nullptr, "txt", "Text|*.txt|", 1);
    return files.Requests().at(0);
  }

  ProgramSettings settings_;
};

TEST_F(GeneralPreferencesUi, BoxesShowTheSettingsAndOkWritesThemAndTheDialogKind) {
  settings_.ExplorerDialogs = 1;
  settings_.useBitmaps = 0;
  TGenPref* d = Open(true);
  EXPECT_EQ(d->windowTitle(), "General Preferences");
  EXPECT_EQ(d->Box(911)->text(), "&Explorer-Type File Selection");
  EXPECT_EQ(d->Box(912)->text(), "Use &Bitmaps when Rendering Graphs");
  EXPECT_TRUE(d->Box(911)->isEnabled());
  EXPECT_TRUE(d->Box(911)->isChecked());
  EXPECT_FALSE(d->Box(912)->isChecked());
  d->Box(911)->click();
  d->Box(912)->click();
  d->findChild<QPushButton*>("1")->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  delete d;
  EXPECT_EQ(settings_.ExplorerDialogs, 0);
  EXPECT_EQ(settings_.useBitmaps, 1);
  // The next file dialog is the built-in one; the settings file keeps the choice.
  EXPECT_FALSE(NextRequest().native);
  ProgramSettings read;
  ASSERT_TRUE(DecodeSettings(EncodeSettings(settings_, 1280, 1024), 1280, 1024, read));
  EXPECT_EQ(read.ExplorerDialogs, 0);
  EXPECT_EQ(read.useBitmaps, 1);
  ApplyGeneralPreferences(DefaultSettings(1280, 1024));
  EXPECT_TRUE(NextRequest().native);
}

// Without dialogs of the desktop's own the first box is greyed; Reset still checks it and
// OK stores 1, for a desktop that has them.
TEST_F(GeneralPreferencesUi, WithoutDesktopDialogsTheBoxIsGreyedYetResetAndOkStoreIt) {
  settings_.ExplorerDialogs = 0;
  settings_.useBitmaps = 0;
  TGenPref* d = Open(false);
  EXPECT_FALSE(d->Box(911)->isEnabled());
  EXPECT_FALSE(d->Box(911)->isChecked());
  d->findChild<QPushButton*>("18")->click();
  EXPECT_TRUE(d->Box(911)->isChecked());
  EXPECT_TRUE(d->Box(912)->isChecked());
  d->accept();
  delete d;
  EXPECT_EQ(settings_.ExplorerDialogs, 1);
  EXPECT_EQ(settings_.useBitmaps, 1);
}

TEST_F(GeneralPreferencesUi, ResetThenCancelChangesNothing) {
  settings_.ExplorerDialogs = 0;
  settings_.useBitmaps = 0;
  platform::SetNativeFileDialogs(false);
  TGenPref* d = Open(true);
  d->Reset();
  d->findChild<QPushButton*>("2")->click();
  EXPECT_EQ(d->result(), QDialog::Rejected);
  delete d;
  EXPECT_EQ(settings_.ExplorerDialogs, 0);
  EXPECT_EQ(settings_.useBitmaps, 0);
  EXPECT_FALSE(NextRequest().native);
}

TEST_F(GeneralPreferencesUi, Command2123RunsTheDialogOnTheProgramsSettings) {
  const ProgramSettings kept = CurrentSettings();
  CurrentSettings().useBitmaps = 1;
  RegisterGeneralPreferences();
  ModalAnswer<TGenPref> answer([](TGenPref* d) {
    d->Box(912)->setChecked(false);
    d->accept();
  });
  EXPECT_TRUE(RunCommandHandler(CmGeneralPreferences));
  EXPECT_EQ(answer.Seen(), 1);
  EXPECT_EQ(CurrentSettings().useBitmaps, 0);
  UnregisterCommand(CmGeneralPreferences);
  CurrentSettings() = kept;
}

}  // namespace
