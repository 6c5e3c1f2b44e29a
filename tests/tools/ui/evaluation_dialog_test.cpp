// The evaluation table as the user drives it: evaluations, roots, volumes and their lines,
// the limit switches, refused inputs, save (text, .sav read back by PSPP) and copy, and
// generation from a grid or a file into the table or into a text file.
#include "tools/ui/evaluation_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <fstream>
#include <sstream>

#include "app/data_session.h"
#include "app/file_utils.h"
#include "app/import_readers.h"
#include "app/long_double.h"
#include "app/settings_file.h"
#include "app/ui/modal_answers.h"
#include "exchange/import_registration.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"
#include "tools/ui/generation_dialogs.h"

namespace {

// z = (x - 1)(x - 2.5)(x - 4) + y over [0, 5] x [0, 5], with band half-widths 0.5 and 2.
TEvalSurface Cubic() {
  TEvalSurface s;
  s.z = [](long double x, long double y) { return (x - 1) * (x - 2.5L) * (x - 4) + y; };
  s.xMin = 0, s.xMax = 5, s.yMin = 0, s.yMax = 5, s.zMin = -3, s.zMax = 10;
  s.confidenceLimit = [](long double, long double, long double) { return 0.5L; };
  s.predictionLimit = [](long double, long double, long double) { return 2.0L; };
  return s;
}

class EvalDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentSettings() = DefaultSettings(1280, 1024);
    GenRangePrevious() = {};
    RegisterImportReaders();
  }
  void TearDown() override { delete dialog; }

  TDlgEval& Open(TEvalSurface surface = Cubic()) {
    dialog = new TDlgEval(nullptr, "Test Surface", std::move(surface), session);
    dialog->show();
    QApplication::processEvents();
    return *dialog;
  }
  void Type(int field, const char* text) { dialog->Input(field)->setText(text); }
  std::string Line(int i) const { return dialog->Hosted()->Lines().GetLine(i); }
  int Lines() const { return dialog->Table().LineCount(); }

  TDataSession session;
  TDlgEval* dialog = nullptr;
  platform::ScriptedAnswers answers;
  platform::ScriptedFiles files;
  ScratchDir dir;
};

TEST_F(EvalDialogTest, EvaluationsAreNumberedAndClearStartsAgain) {
  TDlgEval& d = Open();
  EXPECT_EQ(d.windowTitle(), "Evaluate");
  EXPECT_EQ(d.Hosted()->windowTitle(), "Test Surface");
  Type(0, "2");
  Type(1, "1/2");  // formulas are accepted wherever a number is
  d.Button(kEvalButtonZ)->click();
  d.Button(kEvalButtonZ)->click();
  ASSERT_EQ(Lines(), 2);
  EXPECT_EQ(Line(1).substr(0, 8), "    2.  ");
  EXPECT_EQ(d.Table().Row(0).z, (2 - 1) * (2 - 2.5L) * (2 - 4) + 0.5L);
  EXPECT_EQ(CurrentSettings().EvalInputs[1], 0.5L);
  d.Button(kEvalClearTable)->click();
  EXPECT_EQ(Lines(), 0);
  d.Button(EvalModeButton(kEvalDzDx))->click();
  EXPECT_EQ(Line(0).substr(0, 8), "    1.  ");
  EXPECT_NE(Line(0).find("Z=dF(X,Y)/dX"), std::string::npos);
  // An input that does not evaluate takes the focus; nothing is appended, nothing said.
  Type(1, "LN(-2)");
  d.Button(kEvalButtonZ)->click();
  EXPECT_EQ(Lines(), 1);
  EXPECT_TRUE(d.Input(1)->hasFocus());
  EXPECT_TRUE(answers.Boxes().empty());
  // The last inputs come back with the next dialog.
  delete dialog;
  Open();
  EXPECT_EQ(dialog->Input(0)->text(), "2");
  EXPECT_EQ(dialog->Input(1)->text(), "0.5");
  EXPECT_EQ(dialog->Input(2)->text(), "");
}

// The last inputs come back whole (at 8 digits), from their first digit: an input of
// -1/30000000 came back cut to the field's twelve characters as "-3.3333333e-", which the
// next evaluation took for -3.3333333.
TEST_F(EvalDialogTest, TheLastInputsComeBackWholeFromTheirFirstDigit) {
  TDlgEval& d = Open();
  Type(0, "-1/30000000");
  Type(1, "5403001.26");
  d.Button(kEvalButtonZ)->click();
  ASSERT_EQ(Lines(), 1);
  delete dialog;
  Open();
  EXPECT_EQ(dialog->Input(0)->text(), "-3.3333333e-08");
  EXPECT_EQ(dialog->Input(1)->text(), "5403001.3");
  for (int i = 0; i < 2; ++i) EXPECT_EQ(dialog->Input(i)->cursorPosition(), 0) << i;
  dialog->Button(kEvalButtonZ)->click();
  ASSERT_EQ(Lines(), 1);
  EXPECT_EQ(dialog->Table().Row(0).x, -3.3333333e-08L);
}

TEST_F(EvalDialogTest, LimitSwitchesAndTheirColumns) {
  TDlgEval& d = Open();
  d.ConfBox()->click();
  EXPECT_EQ(CurrentSettings().EvalLimitsMode, 1);
  d.PredBox()->click();
  EXPECT_EQ(CurrentSettings().EvalLimitsMode, 2);
  EXPECT_FALSE(d.ConfBox()->isChecked());
  EXPECT_TRUE(d.PredBox()->isChecked());
  d.PredBox()->click();  // the checked box turns limits off
  EXPECT_EQ(CurrentSettings().EvalLimitsMode, 0);
  EXPECT_FALSE(d.PredBox()->isChecked());
  d.ConfBox()->click();
  Type(0, "0"), Type(1, "3");
  d.Button(kEvalButtonZ)->click();
  EXPECT_NE(Line(0).find("~#-7.5          ~#  ~#-6.5          ~#  Z=F(X,Y) 95.00%ConfLim"), std::string::npos)
      << Line(0);
  d.Button(EvalModeButton(kEvalD2zDxDy))->click();  // derivatives carry no limits
  EXPECT_EQ(Line(1).find("ConfLim"), std::string::npos);
  // A surface without limits: both boxes off and disabled, whatever the settings say.
  delete dialog;
  TEvalSurface bare = Cubic();
  bare.predictionLimit = nullptr;
  Open(bare);
  EXPECT_FALSE(dialog->ConfBox()->isEnabled());
  EXPECT_FALSE(dialog->ConfBox()->isChecked());
}

TEST_F(EvalDialogTest, RootsAndVolumesGiveTheirLines) {
  TDlgEval& d = Open();
  Type(1, "0"), Type(2, "0");
  d.Button(EvalModeButton(kEvalRootX))->click();
  ASSERT_EQ(Lines(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(Line(i).find("X=Root(Z,Y)"), std::string::npos);
    EXPECT_NEAR(static_cast<double>(d.Table().Row(i).x), i == 0 ? 1 : i == 1 ? 2.5 : 4, 1e-7);
  }
  EXPECT_EQ(d.FocusField(), 3);
  // Y = root at Z = -100: y = -90, beyond every bracket and below the decades.
  Type(0, "0"), Type(2, "-100");
  d.Button(EvalModeButton(kEvalRootY))->click();
  ASSERT_EQ(Lines(), 4);
  EXPECT_NE(Line(3).find("~!Error         ~!"), std::string::npos) << Line(3);
  // Volume: refused without a rectangle, else the integral with its estimate.
  Type(0, "1"), Type(1, "0"), Type(3, "1"), Type(4, "1");
  d.Button(kEvalButtonVolume)->click();
  EXPECT_EQ(Lines(), 4);
  EXPECT_TRUE(d.Input(0)->hasFocus());
  Type(3, "2");
  d.Button(kEvalButtonVolume)->click();
  ASSERT_EQ(Lines(), 5);
  // ∫₁² (x-1)(x-2.5)(x-4) dx = 1 over y in [0, 1], plus ∫ y = 0.5.
  EXPECT_NEAR(static_cast<double>(d.Table().Row(4).z), 1.5, 1e-12);
  EXPECT_NE(Line(4).find("Z=Volume X,2 Y,1 ["), std::string::npos) << Line(4);
  EXPECT_EQ(d.FocusField(), 4);
}

TEST_F(EvalDialogTest, SaveAndCopyTheRows) {
  TDlgEval& d = Open();
  QGuiApplication::clipboard()->setText("before");
  d.Button(kEvalCopyTable)->click();  // an empty table leaves the clipboard alone
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
  for (const char* y : {"0", "1", "2", "3"}) {
    Type(0, "0.1"), Type(1, y);
    d.Button(kEvalButtonZ)->click();
  }
  Type(1, "0"), Type(2, "-1000");
  d.Button(EvalModeButton(kEvalRootX))->click();  // a row without its X (the root is near -7.7)
  ASSERT_EQ(Lines(), 5);
  const std::string text = d.Table().TextBlock();
  const std::string path = dir.File("table.txt");
  files.Answer(path, 3);
  d.Button(kEvalSaveTable)->click();
  EXPECT_EQ(ReadText(path), text);
  EXPECT_EQ(text.find("\r\r\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);  // the failed root is left out
  EXPECT_EQ(CurrentSettings().LastExtensions[7], "txt");
  EXPECT_EQ(files.Requests().back().filterIndex, 2);  // "DAT" first
  d.Button(kEvalCopyTable)->click();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  EXPECT_EQ(data->text().toStdString(), text);
  const QByteArray wk1 = data->data(kMimeWk1);
  const std::vector<std::uint8_t> image = d.Table().WorksheetImage(1);
  EXPECT_EQ(std::vector<std::uint8_t>(wk1.begin(), wk1.end()), image);
  EXPECT_FALSE(data->data(kMimeWk3).isEmpty());
  // A file that cannot be written is told.
  files.Answer(dir.File("table.txt") + "/below.txt");
  d.Button(kEvalSaveTable)->click();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Unable to Write File");
}

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

TEST_F(EvalDialogTest, ASavedSavTableIsReadBackByPspp) {
  if (!Have("pspp-convert")) GTEST_SKIP() << "PSPP is not installed";
  TDlgEval& d = Open();
  const char* xs[] = {"1/3", "2", "1e-5", "4.25"};
  for (const char* x : xs) {
    Type(0, x), Type(1, "0.7");
    d.Button(kEvalButtonZ)->click();
  }
  const std::string path = dir.File("table.sav");
  files.Answer(path, 6);
  d.Button(kEvalSaveTable)->click();
  ASSERT_TRUE(answers.Boxes().empty());
  const std::string csv = dir.File("table.csv");
  ASSERT_EQ(std::system(("LC_ALL=C.UTF-8 pspp-convert '" + path + "' '" + csv + "' >/dev/null 2>&1").c_str()), 0);
  std::ifstream in(csv);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line, "XVAR,YVAR,ZVAR");
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(std::getline(in, line));
    std::stringstream fields(line);
    const TEvalRow& row = d.Table().Row(i);
    for (long double v : {row.x, row.y, row.z}) {
      std::string field;
      ASSERT_TRUE(std::getline(fields, field, ','));
      EXPECT_EQ(std::strtod(field.c_str(), nullptr), static_cast<double>(v)) << line;
    }
  }
  // Two rows are too few for the format: told, nothing written.
  d.Button(kEvalClearTable)->click();
  d.Button(kEvalButtonZ)->click();
  files.Answer(dir.File("short.sav"), 6);
  d.Button(kEvalSaveTable)->click();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("short.sav")));
}

// Answers "Generate" with a source, a destination and a computation.
void Choose(TGenASCII* g, int source, int destination, int mode) {
  g->Button(571 + source)->setChecked(true);
  g->Button(573 + destination)->setChecked(true);
  g->Button(560 + mode)->setChecked(true);
  g->accept();
}

// Fills the range dialog and presses OK.
void Ranges(TGenParms* p, std::array<const char*, 6> values) {
  for (int k = 0; k < 6; ++k) p->Edit(576 + k)->setText(values[static_cast<std::size_t>(k)]);
  p->accept();
}

TEST_F(EvalDialogTest, GeneratingAGridIntoTheTable) {
  TDlgEval& d = Open();
  Type(0, "1"), Type(1, "1");
  d.Button(kEvalButtonZ)->click();  // numbering goes on after it
  std::vector<QString> labels;
  ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 0, 0, kEvalZ); });
  ModalAnswer<TGenParms> range([&](TGenParms* p) {
    labels = {p->AxisLabel(387)->text(), p->AxisLabel(388)->text()};
    EXPECT_EQ(p->Edit(578)->text(), "5");  // the surface's X range in nine steps
    EXPECT_FALSE(p->PreviousButton()->isEnabled());
    Ranges(p, {"1", "-0.25", "0", "0", "0.25", "1"});  // put in order
  });
  d.Button(kEvalGenerate)->click();
  EXPECT_EQ(labels, (std::vector<QString>{"X", "Y"}));
  ASSERT_EQ(Lines(), 26);
  EXPECT_EQ(Line(25).substr(0, 8), "   26.  ");
  EXPECT_EQ(d.Table().Row(25).x, 1);
  EXPECT_EQ(d.Table().Row(25).y, 1);
  EXPECT_EQ(GenRangePrevious(), (TGenRange{0, 0.25L, 1, 0, 0.25L, 1}));
  EXPECT_EQ(CurrentSettings().GenMode, kEvalZ);
}

// The range dialog shows each value as the shortest text within the rounding the figure
// carries: the ninth of a range of 9 is "1" (it showed 0.999999999999999999), a ninth of 1
// shows the digits a double gives (it showed 20), and the ends of data read from doubles show
// the digits they were written with (5403001.26 showed 5403001.2599999997765, and a ninth of
// their range 20 digits). OK without an edit keeps every value to the last bit (18 digits
// lost the last two); an edit typed again takes its text.
TEST_F(EvalDialogTest, RangeDialogShowsEachValueAsItsShortestText) {
  const long double low = static_cast<double>(5403001.26), high = static_cast<double>(5406999.44);
  const struct {
    long double xMin, xMax, yMin, yMax;
    std::vector<QString> shown;
  } cases[] = {
      {1, 10, 0, 1, {"1", "1", "10", "0", "0.1111111111111111", "1"}},
      {low, high, -high, -low, {"5403001.26", "444.2422222223", "5406999.44", "-5406999.44", "444.2422222223", "-5403001.26"}},
  };
  for (const auto& c : cases) {
    TEvalSurface surface = Cubic();
    surface.xMin = c.xMin, surface.xMax = c.xMax, surface.yMin = c.yMin, surface.yMax = c.yMax;
    TDlgEval& d = Open(std::move(surface));
    std::vector<QString> shown;
    ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 0, 0, kEvalZ); });
    ModalAnswer<TGenParms> range([&](TGenParms* p) {
      for (int id = 576; id <= 581; ++id) shown.push_back(p->Edit(id)->text());
      p->accept();
    });
    d.Button(kEvalGenerate)->click();
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(GenRangePrevious(), InitialGenRange(kEvalZ, d.Computer().Surface()));
    EXPECT_EQ(Lines(), 100);
  }
  TEvalSurface surface = Cubic();
  surface.xMin = low, surface.xMax = high;
  ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 0, 0, kEvalZ); });
  ModalAnswer<TGenParms> range([&](TGenParms* p) {
    p->Edit(576)->setText("5403001.3");
    p->accept();
  });
  Open(std::move(surface)).Button(kEvalGenerate)->click();
  EXPECT_EQ(GenRangePrevious()[kGenStart1], 5403001.3L);
  EXPECT_EQ(GenRangePrevious()[kGenEnd1], high);
}

TEST_F(EvalDialogTest, RangeErrorsKeepTheDialogAndLargeGridsAreCutWithAMessage) {
  TDlgEval& d = Open();
  int attempts = 0;
  {
    ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 0, 0, kEvalRootX); });
    ModalAnswer<TGenParms> range([&](TGenParms* p) {
      ++attempts;
      EXPECT_EQ(p->AxisLabel(387)->text(), "Z");
      if (attempts == 1)
        Ranges(p, {"0", "1", "0", "0", "1", "2"});  // start = end: "Invalid Entry", still open
      else
        p->reject();
    });
    d.Button(kEvalGenerate)->click();
  }
  EXPECT_EQ(attempts, 2);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Generated Data Parameters");
  EXPECT_EQ(answers.Boxes()[0].text, "Invalid Entry");
  EXPECT_EQ(Lines(), 0);
  EXPECT_EQ(GenRangePrevious(), (TGenRange{}));  // nothing accepted

  ModalAnswer<TGenASCII> values([](TGenASCII* g) { Choose(g, 0, 0, kEvalZ); });
  ModalAnswer<TGenParms> big([](TGenParms* p) { Ranges(p, {"0", "1", "199", "0", "1", "199"}); });
  d.Button(kEvalGenerate)->click();
  EXPECT_EQ(Lines(), 16384);
  ASSERT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(answers.Boxes()[1].text,
            "23,616 of the Grid's 40,000 Points Were Left Out of the Generated Data\nIt Stops at X = 81, Y = 183");
  EXPECT_EQ(d.Table().Row(16383).x, 81);
  EXPECT_EQ(d.Table().Row(16383).y, 183);
}

TEST_F(EvalDialogTest, GeneratingIntoAFileShowsIt) {
  TDlgEval& d = Open();
  d.ConfBox()->click();
  ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 0, 1, kEvalZ); });
  ModalAnswer<TGenParms> range([](TGenParms* p) { Ranges(p, {"0", "1", "2", "0", "0.5", "1"}); });
  const std::string path = dir.File("grid.dat");
  files.Answer(path, 2);
  d.Button(kEvalGenerate)->click();
  const std::string text = ReadText(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 9);
  EXPECT_EQ(text.find("\r\r\n"), std::string::npos);
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_NE(text.find('\t'), std::string::npos);  // the limits after a tab
  EXPECT_EQ(Lines(), 0);
  // The file is shown in a window of the dialog's own.
  const auto windows = d.findChildren<TScrWin*>();
  ASSERT_EQ(windows.size(), 2);  // the table's and the file's
  EXPECT_EQ(windows[1]->Lines().LineCount(), 9);
  // A file that cannot be made is told.
  files.Answer(path + "/inside.dat", 2);
  d.Button(kEvalGenerate)->click();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, path + "/inside.dat");
}

// Points whose band cannot be evaluated are told: a file that leaves them out says how many,
// and so does the table whose lines show their limits "Error"; it wrote 6 of 9 lines without
// a word.
TEST_F(EvalDialogTest, GeneratingTellsThePointsWithoutABand) {
  TEvalSurface surface = Cubic();
  surface.confidenceLimit = [](long double x, long double, long double) { return x == 1 ? ExprErrorValue : 0.5L; };
  TDlgEval& d = Open(std::move(surface));
  d.ConfBox()->click();
  {
    ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 0, 1, kEvalZ); });
    ModalAnswer<TGenParms> range([](TGenParms* p) { Ranges(p, {"0", "1", "2", "0", "0.5", "1"}); });
    const std::string path = dir.File("band.dat");
    files.Answer(path, 2);
    d.Button(kEvalGenerate)->click();
    const std::string text = ReadText(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
    ASSERT_EQ(answers.Boxes().size(), 1u);
    EXPECT_EQ(answers.Boxes()[0].caption, path);
    EXPECT_EQ(answers.Boxes()[0].text, "3 of the 9 Inputs Gave No Confidence Limits and Were Left Out of the File");
  }
  ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 0, 0, kEvalZ); });
  ModalAnswer<TGenParms> range([](TGenParms* p) { Ranges(p, {"0", "1", "2", "0", "0.5", "1"}); });
  d.Button(kEvalGenerate)->click();
  EXPECT_EQ(Lines(), 9);
  ASSERT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(answers.Boxes()[1].text, "3 of the 9 Inputs Gave No Confidence Limits: Their Limits Show Error");
}

TEST_F(EvalDialogTest, GeneratingFromTwoColumnsOfAFile) {
  TDlgEval& d = Open();
  ImportReaders().ChooseXYColumns = [](platform::Window, const std::string&, int, TImportColumns& c) {
    c.ImportColX = 1, c.ImportColY = 2;
    return 1;
  };
  files.Answer(dir.Write("pairs.txt", "0 1 7\n1 0 7\n2 1 7\n"));
  ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 1, 0, kEvalZ); });
  d.Button(kEvalGenerate)->click();
  ASSERT_EQ(Lines(), 3);
  EXPECT_EQ(d.Table().Row(2).x, 2);
  EXPECT_EQ(d.Table().Row(2).y, 1);
  EXPECT_EQ(CurrentSettings().GenSource, 1);
  // Cancelled file choice: "No Values Were Read".
  files.Answer(std::nullopt);
  d.Button(kEvalGenerate)->click();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Read Column of Values from File");
  EXPECT_EQ(answers.Boxes()[0].text, "No Values Were Read");
  ImportReaders().ChooseXYColumns = nullptr;
}

// Two variables of a PSPP file: x is system-missing in the last case and z holds its missing
// value 999 in the second; those cases give no line, and no line takes the missing value as
// an input.
TEST_F(EvalDialogTest, GeneratingFromTwoVariablesOfAPsppFileLeavesMissingCasesOut) {
  TDlgEval& d = Open();
  ImportReaders().ChooseXYColumns = [](platform::Window, const std::string&, int kind, TImportColumns& c) {
    EXPECT_EQ(kind, 23);
    c.ImportColX = 1, c.ImportColY = 3;  // x, z
    return 1;
  };
  files.Answer((std::filesystem::path(ONDRAVIK_TEST_DATA_DIR) / "pspp_compressed.sav").string());
  ModalAnswer<TGenASCII> generate([](TGenASCII* g) { Choose(g, 1, 0, kEvalZ); });
  d.Button(kEvalGenerate)->click();
  ASSERT_EQ(Lines(), 6);
  const double xs[] = {1, 7, -1500, 0.25, 100, 2.5}, ys[] = {3.5, 9, 12, 0.01, 300, 4.5};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(d.Table().Row(i).x, xs[i]);
    EXPECT_EQ(d.Table().Row(i).y, ys[i]);
    EXPECT_EQ(Line(i).find("Error"), std::string::npos) << Line(i);
  }
  ImportReaders().ChooseXYColumns = nullptr;
}

}  // namespace
