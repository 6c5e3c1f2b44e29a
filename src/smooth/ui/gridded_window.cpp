#include "smooth/ui/gridded_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "platform/qt/qt_text.h"
#include "smooth/engines/smoothing_titles.h"

namespace {

const char* const kMethodTexts[T3DSpline::kMethods] = {"&B-Spline", "Bic&ubic+Akima", "Aki&ma III",
                                                       "B-Sp&l Var knots", "NURBS"};
const char* const kEditTexts[4] = {"Order &X", "Or&der Y", "&Knots X", "Knots &Y"};
constexpr bool kOrdersEnabled[T3DSpline::kMethods] = {true, false, false, true, true};
constexpr bool kKnotsEnabled[T3DSpline::kMethods] = {false, false, false, true, false};
constexpr const char* kEvaluationCaption = "Spline Estimation Evaluation";

}  // namespace

T3DSpline::T3DSpline(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, const TDataTitles& titles,
                     TNPGridSettings* settings, std::unique_ptr<GraphOptionDialogs> dialogs)
    : TDerivativeChoiceNP(parent, setup, data, titles, kHelpContext, std::move(dialogs)),
      settings_(settings),
      working_(ClampNPGridSettings(*settings, TNPGridSettingsKind::kGridded)) {
  setWindowTitle(tr("Non-Parametric Estimation of Gridded Data"));
  Context().evaluationCaption = kEvaluationCaption;
  // This window offers the first five methods.
  if (working_.method >= kMethods) working_.method = 0;
  (void)BuildEngine();

  auto* buttons = new QGridLayout;
  buttons->addWidget(MakeButton(1, tr("OK"), [this] { accept(); }), 0, 0);
  buttons->addWidget(MakeButton(kCmSection, tr("Sect&ion"), [this] { (void)RunOptionCommand(kCmSection); }), 0, 1);
  Column()->addLayout(buttons);

  auto* algorithm = new QGroupBox(tr("Algorithm"), this);
  auto* methodBox = new QVBoxLayout(algorithm);
  methodBox->setSpacing(1);
  auto* methodGroup = new QButtonGroup(this);
  for (int m = 0; m < kMethods; ++m) {
    QRadioButton* r = MakeRadio(methodGroup, algorithm, kFirstMethod + m, tr(kMethodTexts[m]), [this, m] { ClickMethod(m); });
    methodBox->addWidget(r);
    methods_[static_cast<std::size_t>(m)] = r;
  }
  Column()->addWidget(algorithm);

  auto* options = new QGroupBox(tr("Options"), this);
  auto* optionGrid = new QGridLayout(options);
  for (int which = 0; which < 4; ++which) {
    QLabel* label = new QLabel(tr(kEditTexts[which]), options);
    const int pageSteps = which < 2 ? 1 : 5;  // orders page by 1, knot counts by 5
    edits_[static_cast<std::size_t>(which)] = MakeEdit(kOrderX + which, pageSteps, [this, which] { EditChanged(which); });
    label->setBuddy(edits_[static_cast<std::size_t>(which)]);
    optionGrid->addWidget(label, which, 0);
    optionGrid->addWidget(edits_[static_cast<std::size_t>(which)], which, 1);
  }
  Column()->addWidget(options);

  AddColumnFoot(kFirstChoice);
  ShowFirstSurface();
}

std::array<std::int32_t, kNPGridSettingsMethods>& T3DSpline::Field(int which) {
  switch (which) {
    case 0: return working_.orderX;
    case 1: return working_.orderY;
    case 2: return working_.knotsX;
    default: return working_.knotsY;
  }
}

bool T3DSpline::BuildEngine() {
  const auto m = static_cast<std::size_t>(working_.method);
  engine_ = std::make_unique<TSpline3D>(Table(), working_.method, working_.orderX[m], working_.orderY[m],
                                        working_.knotsX[m], working_.knotsY[m], 0, 0, kRegridRenka, false);
  CopyBack();
  return true;  // the spline engine reports no progress, so nothing cancels it
}

void T3DSpline::CopyBack() {
  const auto m = static_cast<std::size_t>(working_.method);
  working_.orderX[m] = engine_->DegreeX();
  working_.orderY[m] = engine_->DegreeY();
  working_.knotsX[m] = engine_->LsqCoefX();
  working_.knotsY[m] = engine_->LsqCoefY();
}

void T3DSpline::RefreshEdits() {
  const auto m = static_cast<std::size_t>(working_.method);
  const int method = working_.method;
  WriteEdit(*edits_[0], engine_->MinDegreeX(method), engine_->MaxDegreeX(-1, method), working_.orderX[m]);
  WriteEdit(*edits_[1], engine_->MinDegreeY(method), engine_->MaxDegreeY(-1, method), working_.orderY[m]);
  WriteEdit(*edits_[2], engine_->MinCoefX(-1, -1, method), engine_->MaxCoefX(-1, method), working_.knotsX[m]);
  WriteEdit(*edits_[3], engine_->MinCoefY(-1, -1, method), engine_->MaxCoefY(-1, method), working_.knotsY[m]);
}

void T3DSpline::UpdateControls() {
  const int method = working_.method;
  for (int m = 0; m < kMethods; ++m) methods_[static_cast<std::size_t>(m)]->setChecked(m == method);
  UpdateChoiceControls();
  for (int which = 0; which < 4; ++which)
    edits_[static_cast<std::size_t>(which)]->setEnabled(which < 2 ? kOrdersEnabled[method] : kKnotsEnabled[method]);
}

std::string T3DSpline::NoSurfaceReason() const {
  return NoSurfaceText(QString(tr(kMethodTexts[working_.method])).remove('&').toStdString());
}

void T3DSpline::ClickMethod(int method) {
  if (Updating() || method < 0 || method >= kMethods) return;
  CancelRecompute();
  working_.method = method;
  chosen_.ChoseMethod();
  RunRecompute();
}

void T3DSpline::EditChanged(int which) {
  const std::optional<int> value = EditValue(*edits_[static_cast<std::size_t>(which)]);
  if (!value) return;
  Field(which)[static_cast<std::size_t>(working_.method)] = *value;
  chosen_.Chose(which, working_.method);
  ScheduleRecompute();
}

void T3DSpline::Recompute() {
  Renderer().EnableDrawing(false);
  const auto m = static_cast<std::size_t>(working_.method);
  engine_->SetOptions(working_.method, working_.orderX[m], working_.orderY[m], working_.knotsX[m], working_.knotsY[m]);
  CopyBack();
  RefreshEdits();
  AttachSurface();
  ShowStatistics();
}

void T3DSpline::accept() {
  if (!SettleForUse()) return;
  *settings_ = chosen_.Kept(*settings_, working_);
  TBaseNP::accept();
}
