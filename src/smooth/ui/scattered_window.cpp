#include "smooth/ui/scattered_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "platform/qt/qt_text.h"
#include "smooth/engines/smoothing_titles.h"

namespace {

const char* const kMethodTexts[16] = {"Aki&ma I", "Akima II", "Pre&usser", "&Renka I",
                                      "Ren&ka II", "Renka III", "&Watson", "Loess",
                                      "A", "B", "C", "D", "E", "F", "G", "H"};
constexpr const char* kEvaluationCaption = "Non-Parametric Estimation Evaluation";

// Whether each option edit takes input for the program's codes 0..7.
constexpr bool kOption1Enabled[8] = {false, false, true, true, true, false, true, true};
constexpr bool kOption2Enabled[8] = {false, false, false, true, true, true, true, true};

}  // namespace

T3DNParm::T3DNParm(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, const TDataTitles& titles,
                   TNPSettings* settings, std::unique_ptr<GraphOptionDialogs> dialogs)
    : TDerivativeChoiceNP(parent, setup, data, titles, kHelpContext, std::move(dialogs)),
      settings_(settings),
      working_(ClampNPSettings(*settings, TNPSettingsKind::kScattered)) {
  setWindowTitle(tr("Non-Parametric Estimation of Scattered Data"));
  Context().evaluationCaption = kEvaluationCaption;
  if (!BuildEngine()) {
    CancelOpening();
    return;
  }

  auto* buttons = new QGridLayout;
  buttons->addWidget(MakeButton(1, tr("OK"), [this] { accept(); }), 0, 0);
  buttons->addWidget(MakeButton(kCmSection, tr("Sect&ion"), [this] { (void)RunOptionCommand(kCmSection); }), 0, 1);
  Column()->addLayout(buttons);

  auto* algorithm = new QGroupBox(tr("Algorithm"), this);
  auto* methodGrid = new QGridLayout(algorithm);
  methodGrid->setSpacing(1);
  auto* methodGroup = new QButtonGroup(this);
  for (int code = 0; code < 16; ++code) {
    QRadioButton* r =
        MakeRadio(methodGroup, algorithm, kFirstMethod + code, tr(kMethodTexts[code]), [this, code] { ClickMethod(code); });
    methodGrid->addWidget(r, code % 8, code / 8);
    methods_[static_cast<std::size_t>(code)] = r;
  }
  Column()->addWidget(algorithm);

  auto* options = new QGroupBox(tr("Options"), this);
  auto* optionGrid = new QGridLayout(options);
  for (int which = 0; which < 2; ++which) {
    optionGrid->addWidget(MakeStatic(kOption1Label + which, which == 0 ? "C" : "Count"), which, 0);
    edits_[static_cast<std::size_t>(which)] = MakeEdit(kOption1 + which, 1, [this, which] { OptionEdited(which); });
    optionGrid->addWidget(edits_[static_cast<std::size_t>(which)], which, 1);
  }
  Column()->addWidget(options);

  AddColumnFoot(kFirstChoice);
  ShowFirstSurface();
}

bool T3DNParm::BuildEngine() {
  const auto m = static_cast<std::size_t>(working_.method);
  std::unique_ptr<TNParm3D> engine = MakeEngineWithProgress(working_.method, working_.option1[m], working_.option2[m]);
  if (!engine) return false;
  engine_ = std::move(engine);
  AdoptEngineMethod();
  return true;
}

void T3DNParm::AdoptEngineMethod() {
  // A method the engine could not run (its library missing) falls back to another: the
  // window shows and stores what the surface is.
  const int method = engine_->Method();
  if (method >= 0 && method < 16) working_.method = method;
  const auto m = static_cast<std::size_t>(working_.method);
  working_.option1[m] = engine_->Option1();
  working_.option2[m] = engine_->Option2();
}

void T3DNParm::RefreshEdits() {
  const auto m = static_cast<std::size_t>(working_.method);
  WriteEdit(*edits_[0], engine_->Option1Min(), engine_->Option1Max(), working_.option1[m]);
  WriteEdit(*edits_[1], engine_->Option2Min(), engine_->Option2Max(), working_.option2[m]);
}

void T3DNParm::UpdateControls() {
  const int method = working_.method;
  for (int code = 0; code < 16; ++code) methods_[static_cast<std::size_t>(code)]->setChecked(code == method);
  // An extension method stored while its library is not loaded keeps its button, checked:
  // the graph says why it has no surface.
  const int extensions = engine_->ExtMethodCount();
  for (int k = 0; k < kNPMaxExtensionMethods; ++k)
    methods_[static_cast<std::size_t>(8 + k)]->setVisible(k < extensions || 8 + k == method);
  UpdateChoiceControls();

  bool option1 = false, option2 = false;
  if (method < 8) {
    option1 = kOption1Enabled[method];
    option2 = kOption2Enabled[method] && !(method == kNPWatson && working_.option1[kNPWatson] == 0);
  } else {
    // An extension method's option takes input when its range holds more than one value.
    option1 = engine_->Option1Min() < engine_->Option1Max();
    option2 = engine_->Option2Min() < engine_->Option2Max();
  }
  edits_[0]->setEnabled(option1);
  edits_[1]->setEnabled(option2);

  auto* label1 = Control<QLabel>(kOption1Label);
  auto* label2 = Control<QLabel>(kOption2Label);
  if (method >= 8) {
    label1->setText(tr("Opt 1"));
    label2->setText(tr("Opt 2"));
  } else {
    label1->setText(method == kNPRenka1 ? tr("Cnstrn") : method == kNPLoess ? tr("Order") : tr("C"));
    label2->setText(method == kNPRenka1 || method == kNPWatson ? tr("Tension") : tr("Count"));
  }
}

std::string T3DNParm::NoSurfaceReason() const {
  const int method = working_.method;
  const std::string name = QString(tr(kMethodTexts[method])).remove('&').toStdString();
  if (method >= kNPExtensionFirst && method - kNPExtensionFirst >= engine_->ExtMethodCount())
    return engine_->ExtMethodCount() == 0
               ? "No Surface: Method " + name + " Needs an Extension Library, and None Is Loaded"
               : "No Surface: The Extension Library Has No Method " + name;
  return NoSurfaceText(name);
}

void T3DNParm::ClickMethod(int code) {
  if (Updating() || code < 0 || code >= 16) return;
  CancelRecompute();
  working_.method = code;
  chosen_.ChoseMethod();
  RunRecompute();
}

void T3DNParm::OptionEdited(int which) {
  const std::optional<int> value = EditValue(*edits_[static_cast<std::size_t>(which)]);
  if (!value) return;
  const auto m = static_cast<std::size_t>(working_.method);
  (which == 0 ? working_.option1 : working_.option2)[m] = *value;
  chosen_.Chose(which, working_.method);
  ScheduleRecompute();
}

void T3DNParm::Recompute() {
  Renderer().EnableDrawing(false);
  const auto m = static_cast<std::size_t>(working_.method);
  // Cancelled, the engine keeps the surface before: its method and options become the
  // window's again.
  (void)SetMethodWithProgress(*engine_, working_.method, working_.option1[m], working_.option2[m]);
  AdoptEngineMethod();
  RefreshEdits();
  AttachSurface();
  ShowStatistics();
}

void T3DNParm::accept() {
  if (!SettleForUse()) return;
  *settings_ = chosen_.Kept(*settings_, working_);
  TBaseNP::accept();
}
