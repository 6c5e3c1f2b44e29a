// Cancel changes nothing. Every dialog that offers Cancel, walked as a restless user walks it
// (each box, radio button, list and combo changed, a digit typed over each field, each button
// clicked), its option files saved and read back in (each Read given every file of its kind
// the walk holds, an older 280-byte custom equation set among them), and then cancelled,
// leaves the records it edits as they were when it opened: the settings as they are saved
// at exit, the fit blocks, the custom title sets of the review and of the residual graph, the
// calculation, the user functions, the table, its titles and the fits, and the scaling of every
// graph open beside it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/byte_codec.h"
#include "app/settings_file.h"
#include "app/ui/main_window.h"
#include "every_window_support.h"
#include "fit/fit_blocks.h"
#include "fit/fit_test_data.h"
#include "fit/session.h"
#include "graph3d/ui/graph_dialog.h"
#include "graph3d/ui/graph_frame_window.h"
#include "platform/file_dialog.h"
#include "program_state.h"
#include "review/review_titles.h"
#include "support/table_bytes.h"
#include "tools/data_calculation.h"

namespace {

using namespace every_window;

// The option files the dialogs read and save: the walk answers their file dialogs.
const std::set<std::string> kOptionFiles = {"FIT", "FTP", "V3D", "SCL", "ANI", "CLR", "TTL",
                                            "CPT", "CPG", "VFZ", "CLC", "UDF", "UDL"};

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// An older custom equation set: both blocks with 16-bit fields. Its options differ from the
// defaults in every field the older form holds (4 fits kept of each kind, sorted by the F
// statistic), its selection in every mask.
std::vector<std::uint8_t> OlderCustomSet() {
  bytes::ByteWriter w;
  w.U16(3);   // polynomial mask
  w.U16(4);   // kept
  w.U16(9);   // rational mask
  w.U16(4);   // kept
  w.U16(2);   // subset mask
  w.U16(4);   // kept
  for (int i = 0; i < kNonlinearFlagCount; ++i) w.U8(i < 3 ? 1 : 0);
  for (std::uint16_t v : {0, 1, 20, 4, 300, 9, 4}) w.U16(v);  // SVD, no DOF, highest, digits, iterations, converge, sort
  w.Extended(0.25L);
  w.U16(12);  // check iteration
  w.U16(1);   // sampling
  return w.Take();
}

// Answers the file dialogs of the option files: a save writes a new file of the walk's, which
// later reads are given; a read takes in turn the files made for the walk and the last one
// saved of its kind. Every other file dialog is cancelled.
class TOptionFiles : public platform::FileDialogService {
 public:
  explicit TOptionFiles(const ScratchDir& home) : home_(home), previous_(platform::SetFileDialogService(this)) {
    files_["FIT"] = {home.Write("older.fit", OlderCustomSet())};
    files_["FTP"] = {home.Write("older.ftp", OlderCustomSet())};
    TFitOptions options = DefaultFitOptions();
    options.keepPolynomial = options.keepRational = options.keepSubset = 7;
    options.sortCriterion = 2;
    (void)WriteFitOptionsFile(home.File("options.ftp"), options);
    files_["FTP"].push_back(home.File("options.ftp"));
    TFitSelection selection = DefaultFitSelection();
    selection.polynomialMask = 1;
    selection.nonlinear.fill(0);
    (void)WriteFitSelectionFile(home.File("selection.fit"), selection);
    files_["FIT"].push_back(home.File("selection.fit"));
  }
  ~TOptionFiles() override { platform::SetFileDialogService(previous_); }
  TOptionFiles(const TOptionFiles&) = delete;
  TOptionFiles& operator=(const TOptionFiles&) = delete;

  std::optional<platform::FileChoice> ChooseFile(const platform::FileDialogRequest& request) override {
    const std::string ext = Upper(request.defaultExt);
    lastRead_.clear();
    if (!kOptionFiles.count(ext)) return previous_->ChooseFile(request);
    if (request.save) {
      saved_[ext] = home_.File("saved" + std::to_string(++saves_) + "." + ext);
      return platform::FileChoice{saved_[ext], 0};
    }
    const std::vector<std::string> files = FilesOf(ext);
    if (files.empty()) return std::nullopt;
    ++reads_;
    lastRead_ = ext;
    return platform::FileChoice{files[next_[ext]++ % files.size()], 0};
  }

  // How many files of the kind the last dialog read the walk holds (0: none read).
  std::size_t FilesOfLastRead() const { return lastRead_.empty() ? 0 : FilesOf(lastRead_).size(); }
  int Reads() const { return reads_; }
  int Saves() const { return saves_; }

 private:
  const ScratchDir& home_;
  platform::FileDialogService* previous_;
  // The files made for the walk, and the last one a dialog saved.
  std::vector<std::string> FilesOf(const std::string& ext) const {
    std::vector<std::string> files;
    if (const auto it = files_.find(ext); it != files_.end()) files = it->second;
    if (const auto it = saved_.find(ext); it != saved_.end()) files.push_back(it->second);
    return files;
  }

  std::map<std::string, std::vector<std::string>> files_;
  std::map<std::string, std::string> saved_;
  std::map<std::string, std::size_t> next_;
  std::string lastRead_;
  int reads_ = 0;
  int saves_ = 0;
};

// What a dialog may edit, as it stood.
struct TRecords {
  ProgramSettings settings;
  std::vector<std::uint8_t> selection, options;
  std::string udfs;
  std::vector<unsigned char> table;
  TDataTitles titles;
  std::vector<std::pair<int, long double>> fits;
  int fitResultsValid = 0;
  TCalcLines calculation;
  std::vector<std::string> customTitles;  // the review's and the residual graph's custom sets
  std::map<const QWidget*, T3DScalingBlock> scalings;
};

std::vector<std::string> CustomTitleTexts() {
  std::vector<std::string> texts;
  for (const T3DTitleSet* set : {&ReviewTitleSets().custom, &ResidualTitleSets().custom}) {
    texts.push_back("enabled " + std::to_string(set->Enabled) + ", fixed sizes " + std::to_string(set->FixedSizes));
    texts.insert(texts.end(), set->Lines.begin(), set->Lines.end());
    texts.insert(texts.end(), set->AxisTitles.begin(), set->AxisTitles.end());
  }
  return texts;
}

TRecords RecordsOf(TProgramUnderWalk& program) {
  TSession& s = program.Session();
  TRecords r;
  r.settings = CurrentSettings();
  r.selection = EncodeFitSelection(s.FitSelection);
  r.options = EncodeFitOptions(s.FitOptions);
  r.udfs = UdfSessionBytes(s, program.Home().Path() / "udf-session");
  r.table = TableBytes(s.Table);
  r.titles = s.DataTitles();
  r.fits = Fits(s);
  r.fitResultsValid = s.FitResultsValid;
  r.calculation = CalcTexts();
  r.customTitles = CustomTitleTexts();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible()) continue;
    const T3DGraphSetup* setup = nullptr;
    if (auto* graph = qobject_cast<T3DWin*>(w)) setup = graph->Renderer().Setup();
    if (auto* graph = qobject_cast<T3DDlg*>(w)) setup = graph->Renderer().Setup();
    if (setup != nullptr) r.scalings[w] = setup->Scaling;
  }
  return r;
}

std::vector<std::string> Differences(const TRecords& before, const TRecords& after) {
  std::vector<std::string> d;
  if (std::string s = SettingsDifference(before.settings, after.settings); !s.empty()) d.push_back(s);
  if (after.selection != before.selection) d.push_back("the custom equation set");
  if (after.options != before.options) d.push_back("the fitting preferences");
  if (after.udfs != before.udfs) d.push_back("the user functions");
  if (after.table != before.table) d.push_back("the table");
  if (!(after.titles == before.titles)) d.push_back("the data's titles");
  if (after.fits != before.fits || after.fitResultsValid != before.fitResultsValid) d.push_back("the fits");
  if (!(after.calculation == before.calculation)) d.push_back("the calculation");
  if (after.customTitles != before.customTitles) d.push_back("the custom titles");
  for (const auto& [graph, scaling] : before.scalings) {
    const auto it = after.scalings.find(graph);
    if (it != after.scalings.end() && !(it->second == scaling))
      d.push_back("the scaling of " + std::string(graph->metaObject()->className()));
  }
  return d;
}

std::string Name(const QWidget* w) {
  return std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() + "\"";
}

// The window's own Cancel button, or null.
QAbstractButton* CancelButton(QWidget* w) {
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
    if (b->window() == w && b->isVisible() && b->isEnabled() && Plain(b->text()) == "Cancel") return b;
  return nullptr;
}

// The window's push buttons whose text begins with `verb` ("Save", "Read").
std::vector<QPointer<QAbstractButton>> Buttons(QWidget* w, const std::string& verb) {
  std::vector<QPointer<QAbstractButton>> buttons;
  for (QAbstractButton* b : w->findChildren<QPushButton*>())
    if (b->window() == w && b->isVisible() && Plain(b->text()).rfind(verb, 0) == 0) buttons.emplace_back(b);
  return buttons;
}

// Each group of radio buttons left on another button than the one checked now: the walk's
// clicks, one after another, may have come back to where the group was.
void LeaveEveryRadioGroup(const QPointer<QWidget>& w) {
  std::vector<QPointer<QRadioButton>> checked;
  for (QRadioButton* r : w->findChildren<QRadioButton*>())
    if (r->window() == w && r->isChecked() && r->isVisible() && r->isEnabled()) checked.emplace_back(r);
  for (const QPointer<QRadioButton>& r : checked) {
    if (!w || !r || !r->isChecked()) continue;
    for (QRadioButton* o : r->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
      if (o != r && o->isVisible() && o->isEnabled() && (r->group() == nullptr || o->group() == r->group())) {
        o->click();
        QApplication::processEvents();
        break;
      }
  }
}

// The walk of Cancel: each dialog with a Cancel button is judged between its opening and its
// Cancel.
class TCancelWalk {
 public:
  TCancelWalk(TProgramUnderWalk& program, Walker& walker, TOptionFiles& files)
      : program_(program), walker_(walker), files_(files) {
    walker.SetOpenedHook([this](const QPointer<QWidget>& w) {
      if (w && w->isWindow() && CancelButton(w)) opened_[w.data()] = {Name(w), RecordsOf(program_)};
    });
    walker.SetActedHook([this](const QPointer<QWidget>&) { ActionDone(); });
    // Buttons that end a dialog as OK does, with an answer of their own: the dialog would
    // not come to its Cancel. (What they open is walked from the windows that open it
    // directly: the custom titles from every graph.)
    walker.SetSkippedButtons([this](const QAbstractButton* b) {
      return opened_.count(b->window()) > 0 && Plain(b->text()) == "Custom Titles";
    });
  }

  // Before the walker closes the window: its files saved and read, then Cancel.
  void Close(const QPointer<QWidget>& w) {
    const auto it = opened_.find(w.data());
    if (!w || it == opened_.end()) return;
    const TRecords before = it->second.second;
    opened_.erase(it);
    const std::string name = Name(w);
    LeaveEveryRadioGroup(w);
    for (const char* verb : {"Save", "Read"})
      for (const QPointer<QAbstractButton>& b : Buttons(w, verb)) {
        if (!b || !b->isEnabled()) continue;
        walker_.Act(w, [&] { b->click(); });
        // Each file of the kind it read, in turn.
        for (std::size_t more = files_.FilesOfLastRead(); more > 1 && b && b->isEnabled(); --more)
          walker_.Act(w, [&] { b->click(); });
      }
    if (!w) return;
    QAbstractButton* cancel = CancelButton(w);
    if (cancel == nullptr) return;  // the window took it away (a read that closed it): not judged
    ++judged_;
    seen_.insert(name);
    cancel->click();
    QApplication::processEvents();
    if (w && w->isVisible()) {
      pending_.push_back(name + ": Cancel left it open");
      return;
    }
    // Its owner puts back what it kept aside once the dialog's run is over: the records are
    // looked at when the action that opened it is.
    cancelled_.push_back({name, before});
  }
  // The action on a window is over (every dialog it opened has ended): the records the
  // dialogs cancelled meanwhile had are compared.
  void ActionDone() {
    if (cancelled_.empty()) return;
    const TRecords now = RecordsOf(program_);
    for (const auto& [name, before] : cancelled_)
      for (const std::string& d : Differences(before, now)) pending_.push_back(name + " closed with Cancel changed " + d);
    cancelled_.clear();
  }
  // The command whose windows were walked since the last call.
  void CommandDone(int command) {
    ActionDone();
    // A dialog that ended before the walk came to its Cancel (a button of its own closed it).
    for (const auto& [w, opened] : opened_) unjudged_.insert(opened.first + " of command " + std::to_string(command));
    opened_.clear();
    for (const std::string& p : pending_) wrong_[p].insert(command);
    pending_.clear();
  }

  int Judged() const { return judged_; }
  const std::set<std::string>& Seen() const { return seen_; }
  // Commands with a dialog that ended before its Cancel.
  const std::set<std::string>& Unjudged() const { return unjudged_; }
  const std::map<std::string, std::set<int>>& Wrong() const { return wrong_; }

 private:
  TProgramUnderWalk& program_;
  Walker& walker_;
  TOptionFiles& files_;
  std::map<const QWidget*, std::pair<std::string, TRecords>> opened_;
  std::vector<std::pair<std::string, TRecords>> cancelled_;
  std::vector<std::string> pending_;
  std::set<std::string> seen_;
  std::set<std::string> unjudged_;
  int judged_ = 0;
  std::map<std::string, std::set<int>> wrong_;
};

TEST(EveryWindowCancel, CancelAfterEveryChangeAndEveryReadLeavesTheRecordsAsTheyWere) {
  TProgramUnderWalk program("ondravik_every_window_cancel");
  // A user function, so that its records have something to keep.
  fit_test::DefineUserFunction(0, "Z=A0+A1*X+A2*Y", {1, 1, 1});
  program.Window().HaveUdfs = 1;
  // Custom titles in use, so that a dialog that turns them off has something to keep.
  for (TReviewTitleSets* sets : {&ReviewTitleSets(), &ResidualTitleSets()}) {
    sets->custom.Enabled = 1;
    sets->custom.Lines[0] = "Wind tunnel run 7";
  }
  TOptionFiles files(program.Home());
  TCancelWalk* walk = nullptr;
  Walker walker(Clock::now() + std::chrono::minutes(6), [&](const QPointer<QWidget>& w) { walk->Close(w); });
  TCancelWalk cancelWalk(program, walker, files);
  walk = &cancelWalk;
  const int commands = program.RunEveryCommand(
      [&](const std::function<void()>& open) {
        walker.Run(open);
      },
      [&](const CommandInfo& c) {
        cancelWalk.CommandDone(c.id);
        program.LoadTableAndFitsIfChanged();
      });
  EXPECT_FALSE(walker.TimedOut());
  for (const auto& [what, commandIds] : cancelWalk.Wrong()) {
    std::string ids;
    for (int id : commandIds) ids += " " + std::to_string(id);
    ADD_FAILURE() << what << " (from the commands" << ids << ")";
  }
  EXPECT_GE(commands, 40);
  EXPECT_GT(cancelWalk.Judged(), 60);
  EXPECT_GT(files.Reads(), 20);
  EXPECT_GT(files.Saves(), 10);
  std::fprintf(stderr, "%d commands, %d dialogs cancelled after every change, %d option files read, %d saved\n",
               commands, cancelWalk.Judged(), files.Reads(), files.Saves());
  for (const std::string& s : cancelWalk.Seen()) std::fprintf(stderr, "  cancelled: %s\n", s.c_str());
  for (const std::string& u : cancelWalk.Unjudged()) std::fprintf(stderr, "  ended before its Cancel: %s\n", u.c_str());
}

}  // namespace
