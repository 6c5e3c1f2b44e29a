#include "tools/ui/evaluation_dialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "app/c_format.h"
#include "app/data_files.h"
#include "app/file_utils.h"
#include "app/import_readers.h"
#include "app/long_double.h"
#include "app/settings_file.h"
#include "app/ui/number_field.h"
#include "app/ui/progress_window.h"
#include "fit/confidence_limits.h"
#include "graph3d/ui/evaluation_progress.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "tools/ui/generation_dialogs.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

constexpr int kTextCapacity = 16384;
constexpr int kInputEditLimit = 12;
constexpr std::size_t kInputChars = 19;
constexpr int kLastExtEvalTable = 7;  // LastExtensions 8: the data tools' save dialogs

constexpr int kSaveCaption = 3362;
constexpr int kReadColumnsCaption = 3363;
constexpr int kNoValuesRead = 3364;
constexpr int kGeneratedCaption = 3365;
constexpr int kGeneratedFileCaption = 3366;
constexpr int kComputingRoots = 3367;
constexpr int kComputingIntegral = 3368;
constexpr int kReading = 3073;
constexpr int kSaving = 3089;
constexpr int kWritingData = 3090;
constexpr int kUnableToWrite = 3075;

constexpr const char* kSaveFilter =
    "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|Lotus [wk1]|*.wk1|Lotus [wk3]|*.wk3|OKAP  [sav]|*.sav|";
constexpr const char* kGenerateFilter = "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|";

struct TButtonText {
  int id;
  const char* text;
};
constexpr TButtonText kComputeButtons[] = {
    {560, "&Z = F(X,Y)"},          {561, "&X = Root at Z,Y"},       {562, "&Y = Root at Z,X"},
    {568, "Z = &Volume X,X2 Y,Y2"}, {563, "Z = &dZ/dX at X,Y"},      {564, "Z = dZ/dY &at X,Y"},
    {565, "Z = d&2Z/dX2 at X,Y"},  {566, "Z = d2Z/dY2 a&t X,Y"},    {567, "Z = d2Z&/dXdY at X,Y"},
};
constexpr TButtonText kTableButtons[] = {
    {336, "&Clear Table"}, {365, "&Save X,Y,Z"}, {362, "C&opy X,Y,Z"}, {569, "&Generate Table"}};

}  // namespace

TDlgEval::TDlgEval(QWidget* parent, const std::string& title, TEvalSurface surface, TDataSession& session)
    : TDlgScrWin(parent, FromCp1252(title), kTextCapacity, kMenuTextSavePrint),
      computer_(std::move(surface)),
      session_(session) {
  setWindowTitle("Evaluate");
  setObjectName("TDlgEval");
  table_ = std::make_unique<TEvalTable>(Hosted() ? Hosted()->Lines() : ownLines_);

  auto* fields = new QGridLayout;
  const char* labels[5] = {"X:", "Y:", "Z:", "X2:", "Y2:"};
  const int rows[5] = {0, 1, 2, 0, 1}, columns[5] = {0, 0, 0, 2, 2};
  for (int i = 0; i < 5; ++i) {
    QLineEdit*& edit = inputs_[static_cast<std::size_t>(i)];
    edit = new QLineEdit(this);
    edit->setObjectName(QString("edit%1").arg(kEvalInputX + i));
    edit->setMaxLength(kInputEditLimit);
    edit->setMinimumWidth(110);
    auto* label = new QLabel(labels[i], this);
    label->setBuddy(edit);
    fields->addWidget(label, rows[i], columns[i]);
    fields->addWidget(edit, rows[i], columns[i] + 1);
  }
  conf_ = new QCheckBox("Conf&Lim", this);
  conf_->setObjectName("button882");
  pred_ = new QCheckBox("&PredLim", this);
  pred_->setObjectName("button883");
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(conf_);
  boxes->addWidget(pred_);
  fields->addLayout(boxes, 2, 2, 1, 2);
  connect(conf_, &QCheckBox::clicked, this, [this] { SetLimitsMode(CurrentSettings().EvalLimitsMode == 1 ? 0 : 1); });
  connect(pred_, &QCheckBox::clicked, this, [this] { SetLimitsMode(CurrentSettings().EvalLimitsMode == 2 ? 0 : 2); });

  const auto button = [this](const TButtonText& b) {
    auto* w = new QPushButton(b.text, this);
    w->setObjectName(QString("button%1").arg(b.id));
    // Enter in an input field never presses a button (nor closes the dialog).
    w->setAutoDefault(false);
    connect(w, &QPushButton::clicked, this, [this, id = b.id] { Command(id); });
    return w;
  };
  auto* compute = new QGridLayout;
  for (int i = 0; i < 9; ++i) compute->addWidget(button(kComputeButtons[i]), i < 4 ? i : i - 4, i < 4 ? 0 : 1);
  auto* table = new QGridLayout;
  for (int i = 0; i < 4; ++i) table->addWidget(button(kTableButtons[i]), i / 2, i % 2);
  auto* closing = new QHBoxLayout;
  closing->addStretch();
  closing->addWidget(button({9, "Help"}));
  closing->addWidget(button({1, "OK"}));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addSpacing(6);
  layout->addLayout(compute);
  layout->addSpacing(6);
  layout->addLayout(table);
  layout->addSpacing(6);
  layout->addLayout(closing);
}

TDlgEval::~TDlgEval() = default;

QPushButton* TDlgEval::Button(int id) const { return findChild<QPushButton*>(QString("button%1").arg(id)); }

void TDlgEval::SetupWindow() {
  TDlgScrWin::SetupWindow();
  ShowLimitBoxes();
  const auto& values = CurrentSettings().EvalInputs;
  for (std::size_t i = 0; i < inputs_.size(); ++i)
    // Whole: "-3.3333333e-08" is wider than the twelve characters a user types, and cut to
    // them it read as -3.3333333.
    if (!IsMissingValue(values[i])) ShowFromFirstDigit(*inputs_[i], QString::fromLatin1(CFormat("%.8Lg", values[i])));
  SelectInput(0);
}

void TDlgEval::keyPressEvent(QKeyEvent* event) {
  // Enter completes a typed value; only the buttons compute, and only OK closes. On a
  // button that has the focus it presses that button.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && FocusedButton() == nullptr) {
    event->accept();
    return;
  }
  TDlgScrWin::keyPressEvent(event);
}

void TDlgEval::Command(int id) {
  constexpr int first = kEvalButtonZ;  // the button of mode m is first + m
  switch (id) {
    case first + kEvalZ:
    case first + kEvalDzDx:
    case first + kEvalDzDy:
    case first + kEvalD2zDx2:
    case first + kEvalD2zDy2:
    case first + kEvalD2zDxDy: EvaluateAt(id - first); break;
    case first + kEvalRootX: CmRoot(kEvalRootX); break;
    case first + kEvalRootY: CmRoot(kEvalRootY); break;
    case kEvalButtonVolume: CmVolume(); break;
    case kEvalClearTable: CmClearTable(); break;
    case kEvalSaveTable: CmSaveTable(); break;
    case kEvalCopyTable: CmCopyTable(); break;
    case kEvalGenerate: CmGenerateTable(); break;
    case 9: platform::ShowHelp(ToWindow(this), kEvaluationHelpContext); break;
    case 1: accept(); break;
    default: break;
  }
}

// ---------------------------------------------------------------------------------------
// Inputs and limits

bool TDlgEval::ReadField(int field, long double& value) {
  const std::string text = ToCp1252(inputs_[static_cast<std::size_t>(field)]->text());
  bool read = false;
  {
    // An input is a statement, which can run for long: Cancel stops it like a refused one.
    const TEvaluationProgress progress(this, windowTitle(), QStringLiteral("Calculation in Progress"));
    read = ReadEntryValue(text, kInputChars, value);
  }
  if (read) return true;
  SelectInput(field);
  return false;
}

void TDlgEval::SelectInput(int field) {
  QLineEdit* edit = inputs_[static_cast<std::size_t>(std::clamp(field, 0, 4))];
  edit->setFocus();
  SelectFromFirstDigit(*edit);
}

void TDlgEval::SetLimitsMode(int mode) {
  CurrentSettings().EvalLimitsMode = mode;
  ShowLimitBoxes();
}

void TDlgEval::ShowLimitBoxes() {
  const bool available = computer_.Surface().LimitsAvailable();
  const int mode = CurrentSettings().EvalLimitsMode;
  conf_->setChecked(available && mode == 1);
  pred_->setChecked(available && mode == 2);
  conf_->setEnabled(available);
  pred_->setEnabled(available);
}

TEvalLimitChoice TDlgEval::LimitChoice() const {
  const int mode = CurrentSettings().EvalLimitsMode;
  const EvalLimits limits = mode == 1 ? EvalLimits::kConfidence : mode == 2 ? EvalLimits::kPrediction : EvalLimits::kNone;
  return MakeLimitChoice(limits, LimitsLevelText(LimitsLevelIndex()));
}

// ---------------------------------------------------------------------------------------
// Computations

void TDlgEval::AddLine(const TEvalLine& line) {
  const int index = table_->Add(line);
  if (TScrWin* text = Hosted()) {
    text->UpdateScrollRanges();
    text->View()->viewport()->update();
  }
  if (index < 0) {
    TellTableFull();
    return;
  }
  ScrollToLine(index);
}

void TDlgEval::TellTableFull() {
  ErrorBox(ToWindow(this), "Evaluate",
           CFormat("The Table Holds at Most %d Lines\nClear the Table to Go On", kTextCapacity));
}

void TDlgEval::EvaluateAt(int mode) {
  long double x = 0, y = 0, z = 0;
  if (!ReadField(0, x) || !ReadField(1, y)) return;
  auto& inputs = CurrentSettings().EvalInputs;
  inputs[0] = x, inputs[1] = y;
  computer_.Compute(x, y, z, mode);
  AddLine(MakeEvalLine(computer_.Surface(), LimitChoice(), mode, x, y, z));
  focusField_ = 0;
  SelectInput(0);
}

void TDlgEval::CmRoot(int mode) {
  const bool inX = mode == kEvalRootX;
  long double known = 0, z = 0;
  if (!ReadField(inX ? 1 : 0, known) || !ReadField(2, z)) return;
  auto& inputs = CurrentSettings().EvalInputs;
  inputs[inX ? 1 : 0] = known;
  inputs[2] = z;
  ShowBusyMsg(ToWindow(this), EvalModeLabel(mode), platform::LoadString(kComputingRoots), 1);
  const TEvalSurface& s = computer_.Surface();
  TRootCandidates list;
  if (inX)
    computer_.RootSearchX(z, known, s.xMin, s.xMax, list);
  else
    computer_.RootSearchY(z, known, s.yMin, s.yMax, list);
  HideBusyMsg();
  const TEvalLimitChoice limits = LimitChoice();
  bool any = false;
  const auto add = [&](long double root) {
    AddLine(inX ? MakeEvalLine(s, limits, mode, root, known, z) : MakeEvalLine(s, limits, mode, known, root, z));
  };
  for (long double root : list) {
    if (IsMissingValue(root)) continue;
    any = true;
    add(root);
  }
  if (!any) add(ExprErrorValue);
  focusField_ = 3;
  SelectInput(3);
}

void TDlgEval::CmVolume() {
  long double x = 0, y = 0, x2 = 0, y2 = 0;
  if (!ReadField(0, x) || !ReadField(1, y) || !ReadField(3, x2) || !ReadField(4, y2)) return;
  if (!(x < x2)) {
    SelectInput(0);
    return;
  }
  if (!(y < y2)) {
    SelectInput(1);
    return;
  }
  auto& inputs = CurrentSettings().EvalInputs;
  inputs[0] = x, inputs[1] = y, inputs[3] = x2, inputs[4] = y2;
  ShowBusyMsg(ToWindow(this), "", platform::LoadString(kComputingIntegral), 1);
  const TVolumeResult v = computer_.Volume(x, x2, y, y2);
  HideBusyMsg();
  TEvalLine line;
  line.x = x, line.y = y, line.z = v.value;
  line.label = IsMissingValue(v.value) || IsMissingValue(v.error)
                   ? CFormat("Z=Volume X,%.6Lg Y,%.6Lg", x2, y2)
                   : CFormat("Z=Volume X,%.6Lg Y,%.6Lg [%.3Lg]", x2, y2, v.error);
  AddLine(line);
  focusField_ = 4;
  SelectInput(4);
}

// ---------------------------------------------------------------------------------------
// The table

void TDlgEval::CmClearTable() {
  table_->Clear();
  ClearLines();
  ScrollToLine(0);
  SelectInput(focusField_);
}

void TDlgEval::CmSaveTable() {
  if (table_->LineCount() == 0) return;
  std::string& saveExt = CurrentSettings().LastExtensions[kLastExtEvalTable];
  std::string path, ext;
  if (FileSaveDlg(ToWindow(this), platform::LoadString(kSaveCaption), path, &ext, "DAT", kSaveFilter,
                  std::max(ExtensionKind(saveExt), 1)) != 1)
    return;
  saveExt = ext;
  ShowBusyMsgId(ToWindow(this), kSaveCaption, kSaving, 1);
  TSavWriteResult sav;
  const EvalSaveStatus status = SaveEvalTable(*table_, path, ImportReaders().WriteSavPoints, &sav);
  HideBusyMsg();
  switch (status) {
    case EvalSaveStatus::kWritten: break;
    case EvalSaveStatus::kCannotWrite: ErrorBox(ToWindow(this), path, SaveFailureText(path, kUnableToWrite)); break;
    case EvalSaveStatus::kSavTooFewRows:
      ErrorBox(ToWindow(this), path, "A .sav File Needs at Least 3 Rows with X, Y and Z\nNothing Was Written");
      break;
    case EvalSaveStatus::kSavUnavailable:
      ErrorBox(ToWindow(this), path, "This Program Has No .sav Writer\nNothing Was Written");
      break;
    case EvalSaveStatus::kSavValueNotHeld: ErrorBox(ToWindow(this), path, SavRefusalText(sav)); break;
  }
  SelectInput(focusField_);
}

void TDlgEval::CmCopyTable() {
  const std::string text = table_->TextBlock();
  if (text.empty()) return;
  auto* data = new QMimeData;
  data->setText(QString::fromLatin1(text));
  for (int form : {3, 1}) {
    const std::vector<std::uint8_t> image = table_->WorksheetImage(form);
    if (!image.empty())
      data->setData(form == 1 ? kMimeWk1 : kMimeWk3,
                    QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size())));
  }
  QGuiApplication::clipboard()->setMimeData(data);
}

// ---------------------------------------------------------------------------------------
// Generation

void TDlgEval::CmGenerateTable() {
  ProgramSettings& settings = CurrentSettings();
  TGenChoice choice{settings.GenSource, settings.GenDest, settings.GenMode};
  if (ExecuteAndDelete(new TGenASCII(this, choice)) != QDialog::Accepted) return;
  settings.GenSource = choice.source;
  settings.GenDest = choice.destination;
  settings.GenMode = choice.mode;
  TEvalInputs inputs;
  if (choice.source == 0) {
    inputs = AskGenerationRange(choice.mode);
    if (inputs.empty()) return;
  } else {
    int cancelled = 0;
    const std::string_view caption = platform::LoadString(kReadColumnsCaption);
    TPairsLeftOut leftOut;
    inputs = ReadXYColumns(session_, ToWindow(this), caption, cancelled, &leftOut);
    if (inputs.empty() || inputs[0].first < 1) {
      ErrorBox(ToWindow(this), caption, platform::LoadString(kNoValuesRead));
      return;
    }
    // Told before the pairs are computed: how many of the file's pairs are left out and
    // where the pairs read stop.
    if (leftOut.Any()) InfoBox(ToWindow(this), caption, FilePairsLeftOutText(leftOut, inputs, GenAxisLabels(choice.mode)));
  }
  if (choice.destination == 0)
    GenerateToTable(choice.mode, inputs);
  else
    GenerateToFile(choice.mode, inputs);
}

TEvalInputs TDlgEval::AskGenerationRange(int mode) {
  TGenRange range = InitialGenRange(mode, computer_.Surface());
  const TGenAxisLabels labels = GenAxisLabels(mode);
  TGenParmsTexts texts;
  texts.axis1 = labels.first;
  texts.axis2 = labels.second;
  if (ExecuteAndDelete(new TGenParms(this, texts, range)) != QDialog::Accepted) return {};
  TGridInputs grid = MakeGridInputs(range[kGenStart1], range[kGenIncrement1], range[kGenEnd1], range[kGenStart2],
                                    range[kGenIncrement2], range[kGenEnd2]);
  // Told before the pairs are computed: how many of the grid's points are left out and
  // where the generated data stop.
  if (grid.truncated)
    InfoBox(ToWindow(this), ToCp1252(texts.caption),
            GridCutText(GridInputsCut(grid), "Generated Data", labels.first, labels.second));
  return std::move(grid.list);
}

void TDlgEval::GenerateToTable(int mode, const TEvalInputs& inputs) {
  const int first = table_->LineCount();
  TGenOutcome outcome;
  {
    TProgressWindow progress(this, FromCp1252(platform::LoadString(kGeneratedCaption)),
                                 FromCp1252(platform::LoadString(kWritingData)));
    outcome = ::GenerateToTable(computer_, LimitChoice(), mode, inputs, *table_,
                                [&](int done, int total) { return progress.Step(done, total); });
  }
  if (TScrWin* text = Hosted()) {
    text->UpdateScrollRanges();
    text->View()->viewport()->update();
  }
  ScrollToLine(first);
  // How many inputs found no room, and where the table's lines stop.
  if (outcome.tableFull)
    ErrorBox(ToWindow(this), "Evaluate", TableFullText(outcome, inputs, GenAxisLabels(mode), kTextCapacity));
  const std::string losses = GenerationLossText(outcome, LimitChoice(), false);
  if (!losses.empty()) InfoBox(ToWindow(this), platform::LoadString(kGeneratedCaption), losses);
}

void TDlgEval::GenerateToFile(int mode, const TEvalInputs& inputs) {
  std::string path, ext;
  if (FileSaveDlg(ToWindow(this), platform::LoadString(kGeneratedFileCaption), path, &ext, "DAT", kGenerateFilter, 2) != 1)
    return;
  std::string text;
  TGenOutcome outcome;
  {
    TProgressWindow progress(this, FromCp1252(FileNameToCodedText(path)), FromCp1252(platform::LoadString(kWritingData)));
    outcome = GenerateFileText(computer_, LimitChoice(), mode, inputs, text,
                               [&](int done, int total) { return progress.Step(done, total); });
  }
  // A cancelled generation writes nothing: half a file would pass for a whole one.
  if (outcome.cancelled) return;
  const std::string losses = GenerationLossText(outcome, LimitChoice(), true);
  if (outcome.written == 0) {
    ErrorBox(ToWindow(this), path,
             outcome.noBand > 0 ? losses + "\nNothing Was Written" : "No Input Gave a Value\nNothing Was Written");
    return;
  }
  if (!SaveGlobalToFile(text, path)) {
    ErrorBox(ToWindow(this), path, SaveFailureText(path, kUnableToWrite));
    return;
  }
  // The file holds the lines that could be written whole: the user hears what it lacks.
  if (!losses.empty()) InfoBox(ToWindow(this), path, losses);
  const std::string title = FileNameToCodedText(path);
  // The window tells the user itself when the file cannot be shown.
  (void)OpenTextFileWindow(this, path, FromCp1252(title), outcome.written, kMenuTextFull, kFontSlotFileViewer, title,
                           std::string(platform::LoadString(kReading)), TextWindowHold::Nothing, FileTildes::kLiteral);
}

void RunEvaluationTable(QWidget* parent, const std::string& title, TEvalSurface surface, TDataSession& session) {
  auto* dialog = new TDlgEval(parent, title, std::move(surface), session);
  // Its opener may have worked a while first (the review refits its rank with the matrices
  // of the limits): a click on its way to the window before it must not land on a button.
  GuardAgainstEarlyClicks(dialog);
  (void)ExecuteAndDelete(dialog);
}
