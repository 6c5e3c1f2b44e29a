#include "graph3d/ui/data_view_window.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/background_fit_hold.h"
#include "app/data_signature.h"
#include "app/data_statistics.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/main_window.h"
#include "fit/session.h"
#include "graph3d/graph_options.h"
#include "graph3d/point_toggling.h"
#include "graph3d/title_set.h"
#include "platform/help.h"
#include "platform/qt/qt_text.h"

namespace {

struct Button {
  int id;
  const char* text;
};
constexpr Button kButtons[] = {{kCmViewOptions, "3D &View"}, {kCmScaling, "&Scaling"},
                               {kCmAnimate, "&Animate"},     {kCmTitles, "&Titles"},
                               {kCmGraphFont, "&Font"},      {kCmColors, "C&olors"},
                               {kCmPointsOptions, "Poi&nts"}, {kCmSection, "Sec&tion"},
                               {362, "&Copy"},               {380, "&Print"}};

}  // namespace

TViewData::TViewData(QWidget* parent, T3DGraphSetup* setup, GraphOptionContext context,
                     std::unique_ptr<GraphOptionDialogs> dialogs, TOwnLayout)
    : T3DDlgSW(parent, setup),
      context_(std::move(context)),
      dialogs_(dialogs ? std::move(dialogs) : std::make_unique<GraphOptionDialogs>()) {}

TViewData::TViewData(QWidget* parent, T3DGraphSetup* setup, GraphOptionContext context,
                     std::unique_ptr<GraphOptionDialogs> dialogs)
    : TViewData(parent, setup, std::move(context), std::move(dialogs), TOwnLayout{}) {
  setWindowTitle(tr("View X,Y,Z Data"));
  auto* column = new QVBoxLayout;
  auto add = [&](int id, const char* text, std::function<void()> action) {
    auto* b = new QPushButton(tr(text), this);
    b->setObjectName(QString::number(id));  // the click zones find the buttons by id
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, std::move(action));
    column->addWidget(b);
  };
  auto* ok = new QPushButton(tr("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  column->addWidget(ok);
  for (const Button& b : kButtons) {
    if (b.id == 362) {
      add(b.id, b.text, [this] { CopyGraph(); });
    } else if (b.id == 380) {
      add(b.id, b.text, [this] { PrintGraph(); });
    } else {
      add(b.id, b.text, [this, id = b.id] { (void)RunOptionCommand(id); });
    }
  }
  add(9, "Help", [this] { platform::ShowHelp(platform::qt::ToWindow(this), kHelpContext); });
  column->addStretch(1);
  auto* graph = new QVBoxLayout;
  graph->setSpacing(4);
  graph->addWidget(Pane(), 1);
  graph->addWidget(StatusStrip());
  auto* top = new QHBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  top->addLayout(graph, 1);
  top->addLayout(column);
}

GraphOptionResult TViewData::RunOptionCommand(int id) {
  const GraphOptionResult r = RunGraphOptionCommand(*this, id, *dialogs_, context_);
  viewChanged_ = viewChanged_ || r.viewChanged;
  dataChanged_ = dataChanged_ || r.dataChanged;
  return r;
}

void TViewData::done(int result) {
  (void)FinishPointEdits();  // answers true: nothing keeps the window open
  T3DDlgSW::done(result);
}

void RegisterDataViewCommand(TSession& session) {
  if (HasCommandHandler(CmDataGraph)) return;
  RegisterCommand(CmDataGraph, [&session] {
    TGraphOptions options(CurrentSettings(), kGraphDataStatus, kPointsDataStatus, kPlaceDataView);
    T3DGraphSetup& setup = options.Setup();
    SetGraphTitlesFromData(options.titles, session.DataTitles());
    TDataTable& table = session.Table;
    setup.Points = TablePoints(table);
    SetDataRanges(setup.Scaling, session.DataStats);
    GraphOptionContext context;
    context.mutablePoints = [&table] { return table.XYZData().first(static_cast<std::size_t>(table.XYZRows()) + 1); };
    context.tableMutex = &table.Mutex();
    // Statuses changed in the window may come back as they were (a section cancelled after
    // an Apply): the fit results are judged when it closes.
    context.stopBackgroundFit = [] { HoldBackgroundFit(); };
    context.prepareDataForFit = [&session] { (void)PrepareDataForFit(session); };
    context.keepPreparedData = [&session] {
      return std::function<void()>([&session, kept = session.DataStats] { session.DataStats = kept; });
    };
    auto* window = new TViewData(MainWindow, &setup, std::move(context));
    window->SetPointToggler(MakeDataPointToggler(session, HoldBackgroundFit));
    window->SetPrescan([&session] { (void)PrepareDataForFit(session); });
    window->resize(800, 600);
    const std::uint64_t before = DataSignature(table.XYZData());
    window->Execute();
    (void)SettleBackgroundFitHold(session, before);  // a changed table is pre-scanned
    options.StoreBack();
  });
}
