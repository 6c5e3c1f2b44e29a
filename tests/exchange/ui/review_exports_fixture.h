// The review window on the fitted replicated plane with the export commands installed, a
// scratch folder for the files they write, and scripted file dialogs and message boxes.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <string>

#include "app/shell_state.h"
#include "app/ui/modal_answers.h"
#include "app/ui/text_window.h"
#include "exchange/ui/review_export_commands.h"
#include "platform/file_dialog.h"
#include "review/ui/review_window_fixture.h"
#include "support/scratch_files.h"

namespace export_test {

class ReviewExportsFixture : public review_test::ReviewWindowFixture {
 protected:
  void SetUp() override {
    review_test::ReviewWindowFixture::SetUp();
    savedAudit_ = AuditLevel;
    RegisterReviewExports();
    Open(false);
    planeRank_ = review_test::RankOf(session, 1);
    window->MakeRankCurrent(1, planeRank_);
    // A mark the exports that refit would overwrite: a command that ends early keeps it.
    session.CurFit.eqn.minimum[0] = kUntouched;
  }
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == kExportResultName) w->close();
    AuditLevel = savedAudit_;
    review_test::ReviewWindowFixture::TearDown();
  }

  // The result windows open over the review.
  int ResultWindows() const { return static_cast<int>(window->findChildren<TScrWin*>(kExportResultName).size()); }
  std::string File(const std::string& name) const { return (dir_.Path() / name).string(); }
  bool Refitted() const { return session.CurFit.eqn.minimum[0] != kUntouched; }
  // The boxes that told of a file not written.
  int WriteFailures() const {
    int n = 0;
    for (const platform::BoxRequest& b : answers.Boxes()) n += b.text.find("Unable to Write File") != std::string::npos;
    return n;
  }

  static constexpr long double kUntouched = -4242.25L;
  platform::ScriptedFiles files;
  ScratchDir dir_{"ondravik_review_exports"};
  int planeRank_ = 0;
  int savedAudit_ = 0;
};

}  // namespace export_test
