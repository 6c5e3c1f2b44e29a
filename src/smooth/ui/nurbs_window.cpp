#include "smooth/ui/nurbs_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "graph3d/graph_options.h"

namespace {

const char* const kDegreeTexts[8] = {"&2/2", "3/3 [&Bicubic]", "&4/4", "&5/5", "&6/6", "&7/7", "&8/8", "&9/9"};

}  // namespace

T3DSmoothNurbs::T3DSmoothNurbs(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, TNPGridSettings* settings,
                               std::unique_ptr<GraphOptionDialogs> dialogs)
    : TBaseNP(parent, setup, data, kHelpContext, std::move(dialogs)),
      settings_(settings),
      working_(ClampNPGridSettings(*settings, TNPGridSettingsKind::kNurbs)),
      setup_(setup) {
  setWindowTitle(tr("NURBS XYZ Data Smoothing"));
  const auto m = static_cast<std::size_t>(working_.method);
  engine_ = std::make_unique<TSpline3D>(Table(), working_.method, working_.orderX[m], working_.orderY[m],
                                        kLsqCoefficients, kLsqCoefficients, 0, 0, kRegridRenka, false);
  CopyBack();

  auto* top = new QGridLayout;
  top->addWidget(MakeButton(1, tr("OK"), [this] { accept(); }), 0, 0);
  top->addWidget(MakeButton(2, tr("Cancel"), [this] { reject(); }), 0, 1);
  Column()->addLayout(top);
  auto* order = new QGroupBox(tr("Order"), this);
  auto* grid = new QGridLayout(order);
  grid->setSpacing(1);
  auto* group = new QButtonGroup(this);
  for (int k = 0; k < 8; ++k) {
    QRadioButton* r = MakeRadio(group, order, kFirstDegree + k, tr(kDegreeTexts[k]), [this, k] { ClickDegree(k + 2); });
    grid->addWidget(r, k, 0);
    buttons_[static_cast<std::size_t>(k)] = r;
  }
  Column()->addWidget(order);
  Column()->addWidget(MakeStatisticsGroup());
  Column()->addWidget(MakeButton(kHelp, tr("Help"), {}));
  Column()->addStretch(1);

  AttachSurface();
  SetPickingEnabled(false);
  TUpdating updating(*this);
  UpdateControls();
  ShowStatistics();
}

T3DSmoothNurbs::~T3DSmoothNurbs() { ClearSurface(*setup_); }

void T3DSmoothNurbs::AttachSurface() {
  surfaceShown_ = AttachSmoothing(*setup_, [this] { return engine_.get(); }, stdErr_, NoSurfaceText("NURBS"));
}

void T3DSmoothNurbs::CopyBack() {
  const auto m = static_cast<std::size_t>(std::clamp(working_.method, 0, kNPGridSettingsMethods - 1));
  working_.orderX[m] = engine_->DegreeX();
  working_.orderY[m] = engine_->DegreeY();
  working_.knotsX[m] = engine_->LsqCoefX();
  working_.knotsY[m] = engine_->LsqCoefY();
}

void T3DSmoothNurbs::UpdateControls() {
  const auto m = static_cast<std::size_t>(working_.method);
  const int largest = std::min(engine_->MaxDegreeX(), engine_->MaxDegreeY());
  for (int k = 0; k < 8; ++k) {
    QRadioButton* b = buttons_[static_cast<std::size_t>(k)];
    b->setChecked(working_.orderX[m] == k + 2);
    b->setEnabled(k + 2 <= largest);
  }
}

void T3DSmoothNurbs::ShowStatistics() {
  ShowStatisticsValues(engine_->HasSurface(), engine_->ShownSse(), engine_->RSquared());
}

void T3DSmoothNurbs::ClickDegree(int degree) {
  if (Updating() || degree < 2 || degree > 9) return;
  CancelRecompute();
  working_.method = kGridNurbsCubic;
  working_.orderX[kGridNurbsCubic] = working_.orderY[kGridNurbsCubic] = degree;
  chosen_.ChoseMethod();
  chosen_.Chose(kNPOrderXField, kGridNurbsCubic);
  chosen_.Chose(kNPOrderYField, kGridNurbsCubic);
  RunRecompute();
}

void T3DSmoothNurbs::Recompute() {
  Renderer().EnableDrawing(false);
  const auto m = static_cast<std::size_t>(working_.method);
  engine_->SetOptions(working_.method, working_.orderX[m], working_.orderY[m], kLsqCoefficients, kLsqCoefficients);
  CopyBack();
  {
    TUpdating updating(*this);
    UpdateControls();
  }
  ShowStatistics();
  if (engine_->HasSurface() != surfaceShown_) {
    AttachSurface();  // the surface came or went: the graph is handed anew
    return;
  }
  stdErr_ = ResidualBandReference(*engine_);
  Renderer().EnableDrawing(true);
  Renderer().RecomputeScales();
}

void T3DSmoothNurbs::accept() {
  if (!SettleForUse()) return;
  *settings_ = chosen_.Kept(*settings_, working_);
  if (ReplaceDataZ(engine_->SmoothedPoints(), "NURBS XYZ Data Smoothing") && smoothedOut_ != nullptr)
    *smoothedOut_ = true;
  TBaseNP::accept();
}
