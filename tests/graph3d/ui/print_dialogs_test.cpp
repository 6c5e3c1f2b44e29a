// The "Print Graph" and "Print Text" dialogs: layouts and the summary box, custom margins,
// and the custom print files they read and write.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <limits>

#include "app/ui/dialog.h"
#include "graph3d/option_files.h"
#include "graph3d/print_layout.h"
#include "app/settings_file.h"
#include "app/ui/text_window.h"
#include "graph3d/ui/graph_output.h"
#include "graph3d/ui/print_graph_dialog.h"
#include "graph3d/ui/print_text_dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"

namespace {

template <class T>
T* Child(QWidget* dialog, int id) {
  return dialog->findChild<T*>(QString::number(id));
}

void Accept(QDialog* dialog) { dialog->accept(); }

TEST(PrintGraphDialog, LandscapeLayoutsNeverCarryTheSummary) {
  TPrintGraphRec rec;
  rec.Layout = kLayoutCustomPortrait;
  rec.Orientation = 0;
  rec.AddSummary = 1;
  bool changed = false;
  auto* dialog = new TPrintGraph(nullptr, &rec, QRect(), true, &changed);
  dialog->show();
  auto* summary = Child<QCheckBox>(dialog, TPrintGraph::kSummaryBox);
  EXPECT_TRUE(summary->isEnabled());
  EXPECT_TRUE(summary->isChecked());
  EXPECT_EQ(Child<QLineEdit>(dialog, 540)->text().trimmed(), "1.50");
  EXPECT_TRUE(Child<QLineEdit>(dialog, 540)->isEnabled());
  Child<QRadioButton>(dialog, 545)->click();  // custom landscape
  EXPECT_FALSE(summary->isEnabled());
  EXPECT_FALSE(summary->isChecked());
  EXPECT_EQ(Child<QLineEdit>(dialog, 543)->text().trimmed(), "2.54");
  Child<QLineEdit>(dialog, 543)->setText("3.25");
  Child<QRadioButton>(dialog, 534)->click();  // half page: fixed margins shown, disabled
  // The margins the half page prints with (6 inches below the graph), not the 14 cm once
  // shown while 15.24 were used.
  EXPECT_EQ(Child<QLineEdit>(dialog, 543)->text(), "15.24");
  EXPECT_EQ(Child<QLineEdit>(dialog, 540)->text(), "1.27");
  EXPECT_FALSE(Child<QLineEdit>(dialog, 543)->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(dialog, TPrintGraph::kSaveButton)->isEnabled());
  EXPECT_TRUE(summary->isEnabled());
  Accept(dialog);
  EXPECT_EQ(rec.Layout, kLayoutHalfPagePortrait);
  EXPECT_EQ(rec.Orientation, 0);
  EXPECT_EQ(rec.AddSummary, 0);
  EXPECT_FLOAT_EQ(rec.LandscapeMargins[3], 3.25f);  // kept when the layout changed
  EXPECT_FALSE(changed);
  delete dialog;
}

// A settings file of the right size may hold a print record no dialog wrote: margins that are
// not numbers reached the printed page's rectangle (a NaN converted to pixels), and the dialog
// showed "nan". Printing starts from the defaults instead; a record the dialog wrote is kept.
TEST(PrintGraphDialog, ADamagedPrintRecordInTheSettingsIsReplacedByTheDefaults) {
  const ProgramSettings saved = CurrentSettings();
  TPrintGraphRec custom;
  custom.Layout = kLayoutCustomPortrait;
  custom.Orientation = 0;
  custom.FrameGraph = 1;
  custom.PortraitMargins = {2, 3, 2, 10};
  CurrentSettings().printGraph = EncodePrintGraphRec(custom);
  EXPECT_EQ(CurrentPrintGraphRec(), custom);
  const float damaged[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -1.0f, 1e30f};
  for (float cm : damaged) {
    TPrintGraphRec rec = custom;
    rec.LandscapeMargins[2] = cm;
    CurrentSettings().printGraph = EncodePrintGraphRec(rec);
    EXPECT_EQ(CurrentPrintGraphRec(), TPrintGraphRec{}) << cm;
  }
  TPrintGraphRec beyond = custom;
  beyond.Layout = 9;
  CurrentSettings().printGraph = EncodePrintGraphRec(beyond);
  EXPECT_EQ(CurrentPrintGraphRec(), TPrintGraphRec{});
  CurrentSettings() = saved;
}

// A window without a summary shows the choice disabled and keeps it for the windows that
// print one: OK there, or Read then Save, once turned the summary off for every window.
TEST(PrintGraphDialog, WithoutSummaryTheBoxIsDisabledAndTheChoiceKept) {
  TPrintGraphRec rec;
  rec.Layout = kLayoutHalfPagePortrait;
  rec.AddSummary = 1;
  auto* dialog = new TPrintGraph(nullptr, &rec, QRect(), false, nullptr);
  dialog->show();
  EXPECT_FALSE(Child<QCheckBox>(dialog, TPrintGraph::kSummaryBox)->isEnabled());
  EXPECT_TRUE(Child<QCheckBox>(dialog, TPrintGraph::kSummaryBox)->isChecked());
  Accept(dialog);
  EXPECT_EQ(rec.AddSummary, 1);
  delete dialog;

  ScratchDir dir;
  TPrintGraphRec stored;
  stored.Layout = kLayoutCustomPortrait;
  stored.Orientation = 0;
  stored.AddSummary = 1;
  stored.PortraitMargins = {1.0f, 2.0f, 3.0f, 9.0f};
  const std::string file = dir.File("summary.cpg");
  ASSERT_TRUE(WriteCustomPrintFile(file, stored));
  platform::ScriptedFiles files;
  TPrintGraphRec plain;
  plain.AddSummary = 0;
  auto* reader = new TPrintGraph(nullptr, &plain, QRect(), false, nullptr);
  reader->show();
  files.Answer(file);
  Child<QPushButton>(reader, TPrintGraph::kReadButton)->click();
  EXPECT_TRUE(Child<QCheckBox>(reader, TPrintGraph::kSummaryBox)->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(reader, TPrintGraph::kSummaryBox)->isEnabled());
  if (const char* shots = std::getenv("ONDRAVIK_SHOTS")) reader->grab().save(QString(shots) + "/print_graph_no_summary.png");
  const std::string again = dir.File("again.cpg");
  files.Answer(again);
  Child<QPushButton>(reader, TPrintGraph::kSaveButton)->click();
  EXPECT_EQ(ReadBytes(again), ReadBytes(file));
  Accept(reader);
  EXPECT_EQ(plain, stored);
  delete reader;
}

TEST(PrintGraphDialog, CustomPrintFilesReadAndRefused) {
  ScratchDir dir;
  TPrintGraphRec stored;
  stored.Layout = kLayoutCustomLandscape;
  stored.Orientation = 1;
  stored.LandscapeMargins = {1.0f, 2.0f, 3.0f, 4.0f};
  const std::string good = dir.File("good.cpg");
  ASSERT_TRUE(WriteCustomPrintFile(good, stored));
  const std::string bad = dir.Write("bad.cpg", std::string(53, '\0'));
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  files.Answer(bad);
  files.Answer(good);
  answers.Answer(platform::kIdOk);
  TPrintGraphRec rec;
  auto* dialog = new TPrintGraph(nullptr, &rec, QRect(), true, nullptr);
  dialog->show();
  Child<QPushButton>(dialog, TPrintGraph::kReadButton)->click();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, bad);
  EXPECT_EQ(answers.Boxes()[0].text, "Probable Error in Custom Print Dimension File");
  EXPECT_EQ(dialog->Record(), rec);
  Child<QPushButton>(dialog, TPrintGraph::kReadButton)->click();
  EXPECT_EQ(files.Requests()[1].title, "Read Custom Print Dimensions");
  EXPECT_EQ(files.Requests()[1].filter, "Custom Print [cpg]|*.cpg|");
  EXPECT_TRUE(Child<QRadioButton>(dialog, 545)->isChecked());
  EXPECT_EQ(Child<QLineEdit>(dialog, 541)->text().trimmed(), "2.00");
  Accept(dialog);
  EXPECT_EQ(rec, stored);
  delete dialog;
}

// A file read with a fixed layout shows what that layout prints with, as its radio does: the
// fields once showed the file's custom margins and took typing, while the print used the
// fixed margins and Save wrote the file's margins back over what the field showed. The
// custom margins the file brought are kept and come up with their layout.
TEST(PrintGraphDialog, AFixedLayoutReadFromAFileShowsTheMarginsItPrintsWith) {
  ScratchDir dir;
  for (const int layout : {kLayoutHalfPagePortrait, kLayoutFullPageLandscape}) {
    TPrintGraphRec stored;
    stored.Layout = static_cast<std::int16_t>(layout);
    stored.Orientation = static_cast<std::int16_t>(layout);
    stored.PortraitMargins = {1.0f, 2.0f, 3.0f, 4.0f};
    stored.LandscapeMargins = {5.0f, 6.0f, 7.0f, 8.0f};
    const std::string file = dir.File("fixed.cpg");
    ASSERT_TRUE(WriteCustomPrintFile(file, stored));
    // What the layout prints with: 0.5 inch round the half page with 6 below, an inch round
    // the full page.
    const std::array<const char*, 4> printed =
        layout == kLayoutHalfPagePortrait ? std::array<const char*, 4>{"1.27", "1.27", "1.27", "15.24"}
                                          : std::array<const char*, 4>{"2.54", "2.54", "2.54", "2.54"};

    platform::ScriptedFiles files;
    TPrintGraphRec rec;
    rec.Layout = kLayoutCustomPortrait;
    rec.Orientation = 0;
    auto* dialog = new TPrintGraph(nullptr, &rec, QRect(), true, nullptr);
    dialog->show();
    files.Answer(file);
    Child<QPushButton>(dialog, TPrintGraph::kReadButton)->click();
    EXPECT_TRUE(Child<QRadioButton>(dialog, TPrintGraph::kLayoutControls[layout])->isChecked()) << layout;
    for (std::size_t k = 0; k < 4; ++k) {
      auto* edit = Child<QLineEdit>(dialog, TPrintGraph::kMarginEdits[k]);
      EXPECT_EQ(edit->text().trimmed().toStdString(), printed[k]) << layout << ' ' << k;
      EXPECT_FALSE(edit->isEnabled()) << layout << ' ' << k;
    }
    EXPECT_FALSE(Child<QPushButton>(dialog, TPrintGraph::kSaveButton)->isEnabled()) << layout;

    // The file's custom sets come up with their layouts, and what is typed there is saved.
    Child<QRadioButton>(dialog, 544)->click();
    EXPECT_EQ(Child<QLineEdit>(dialog, 540)->text().trimmed(), "1.00") << layout;
    Child<QRadioButton>(dialog, 545)->click();
    auto* left = Child<QLineEdit>(dialog, 540);
    EXPECT_EQ(left->text().trimmed(), "5.00") << layout;
    EXPECT_TRUE(left->isEnabled()) << layout;
    left->setText("9.5");
    const std::string saved = dir.File("saved" + std::to_string(layout) + ".cpg");
    files.Answer(saved);
    Child<QPushButton>(dialog, TPrintGraph::kSaveButton)->click();
    TPrintGraphRec back;
    ASSERT_EQ(ReadCustomPrintFile(saved, back), OptionFileStatus::Ok) << layout;
    EXPECT_EQ(back.Layout, kLayoutCustomLandscape);
    EXPECT_EQ(back.LandscapeMargins, (std::array<float, 4>{9.5f, 6.0f, 7.0f, 8.0f}));
    EXPECT_EQ(back.PortraitMargins, stored.PortraitMargins);
    delete dialog;
  }

  // Read and OK untouched: the record is the file's.
  TPrintGraphRec stored;
  stored.Layout = kLayoutHalfPagePortrait;
  stored.Orientation = 0;
  stored.FrameGraph = 1;
  stored.LandscapeMargins = {5.0f, 6.0f, 7.0f, 8.0f};
  const std::string file = dir.File("half.cpg");
  ASSERT_TRUE(WriteCustomPrintFile(file, stored));
  platform::ScriptedFiles files;
  TPrintGraphRec rec;
  auto* dialog = new TPrintGraph(nullptr, &rec, QRect(), true, nullptr);
  dialog->show();
  files.Answer(file);
  Child<QPushButton>(dialog, TPrintGraph::kReadButton)->click();
  Accept(dialog);
  EXPECT_EQ(rec, stored);
  delete dialog;
}

// Margins with more digits than the hundredths (typed so before, or read from a file) are
// shown with them: an untouched OK once stored 1.23 for 1.234 and Save wrote it so.
TEST(PrintGraphDialog, UntouchedOkAndSaveKeepMarginsOfEveryDigit) {
  ScratchDir dir;
  TPrintGraphRec opened;
  opened.Layout = kLayoutCustomPortrait;
  opened.Orientation = 0;
  opened.PortraitMargins = {1.234f, 0.5f, 12.3456f, 0.1234567f};
  opened.LandscapeMargins = {0.7654321f, 0.125f, 33.3333f, 1e-7f};
  for (const int layout : {kLayoutCustomPortrait, kLayoutCustomLandscape}) {
    TPrintGraphRec rec = opened;
    rec.Layout = static_cast<std::int16_t>(layout);
    rec.Orientation = static_cast<std::int16_t>(layout == kLayoutCustomLandscape);
    const TPrintGraphRec before = rec;
    platform::ScriptedFiles files;
    auto* dialog = new TPrintGraph(nullptr, &rec, QRect(), true, nullptr);
    dialog->show();
    const std::string saved = dir.File("kept" + std::to_string(layout) + ".cpg");
    files.Answer(saved);
    Child<QPushButton>(dialog, TPrintGraph::kSaveButton)->click();
    TPrintGraphRec back;
    ASSERT_EQ(ReadCustomPrintFile(saved, back), OptionFileStatus::Ok);
    EXPECT_EQ(back, before) << layout;
    Accept(dialog);
    EXPECT_EQ(EncodePrintGraphRec(rec), EncodePrintGraphRec(before)) << layout;
    delete dialog;
  }
  TPrintGraphRec rec = opened;
  auto* dialog = new TPrintGraph(nullptr, &rec, QRect(), true, nullptr);
  dialog->show();
  EXPECT_EQ(Child<QLineEdit>(dialog, 540)->text().toStdString(), "1.234");
  EXPECT_EQ(Child<QLineEdit>(dialog, 541)->text().toStdString(), "0.50  ");
  EXPECT_EQ(Child<QLineEdit>(dialog, 542)->text().toStdString(), "12.3456");
  EXPECT_EQ(Child<QLineEdit>(dialog, 543)->text().toStdString(), ".1234567");  // once "0.12  "
  delete dialog;
}

TEST(PrintTextDialog, HeaderCutTo79AndUnofferedChoicesKeepTheirFields) {
  TTextPrintOptions options;
  options.colour = true;
  options.centre = false;
  std::string header;
  bool changed = true;
  TTextPrintOffers offers;
  offers.colour = false;
  auto* dialog = new TPrnWin(nullptr, "Results", &options, &header, &changed, offers);
  EXPECT_FALSE(changed);
  dialog->show();
  EXPECT_EQ(Child<QLineEdit>(dialog, TPrnWin::kHeaderEdit)->text(), "Results");
  EXPECT_FALSE(Child<QRadioButton>(dialog, 518)->isEnabled());
  EXPECT_FALSE(Child<QRadioButton>(dialog, 519)->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(dialog, 593)->isChecked());  // flush left
  Child<QLineEdit>(dialog, TPrnWin::kHeaderEdit)->setText(QString(120, QChar('h')));
  Child<QRadioButton>(dialog, 594)->click();  // centre the longest line
  Child<QLineEdit>(dialog, 540)->setText("1.25");
  Accept(dialog);
  EXPECT_EQ(header, std::string(79, 'h'));
  EXPECT_TRUE(options.centre);
  EXPECT_TRUE(options.colour);  // not offered: unchanged
  EXPECT_FLOAT_EQ(options.marginLeft, 1.25f);
  delete dialog;
}

TEST(PrintTextDialog, ResetAfterReadingAFileReturnsToTheOpeningValues) {
  ScratchDir dir;
  TTextPrintOptions other;
  other.landscape = true;
  other.marginTop = 4.5f;
  TTextPrintBuffer stored = FillTextPrintBuffer(other, std::string(300, 'x'), TTextPrintOffers{});
  const std::string path = dir.File("text.cpt");
  ASSERT_TRUE(WriteTextPrintFile(path, stored));
  platform::ScriptedFiles files;
  files.Answer(path);
  TTextPrintOptions options;
  std::string header;
  auto* dialog = new TPrnWin(nullptr, nullptr, &options, &header, nullptr, TTextPrintOffers{});
  dialog->show();
  const TTextPrintBuffer opened = dialog->Buffer();
  Child<QPushButton>(dialog, TPrnWin::kReadButton)->click();
  EXPECT_EQ(files.Requests()[0].filter, "Custom Print [cpt]|*.cpt|");
  EXPECT_EQ(dialog->Buffer(), stored);  // the file keeps its long header
  Child<QPushButton>(dialog, TPrnWin::kResetButton)->click();
  EXPECT_EQ(dialog->Buffer(), opened);
  delete dialog;
}

TEST(PrintTextDialog, DamagedFileIsRefusedAndTheDialogKeepsItsState) {
  ScratchDir dir;
  const std::string path = dir.Write("bad.cpt", std::string(1096, 'z'));
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  files.Answer(path);
  answers.Answer(platform::kIdOk);
  TTextPrintOptions options;
  std::string header;
  auto* dialog = new TPrnWin(nullptr, "Kept", &options, &header, nullptr, TTextPrintOffers{});
  dialog->show();
  const TTextPrintBuffer before = dialog->Buffer();
  Child<QPushButton>(dialog, TPrnWin::kReadButton)->click();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Probable Error in Custom Print Dimension File");
  EXPECT_EQ(dialog->Buffer(), before);
  delete dialog;
}

// A file read in shows in its radios what OK then takes: a choice the file holds neither
// radio of (saved where the choice was not offered) keeps the radio shown, where it once
// showed neither and printed centred, all lines, in colour; a choice this dialog does not
// offer stays clear; a file with both radios of one choice set is refused.
TEST(PrintTextDialog, RadiosReadFromAFileShowWhatOkTakes) {
  using B = TTextPrintBuffer;
  ScratchDir dir;
  TTextPrintOptions saver;  // date, page numbers, portrait, centred, all lines, monochrome
  saver.landscape = true;
  const std::string partial = dir.File("partial.cpt");
  ASSERT_TRUE(WriteTextPrintFile(partial, FillTextPrintBuffer(saver, "", TTextPrintOffers{false, false, false})));
  TTextPrintBuffer both = FillTextPrintBuffer(saver, "", TTextPrintOffers{});
  both.checks[B::kMonochrome] = both.checks[B::kColour] = 1;
  const std::string doubled = dir.File("doubled.cpt");
  ASSERT_TRUE(WriteTextPrintFile(doubled, both));

  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  TTextPrintOptions options;
  options.centre = false;
  options.allLines = false;
  options.colour = false;
  std::string header;
  auto* dialog = new TPrnWin(nullptr, nullptr, &options, &header, nullptr, TTextPrintOffers{});
  dialog->show();
  files.Answer(partial);
  Child<QPushButton>(dialog, TPrnWin::kReadButton)->click();
  EXPECT_TRUE(answers.Boxes().empty());
  EXPECT_TRUE(Child<QRadioButton>(dialog, 539)->isChecked());  // the file's landscape
  EXPECT_TRUE(Child<QRadioButton>(dialog, 593)->isChecked());  // flush left, as shown before
  EXPECT_TRUE(Child<QRadioButton>(dialog, 595)->isChecked());  // present display
  EXPECT_TRUE(Child<QRadioButton>(dialog, 518)->isChecked());  // monochrome
  const TTextPrintBuffer shown = dialog->Buffer();
  answers.Answer(platform::kIdOk);
  files.Answer(doubled);
  Child<QPushButton>(dialog, TPrnWin::kReadButton)->click();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Probable Error in Custom Print Dimension File");
  EXPECT_EQ(dialog->Buffer(), shown);
  Accept(dialog);
  EXPECT_TRUE(options.landscape);
  EXPECT_FALSE(options.centre);
  EXPECT_FALSE(options.allLines);
  EXPECT_FALSE(options.colour);
  delete dialog;

  // Read where colour is not offered: its radios show the file's colour, disabled (they once
  // stayed clear, and Save wrote the colour as 0).
  TTextPrintOptions plain;
  auto* narrow = new TPrnWin(nullptr, nullptr, &plain, &header, nullptr, TTextPrintOffers{true, true, false});
  narrow->show();
  const std::string coloured = dir.File("coloured.cpt");
  saver.colour = true;
  ASSERT_TRUE(WriteTextPrintFile(coloured, FillTextPrintBuffer(saver, "", TTextPrintOffers{})));
  files.Answer(coloured);
  Child<QPushButton>(narrow, TPrnWin::kReadButton)->click();
  EXPECT_FALSE(Child<QRadioButton>(narrow, 518)->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(narrow, 519)->isChecked());
  EXPECT_FALSE(Child<QRadioButton>(narrow, 519)->isEnabled());
  EXPECT_TRUE(Child<QRadioButton>(narrow, 594)->isChecked());  // the file's centring
  delete narrow;
}

// A .cpt file restores every control, the choices the reading window does not offer too (their
// radios disabled): Landscape and Color saved from the numeric summary's print, read in the
// ASCII editor's (justification only), showed Extent and Color empty, and its Save wrote them
// as 0. Read then Save gives the file back byte for byte; OK takes only what is offered.
TEST(PrintTextDialog, AFileReadWhereSomeChoicesAreNotOfferedKeepsThemForSave) {
  ScratchDir dir;
  TTextPrintOptions summary;
  summary.landscape = true;
  summary.colour = true;
  summary.allLines = false;
  summary.marginLeft = 1.75f;
  const std::string saved = dir.File("summary.cpt");
  ASSERT_TRUE(WriteTextPrintFile(saved, FillTextPrintBuffer(summary, "Numeric Summary", TTextPrintOffers{})));
  const std::vector<std::uint8_t> original = ReadBytes(saved);

  for (const TTextPrintOffers offers : {TTextPrintOffers{true, false, false}, TTextPrintOffers{false, false, false},
                                        TTextPrintOffers{false, true, true}}) {
    const std::string where = std::to_string(offers.justification) + std::to_string(offers.extent) +
                              std::to_string(offers.colour);
    platform::ScriptedFiles files;
    TTextPrintOptions editor;  // portrait, centred, all lines, monochrome
    std::string header;
    auto* dialog = new TPrnWin(nullptr, nullptr, &editor, &header, nullptr, offers);
    dialog->show();
    files.Answer(saved);
    Child<QPushButton>(dialog, TPrnWin::kReadButton)->click();
    EXPECT_TRUE(Child<QRadioButton>(dialog, 539)->isChecked()) << where;  // landscape
    EXPECT_TRUE(Child<QRadioButton>(dialog, 594)->isChecked()) << where;  // centred
    EXPECT_TRUE(Child<QRadioButton>(dialog, 595)->isChecked()) << where;  // present display
    EXPECT_TRUE(Child<QRadioButton>(dialog, 519)->isChecked()) << where;  // colour
    EXPECT_EQ(Child<QRadioButton>(dialog, 595)->isEnabled(), offers.extent) << where;
    EXPECT_EQ(Child<QRadioButton>(dialog, 519)->isEnabled(), offers.colour) << where;
    if (const char* shots = std::getenv("ONDRAVIK_SHOTS"); shots && where == "100")
      dialog->grab().save(QString(shots) + "/print_text_read_unoffered.png");
    const std::string again = dir.File("again" + where + ".cpt");
    files.Answer(again);
    Child<QPushButton>(dialog, TPrnWin::kSaveButton)->click();
    EXPECT_EQ(ReadBytes(again), original) << where;
    Accept(dialog);
    EXPECT_TRUE(editor.landscape) << where;
    EXPECT_EQ(editor.centre, true) << where;
    EXPECT_EQ(editor.allLines, !offers.extent) << where;  // taken only where offered
    EXPECT_EQ(editor.colour, offers.colour) << where;
    EXPECT_FLOAT_EQ(editor.marginLeft, 1.75f) << where;
    delete dialog;
  }
}

// A window offers only the choices its print honours: the ASCII editor prints its whole text
// in one colour, and its Print Text once offered "Present Display" and "Color" and printed
// every line in black whatever was chosen.
TEST(PrintTextDialog, AWindowOffersOnlyTheChoicesItsPrintHonours) {
  InstallTextPrintDialog();
  const Block before = CurrentSettings().textPrint;
  TTextPrintOptions stored;
  stored.allLines = false;
  stored.colour = true;
  stored.centre = false;
  CurrentSettings().textPrint = EncodeTextPrint(stored);
  struct Seen {
    bool extentEnabled = true, colourEnabled = true, anyExtent = true, anyColour = true, justification = false;
  } seen;
  QTimer::singleShot(0, [&seen] {
    auto* d = qobject_cast<TPrnWin*>(ActiveDialog());
    ASSERT_NE(d, nullptr);
    seen.extentEnabled = Child<QRadioButton>(d, 595)->isEnabled() || Child<QRadioButton>(d, 598)->isEnabled();
    seen.colourEnabled = Child<QRadioButton>(d, 518)->isEnabled() || Child<QRadioButton>(d, 519)->isEnabled();
    seen.anyExtent = Child<QRadioButton>(d, 595)->isChecked() || Child<QRadioButton>(d, 598)->isChecked();
    seen.anyColour = Child<QRadioButton>(d, 518)->isChecked() || Child<QRadioButton>(d, 519)->isChecked();
    seen.justification = Child<QRadioButton>(d, 593)->isEnabled() && Child<QRadioButton>(d, 593)->isChecked();
    static_cast<QDialog*>(d)->accept();
  });
  const TTextPrintJob job = RunTextPrintDialog(nullptr, TTextPrintOffers{true, false, false});
  EXPECT_FALSE(job.cancelled);
  EXPECT_FALSE(seen.extentEnabled);
  EXPECT_FALSE(seen.colourEnabled);
  EXPECT_FALSE(seen.anyExtent);
  EXPECT_FALSE(seen.anyColour);
  EXPECT_TRUE(seen.justification);
  // Choices not offered keep what the other windows print with.
  EXPECT_EQ(CurrentSettings().textPrint, EncodeTextPrint(stored));
  CurrentSettings().textPrint = before;
}

// Margin boxes that the reader would refuse are refused before a file is asked for or the
// print set up: the user is told which box, the focus goes there and the options stay as
// they were. What Save writes, Read takes back whole.
TEST(PrintTextDialog, SavedFileReadsBackAndUnreadableMarginsAreRefused) {
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  TTextPrintOptions options;
  const TTextPrintOptions before = options;
  std::string header;
  auto* dialog = new TPrnWin(nullptr, "Margins", &options, &header, nullptr, TTextPrintOffers{});
  dialog->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  struct Case {
    int edit;
    const char* typed;
    const char* message;
    const char* shown;  // what the field shows once put right: its last margin, or the bound
  };
  const Case cases[] = {{540, "", "The left margin must be a number of centimetres from 0 to 100.", "2.54"},
                        {541, "2,5", "The top margin must be a number of centimetres from 0 to 100.", "2.54"},
                        {542, "1cm", "The right margin must be a number of centimetres from 0 to 100.", "2.54"},
                        {543, "101", "The bottom margin must be a number of centimetres from 0 to 100.", "100"}};
  const std::string refused = dir.File("refused.cpt");
  for (const Case& c : cases) {
    auto* edit = Child<QLineEdit>(dialog, c.edit);
    const QString kept = edit->text();
    ASSERT_EQ(kept, "2.54");
    // Save and OK each refuse the text, put the field right, say why and keep the dialog
    // open on the field.
    for (int road = 0; road < 2; ++road) {
      edit->setText(c.typed);
      if (road == 0) files.Answer(refused);
      const std::size_t boxes = answers.Boxes().size();
      if (road == 0)
        Child<QPushButton>(dialog, TPrnWin::kSaveButton)->click();
      else
        Accept(dialog);
      EXPECT_TRUE(dialog->isVisible()) << c.typed;
      ASSERT_EQ(answers.Boxes().size(), boxes + 1) << c.typed;
      EXPECT_EQ(answers.Boxes()[boxes].text, c.message);
      EXPECT_EQ(edit->text(), c.shown) << c.typed;
      EXPECT_TRUE(edit->hasFocus()) << c.typed;
      EXPECT_EQ(EncodeTextPrint(options), EncodeTextPrint(before));
    }
    edit->setText(kept);
    if (!files.Requests().empty()) break;  // the answer was taken: the file dialog ran
  }
  EXPECT_TRUE(files.Requests().empty());
  EXPECT_FALSE(std::filesystem::exists(refused));

  // Every margin in a form the dialog writes reads back, and the print takes it.
  Child<QLineEdit>(dialog, 540)->setText("1.5");
  Child<QLineEdit>(dialog, 541)->setText("3");
  Child<QLineEdit>(dialog, 543)->setText("0");
  Child<QPushButton>(dialog, TPrnWin::kSaveButton)->click();  // takes the queued answers in turn
  ASSERT_TRUE(std::filesystem::exists(refused));
  const TTextPrintBuffer saved = dialog->Buffer();
  TTextPrintOptions other;
  auto* reader = new TPrnWin(nullptr, nullptr, &other, &header, nullptr, TTextPrintOffers{});
  reader->show();
  files.Answer(refused);
  Child<QPushButton>(reader, TPrnWin::kReadButton)->click();
  EXPECT_EQ(reader->Buffer(), saved);
  Accept(reader);
  EXPECT_FLOAT_EQ(other.marginLeft, 1.5f);
  EXPECT_FLOAT_EQ(other.marginTop, 3.0f);
  EXPECT_FLOAT_EQ(other.marginBottom, 0.0f);
  delete reader;
  delete dialog;
}

// The header is printed and saved as single-byte text: a character it cannot hold is named
// before anything is printed or written, where it was once printed as '?'. A degree sign is
// kept, and the header the print gets is the one the field shows.
TEST(PrintTextDialog, AHeaderCharacterThePrintCannotHoldIsNamedNotPrintedAsAQuestionMark) {
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  TTextPrintOptions options;
  std::string header = "kept";
  auto* dialog = new TPrnWin(nullptr, "Kept", &options, &header, nullptr, TTextPrintOffers{});
  dialog->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  auto* edit = Child<QLineEdit>(dialog, TPrnWin::kHeaderEdit);
  edit->setText(QString::fromUtf8("Run \xCE\xB1 at 20 \xC2\xB0""C \xE2\x86\x92 \xCE\xB1"));
  const std::string path = dir.File("header.cpt");
  files.Answer(path);
  Child<QPushButton>(dialog, TPrnWin::kSaveButton)->click();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text,
            "Only Western European characters can be kept here.\nThese characters cannot: U+03B1 U+2192");
  EXPECT_TRUE(files.Requests().empty());
  EXPECT_FALSE(std::filesystem::exists(path));
  Accept(dialog);
  ASSERT_EQ(answers.Boxes().size(), 2u);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(header, "kept");
  edit->setText(QString::fromUtf8("Run a at 20 \xC2\xB0""C"));
  Accept(dialog);
  EXPECT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(header, "Run a at 20 \xB0""C");
  delete dialog;
}

// A side button keeps the focus after it was used (Setup after its printer dialog, Read after
// its file): Enter must still print, not run that button again.
TEST(PrintDialogs, EnterPrintsWhereverTheFocusWasLeft) {
  TPrintGraphRec rec;
  auto* graph = new TPrintGraph(nullptr, &rec, QRect(), true, nullptr);
  graph->show();
  for (int id : {TPrintGraph::kSetupButton, TPrintGraph::kReadButton, TPrintGraph::kSaveButton}) {
    graph->setResult(QDialog::Rejected);
    auto* button = Child<QPushButton>(graph, id);
    ASSERT_NE(button, nullptr) << id;
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(graph->result(), QDialog::Accepted) << id;
    graph->show();
  }
  delete graph;

  TTextPrintOptions options;
  std::string header;
  auto* text = new TPrnWin(nullptr, nullptr, &options, &header, nullptr, TTextPrintOffers{});
  text->show();
  for (int id : {TPrnWin::kReadButton, TPrnWin::kSaveButton, TPrnWin::kResetButton,
                 TPrnWin::kSetupButton}) {
    text->setResult(QDialog::Rejected);
    auto* button = Child<QPushButton>(text, id);
    ASSERT_NE(button, nullptr) << id;
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(text->result(), QDialog::Accepted) << id;
    text->show();
  }
  delete text;
}

TEST(PrintAbortDialog, CancelIsReported) {
  QWidget parent;
  parent.show();
  BeginPrintAbort(&parent);
  EXPECT_FALSE(parent.isEnabled());
  EXPECT_TRUE(PrintAbortProc());
  auto* dialog = parent.findChild<TPrintAbortDlg*>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  Child<QPushButton>(dialog, 2)->click();
  EXPECT_FALSE(PrintAbortProc());
  EXPECT_TRUE(EndPrintAbort(&parent));
  EXPECT_TRUE(parent.isEnabled());
}

}  // namespace
