#include "smooth/ui/view_data_window.h"

#include <QCheckBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/data_statistics.h"
#include "app/point_table.h"
#include "graph3d/graph_options.h"
#include "smooth/engines/smoothing_titles.h"

TViewDataNP::TViewDataNP(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, std::int32_t* addSurface,
                         std::unique_ptr<GraphOptionDialogs> dialogs)
    : TBaseNP(parent, setup, data, kHelpContext, std::move(dialogs), true),
      setup_(setup),
      addSurfaceSetting_(addSurface),
      addSurface_(*addSurface != 0) {
  setWindowTitle(tr("View X,Y,Z Data"));
  // The section dialog changes the program's data: their statistics and ranges follow it.
  GraphOptionContext& context = Context();
  context.sectionPreparesData = true;
  context.prepareDataForFit = [&data] { (void)PrepareDataForFit(data); };
  context.keepPreparedData = [&data] {
    return std::function<void()>([&data, kept = data.DataStats] { data.DataStats = kept; });
  };
  SetPrescan([&data] { (void)PrepareDataForFit(data); });

  Column()->addWidget(MakeButton(1, tr("OK"), [this] { accept(); }));
  Column()->addWidget(MakeButton(kCmSection, tr("S&ection"), [this] { (void)RunOptionCommand(kCmSection); }));
  // One check box "Add Surface" on one line: a box "Add" with a word "Surface" under it read
  // as a label broken in two.
  add_ = new QCheckBox(tr("A&dd Surface"), this);
  add_->setObjectName(QString::number(kAdd));
  add_->setChecked(addSurface_);
  connect(add_, &QCheckBox::clicked, this, [this](bool on) { SetAddSurface(on); });
  Column()->addWidget(add_);
  Column()->addWidget(ToolBar());
  Column()->addWidget(MakeButton(kHelp, tr("Help"), {}));
  Column()->addStretch(1);
  BuildSurface();
}

TViewDataNP::~TViewDataNP() {
  *addSurfaceSetting_ = addSurface_ ? 1 : 0;
  ClearSurface(*setup_);
}

void TViewDataNP::SetAddSurface(bool on) {
  addSurface_ = on;
  add_->setChecked(on);
  BuildSurface();
  Redraw(2);
}

void TViewDataNP::BuildSurface() {
  Renderer().EnableDrawing(false);
  ClearSurface(*setup_);
  engine_.reset();
  std::span<TXYZPoint> table = Table();
  PointTable copy = CopyPoints(table);
  // Collinear data and three points or fewer show the points alone.
  if (addSurface_ && table.size() > 4 && !IsCollinearXY(copy, false, nullptr)) {
    engine_ = std::make_unique<TNParm3D>(table, kNPOwnTriangulation, 1, 0, true);
    SetNPSurface(*setup_, [this] { return engine_.get(); }, kNPChoiceValue, TablePoints(Data().Table));
  }
  setup_->Points = TablePoints(Data().Table);
  if (setup_->PointsOpt != nullptr) setup_->PointsOpt->FitRecord = nullptr;
  (void)AttachSetup(setup_);
}
