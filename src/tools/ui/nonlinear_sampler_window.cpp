#include "tools/ui/nonlinear_sampler_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/graph_option_commands.h"
#include "platform/help.h"
#include "platform/qt/qt_text.h"

namespace {

constexpr long double kSampleRange = 100;

int IndexOf(const auto& choices, int id) {
  for (const TNLSampleChoice& c : choices)
    if (c.id == id) return c.index;
  return 0;
}

QPushButton* AddButton(QWidget* owner, int id, const char* text) {
  auto* b = new QPushButton(QObject::tr(text), owner);
  b->setObjectName(QString::number(id));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TNLSamp::TNLSamp(QWidget* parent, T3DGraphSetup* setup, int& code) : T3DDlg(parent, setup), code_(code) {
  setObjectName("TNLSamp");
  setWindowTitle(tr("Non-Linear Sampler"));

  // Radio buttons that are not grouped by Qt: the window checks them itself, as it does
  // after every click. Families stand in two columns of seven, forms in two of three.
  auto choiceBox = [this](const auto& choices, auto& buttons, int rows) {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(2);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      const TNLSampleChoice& c = choices[i];
      auto* r = new QRadioButton(tr(c.label), box);
      r->setObjectName(QString::number(c.id));
      r->setAutoExclusive(false);
      connect(r, &QRadioButton::clicked, this, [this, id = c.id] { Choose(id); });
      grid->addWidget(r, static_cast<int>(i) % rows, static_cast<int>(i) / rows);
      buttons[i] = r;
    }
    return box;
  };
  QGroupBox* familyBox = choiceBox(kNLSampleFamilies, families_, 7);
  QGroupBox* formBox = choiceBox(kNLSampleForms, forms_, 3);
  invert_ = new QCheckBox(tr("Invert "), this);
  invert_->setObjectName(QString::number(kNLSampleInvertBox));
  connect(invert_, &QCheckBox::clicked, this, [this] { Choose(kNLSampleInvertBox); });

  auto* options = new QGridLayout;
  const struct {
    int id;
    const char* text;
  } kOptions[] = {{kCmGraphType, "&3D Type"}, {kCmViewOptions, "3D &View"}, {kCmColors, "C&olors"}};
  int n = 0;
  for (const auto& o : kOptions) {
    QPushButton* b = AddButton(this, o.id, o.text);
    connect(b, &QPushButton::clicked, this, [this, id = o.id] {
      GraphOptionDialogs dialogs;
      (void)RunGraphOptionCommand(*this, id, dialogs, GraphOptionContext{});
    });
    options->addWidget(b, 0, n++);
  }
  QPushButton* help = AddButton(this, 9, "Help");
  QPushButton* ok = AddButton(this, 1, "OK");
  ok->setDefault(true);
  connect(help, &QPushButton::clicked, this,
          [this] { platform::ShowHelp(platform::qt::ToWindow(this), kHelpContext); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* endings = new QHBoxLayout;
  endings->addWidget(help);
  endings->addStretch(1);
  endings->addWidget(ok);

  auto* side = new QVBoxLayout;
  side->addWidget(familyBox);
  side->addWidget(formBox);
  side->addWidget(invert_);
  side->addStretch(1);
  side->addLayout(options);
  side->addLayout(endings);
  auto* top = new QHBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  top->addWidget(Pane(), 1);
  top->addLayout(side);

  // The renderer drew its first grid from the code as it was handed in.
  code_ = NLSampleCode(0, 0, false);
  Renderer().Recompute();
}

QRadioButton* TNLSamp::Button(int id) const {
  for (QRadioButton* r : families_)
    if (r->objectName() == QString::number(id)) return r;
  for (QRadioButton* r : forms_)
    if (r->objectName() == QString::number(id)) return r;
  return nullptr;
}

void TNLSamp::SetupWindow() {
  T3DDlg::SetupWindow();
  ShowChoice();
}

void TNLSamp::ShowChoice() {
  for (QRadioButton* r : families_) r->setChecked(r->objectName() == QString::number(family_));
  for (QRadioButton* r : forms_) r->setChecked(r->objectName() == QString::number(form_));
  invert_->setChecked(inverted_);
}

void TNLSamp::Choose(int id) {
  if (id >= kNLSampleFamilies.front().id && id <= kNLSampleFamilies.back().id)
    family_ = id;
  else if (id >= kNLSampleForms.front().id && id <= kNLSampleForms.back().id)
    form_ = id;
  else if (id == kNLSampleInvertBox)
    inverted_ = !inverted_;
  else
    return;
  code_ = NLSampleCode(IndexOf(kNLSampleFamilies, family_), IndexOf(kNLSampleForms, form_), inverted_);
  ShowChoice();
  ++recomputes_;
  Renderer().Recompute();
  Redraw(2);
}

void SetSamplerGraph(T3DGraphSetup& setup, T3DTitleSet& titles, const int& code) {
  setup.SurfaceFn = [&code](long double x, long double y) { return EvalNLSample(code, x, y); };
  setup.Points = nullptr;
  setup.LimitFn = nullptr;
  setup.ResidualMode = 0;
  T3DScalingBlock& s = setup.Scaling;
  for (std::size_t a = 0; a < 3; ++a) {
    s.DataLow[a] = s.AxisLow[a] = 0;
    s.DataHigh[a] = s.AxisHigh[a] = kSampleRange;
    s.Zoom[a] = 1;
  }
  titles.Lines = {};
  titles.AxisTitles = {};
  titles.LineCoded = {};
  titles.AxisCoded = {};
}

void CmNLSamples(QWidget* parent, ProgramSettings& settings) {
  CloseDataStatus();
  TGraphOptions options(settings, kGraphSampler, kPointsDataStatus, -1);
  options.customTitles.Enabled = 0;
  int code = 0;
  SetSamplerGraph(options.Setup(), options.titles, code);
  auto* window = new TNLSamp(parent, &options.Setup(), code);
  window->resize(960, 620);
  (void)window->Execute();  // the window only shows: OK is its one ending
  options.StoreBack();
  ShowDataStatus();
}

void RegisterNonlinearSampler() {
  RegisterCommand(CmSampler, [] { CmNLSamples(MainWindow, CurrentSettings()); });
}
