// "Review Preferences": the fields as the settings stand (a run-length kind shown as LZW),
// the cache switch and the controls it governs, Reset, Cancel and OK, the ranges of the
// numeric fields, and the two roads to the dialog: the main window's command and the review
// window's, which rebuilds its cache when the cache settings change.
#include "review/ui/review_preferences.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

#include "app/shell_state.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/modal_answers.h"
#include "app/ui/small_controls.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/status_graph.h"
#include "graph3d/renderer.h"
#include "platform/message_box.h"
#include "review/review_fit_fixture.h"
#include "review/review_layout.h"
#include "review/review_titles.h"
#include "review/ui/review_window.h"
#include "review/ui/review_window_fixture.h"

namespace {

using C = TPreference::ControlId;

class ReviewPreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override { settings = DefaultSettings(1280, 1024); }
  void TearDown() override { SetGraphLabelDigits(kDefaultGraphLabelDigits); }

  // The dialog on `settings`, shown (its set-up has run).
  std::unique_ptr<TPreference> Open() {
    auto dialog = std::make_unique<TPreference>(nullptr, settings);
    dialog->show();
    QApplication::processEvents();
    return dialog;
  }
  static bool Checked(const TPreference& d, int id) {
    return qobject_cast<QAbstractButton*>(d.Control(id))->isChecked();
  }
  static void SetText(const TPreference& d, int id, const char* text) {
    qobject_cast<TEditInt*>(d.Control(id))->setText(text);
  }

  ProgramSettings settings;
  platform::ScriptedAnswers answers;
};

TEST_F(ReviewPreferencesTest, FieldsShowTheSettingsAndAStoredRleKindAsLzw) {
  settings.GraphLabelDigits = 5;
  settings.GraphCacheKb = 2500;
  settings.useBitmaps = 0;
  settings.numberPadding = 1;
  settings.ReviewImageKind = kImageRleDib;
  std::unique_ptr<TPreference> d = Open();
  EXPECT_EQ(d->windowTitle(), "Review Preferences");
  EXPECT_EQ(qobject_cast<TEditInt*>(d->Control(C::kLabelDigits))->text(), "5");
  EXPECT_EQ(qobject_cast<TEditInt*>(d->Control(C::kTitleDigits))->text(), "8");
  EXPECT_EQ(qobject_cast<TEditInt*>(d->Control(C::kCacheSize))->text(), "2500");
  EXPECT_TRUE(Checked(*d, C::kDirect));
  EXPECT_TRUE(Checked(*d, C::kRightFill));
  EXPECT_FALSE(Checked(*d, C::kVolume));
  EXPECT_TRUE(Checked(*d, C::kLzwBitmap));
  EXPECT_FALSE(Checked(*d, C::kRleBitmap));
  EXPECT_FALSE(d->Control(C::kRleBitmap)->isEnabled());  // no 256-colour display here
  d->accept();
  EXPECT_EQ(settings.ReviewImageKind, kImageLzwBits);
  EXPECT_EQ(settings.GraphLabelDigits, 5);
  EXPECT_EQ(GraphLabelDigits(), 5);  // the graphs' labels follow at once
}

TEST_F(ReviewPreferencesTest, TheCacheSwitchGovernsEveryCacheControl) {
  std::unique_ptr<TPreference> d = Open();
  const int cacheControls[] = {C::kBackground, C::kCacheSize, C::kCacheSizeLabel, C::kCacheStats,
                               C::kStdBitmap,  C::kLzwBitmap};
  for (int id : cacheControls) EXPECT_TRUE(d->Control(id)->isEnabled()) << id;
  QTest::mouseClick(qobject_cast<QAbstractButton*>(d->Control(C::kCacheOn)), Qt::LeftButton);
  EXPECT_FALSE(Checked(*d, C::kCacheOn));
  for (int id : cacheControls) EXPECT_FALSE(d->Control(id)->isEnabled()) << id;
  EXPECT_FALSE(d->Control(C::kRleBitmap)->isEnabled());
  EXPECT_TRUE(d->Control(C::kLabelDigits)->isEnabled());
  QTest::mouseClick(qobject_cast<QAbstractButton*>(d->Control(C::kCacheOn)), Qt::LeftButton);
  for (int id : cacheControls) EXPECT_TRUE(d->Control(id)->isEnabled()) << id;
  EXPECT_FALSE(d->Control(C::kRleBitmap)->isEnabled());  // never here
  // A cache switched off when the dialog opens leaves its controls grey from the start.
  d.reset();
  settings.GraphCacheOn = 0;
  d = Open();
  for (int id : cacheControls) EXPECT_FALSE(d->Control(id)->isEnabled()) << id;
}

TEST_F(ReviewPreferencesTest, ResetThenCancelChangesNothing) {
  settings.GraphLabelDigits = 4;
  settings.GraphTitleDigits = 12;
  settings.numberPadding = 1;
  settings.UpdateTextWhileScrolling = 1;
  settings.VolumeOption = 1;
  settings.useBitmaps = 0;
  settings.GraphCacheOn = 0;
  settings.BackgroundCacheOn = 0;
  settings.ShowCacheStats = 0;
  settings.GraphCacheKb = 77;
  settings.ReviewImageKind = kImageBits;
  const std::vector<std::uint8_t> before = EncodeSettings(settings, 1280, 1024);
  std::unique_ptr<TPreference> d = Open();
  QTest::mouseClick(qobject_cast<QAbstractButton*>(d->Control(C::kReset)), Qt::LeftButton);
  // Every field shows its default ...
  EXPECT_EQ(qobject_cast<TEditInt*>(d->Control(C::kLabelDigits))->text(), "6");
  EXPECT_EQ(qobject_cast<TEditInt*>(d->Control(C::kTitleDigits))->text(), "8");
  EXPECT_EQ(qobject_cast<TEditInt*>(d->Control(C::kCacheSize))->text(), "1000");
  for (int id : {C::kRightFill, C::kUpdateWhileScrolling, C::kVolume}) EXPECT_FALSE(Checked(*d, id)) << id;
  for (int id : {C::kViaBitmaps, C::kCacheOn, C::kBackground, C::kCacheStats, C::kLzwBitmap})
    EXPECT_TRUE(Checked(*d, id)) << id;
  EXPECT_TRUE(d->Control(C::kCacheSize)->isEnabled());
  // ... and Cancel writes none of them.
  QTest::mouseClick(qobject_cast<QAbstractButton*>(d->Control(2)), Qt::LeftButton);
  EXPECT_EQ(d->result(), QDialog::Rejected);
  EXPECT_EQ(EncodeSettings(settings, 1280, 1024), before);
  // Reset then OK writes the defaults.
  d = Open();
  d->Reset();
  d->accept();
  const ProgramSettings defaults = DefaultSettings(1280, 1024);
  EXPECT_EQ(settings.GraphLabelDigits, defaults.GraphLabelDigits);
  EXPECT_EQ(settings.GraphCacheKb, defaults.GraphCacheKb);
  EXPECT_EQ(settings.ReviewImageKind, defaults.ReviewImageKind);
  EXPECT_EQ(settings.useBitmaps, defaults.useBitmaps);
  EXPECT_EQ(settings.GraphCacheOn, 1);
  EXPECT_EQ(settings.VolumeOption, 0);
}

TEST_F(ReviewPreferencesTest, OkWritesEveryField) {
  std::unique_ptr<TPreference> d = Open();
  SetText(*d, C::kLabelDigits, "7");
  SetText(*d, C::kTitleDigits, "15");
  SetText(*d, C::kCacheSize, "999999");
  for (int id : {C::kRightFill, C::kUpdateWhileScrolling, C::kVolume, C::kDirect, C::kStdBitmap})
    qobject_cast<QAbstractButton*>(d->Control(id))->setChecked(true);
  for (int id : {C::kBackground, C::kCacheStats}) qobject_cast<QAbstractButton*>(d->Control(id))->setChecked(false);
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(settings.GraphLabelDigits, 7);
  EXPECT_EQ(settings.GraphTitleDigits, 15);
  EXPECT_EQ(settings.GraphCacheKb, 999999);  // a limit of 999 999 000 bytes
  EXPECT_EQ(settings.numberPadding, 1);
  EXPECT_EQ(settings.UpdateTextWhileScrolling, 1);
  EXPECT_EQ(settings.VolumeOption, 1);
  EXPECT_EQ(settings.useBitmaps, 0);
  EXPECT_EQ(settings.GraphCacheOn, 1);
  EXPECT_EQ(settings.BackgroundCacheOn, 0);
  EXPECT_EQ(settings.ShowCacheStats, 0);
  EXPECT_EQ(settings.ReviewImageKind, kImageBits);
}

// "Graph Labels" holds one digit from 3 to 8: a digit typed over its selected text, after
// Ctrl+A or on arriving by Tab, replaces it. Tested as a two-digit number, no digit passed.
TEST_F(ReviewPreferencesTest, GraphLabelsTakesADigitOverItsSelection) {
  std::unique_ptr<TPreference> d = Open();
  QApplication::setActiveWindow(d.get());
  auto* labels = qobject_cast<TEditInt*>(d->Control(C::kLabelDigits));
  labels->setFocus();
  QTest::keyClick(labels, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(labels, "5");
  EXPECT_EQ(labels->text(), "5");
  // Tab round the dialog until the field has the focus, its text selected.
  d->Control(C::kTitleDigits)->setFocus();
  for (int i = 0; i < 40 && QApplication::focusWidget() != labels; ++i)
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), labels);
  EXPECT_EQ(labels->selectedText(), "5");
  QTest::keyClicks(labels, "4");
  EXPECT_EQ(labels->text(), "4");
  // The titles field alike, two digits over its selected "8".
  auto* titles = qobject_cast<TEditInt*>(d->Control(C::kTitleDigits));
  titles->selectAll();
  QTest::keyClicks(titles, "12");
  EXPECT_EQ(titles->text(), "12");
  d->accept();
  EXPECT_EQ(settings.GraphLabelDigits, 4);
  EXPECT_EQ(settings.GraphTitleDigits, 12);
}

TEST_F(ReviewPreferencesTest, FieldsOutOfRangeAreSetToTheirBoundAndTheDialogStays) {
  const struct {
    int id;
    const char* typed;
    const char* corrected;
  } cases[] = {{C::kCacheSize, "0", "1"}, {C::kLabelDigits, "9", "8"}, {C::kTitleDigits, "2", "3"}};
  for (const auto& c : cases) {
    std::unique_ptr<TPreference> d = Open();
    SetText(*d, c.id, c.typed);
    d->accept();
    EXPECT_EQ(d->result(), 0) << c.id;  // still open
    EXPECT_EQ(qobject_cast<TEditInt*>(d->Control(c.id))->text(), c.corrected) << c.id;
  }
  EXPECT_EQ(answers.Boxes().size(), 3u);
  EXPECT_EQ(settings.GraphCacheKb, 1000);  // nothing written
  // Seven digits typed into the six of the size field stay as typed (cut to six, "1000000"
  // was 100000 without a word) and OK says the range.
  std::unique_ptr<TPreference> d = Open();
  QApplication::setActiveWindow(d.get());
  auto* size = qobject_cast<TEditInt*>(d->Control(C::kCacheSize));
  size->setFocus();
  QTest::keyClick(size, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(size, "1000000");
  EXPECT_EQ(size->text(), "1000000");
  d->accept();
  EXPECT_EQ(d->result(), 0);
  EXPECT_EQ(size->text(), "999999");
  EXPECT_EQ(answers.Boxes().size(), 4u);
  EXPECT_EQ(answers.Boxes().back().text, "Valid Range is 1 to 999999");
}

// A settings file may hold a cache size the field refuses (0, negative): as read, the dialog
// shows a size it takes, and OK untouched closes it and changes nothing.
TEST_F(ReviewPreferencesTest, OkUntouchedOnAnyCacheSizeReadClosesAndChangesNothing) {
  constexpr std::size_t kCacheSizeOffset = 3831;
  for (const std::int32_t stored : {0, -5, 999999, 1000000}) {
    std::vector<std::uint8_t> file = EncodeSettings(DefaultSettings(1280, 1024), 1280, 1024);
    std::memcpy(&file.at(kCacheSizeOffset), &stored, sizeof stored);
    ASSERT_TRUE(DecodeSettings(file, 1280, 1024, settings)) << stored;
    const std::vector<std::uint8_t> before = EncodeSettings(settings, 1280, 1024);
    std::unique_ptr<TPreference> d = Open();
    d->accept();
    EXPECT_EQ(d->result(), QDialog::Accepted) << stored;
    EXPECT_EQ(EncodeSettings(settings, 1280, 1024), before) << stored;
  }
  EXPECT_TRUE(answers.Boxes().empty());
}

class ReviewWindowPreferencesTest : public review_test::ReviewWindowFixture {
 protected:
  void TearDown() override {
    ReviewWindowFixture::TearDown();
    SetGraphLabelDigits(kDefaultGraphLabelDigits);
  }
};

TEST_F(ReviewWindowPreferencesTest, ANewCacheSizeRebuildsTheCache) {
  TRView& w = Open(false);
  ASSERT_TRUE(w.CommandAvailable(kCmReviewPreferences));
  EXPECT_EQ(w.Cache().Limit(), 1000 * 1000);
  {
    ModalAnswer<TPreference> cancel([](TPreference* d) { d->reject(); });
    w.Command(kCmReviewPreferences);
    EXPECT_EQ(cancel.Seen(), 1);
  }
  EXPECT_EQ(w.Cache().Limit(), 1000 * 1000);
  {
    ModalAnswer<TPreference> bigger([](TPreference* d) {
      qobject_cast<TEditInt*>(d->Control(C::kCacheSize))->setText("999999");
      d->accept();
    });
    w.Command(kCmReviewPreferences);
    EXPECT_EQ(bigger.Seen(), 1);
  }
  EXPECT_EQ(w.Cache().Limit(), 999999LL * 1000);  // beyond 32 bits
  EXPECT_EQ(w.RenderThread().State(), TRenderThread::kRunning);
  {
    ModalAnswer<TPreference> off([](TPreference* d) {
      qobject_cast<QAbstractButton*>(d->Control(C::kCacheOn))->setChecked(false);
      d->accept();
    });
    w.Command(kCmReviewPreferences);
  }
  EXPECT_FALSE(w.Cache().Enabled());
  EXPECT_EQ(w.RenderThread().State(), TRenderThread::kIdle);
}

TEST_F(ReviewWindowPreferencesTest, TheMainWindowsCommandRunsTheDialog) {
  RegisterReviewCommands(session);
  ASSERT_TRUE(HasCommandHandler(CmReviewPreferences));
  ModalAnswer<TPreference> digits([](TPreference* d) {
    qobject_cast<TEditInt*>(d->Control(C::kTitleDigits))->setText("4");
    d->accept();
  });
  ASSERT_TRUE(RunCommandHandler(CmReviewPreferences));
  EXPECT_EQ(digits.Seen(), 1);
  EXPECT_EQ(CurrentSettings().GraphTitleDigits, 4);
  UnregisterCommand(CmReviewGraph);
  UnregisterCommand(CmReviewList);
  UnregisterCommand(CmReviewPreferences);
  SetStatusGraphTitler(nullptr);
}

}  // namespace
