#include "graph3d/ui/graph_type_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "graph3d/ui/option_dialog_buttons.h"

namespace {

constexpr const char* kTypeTexts[20] = {
    "&Wire-Frame",     "&Mesh",           "&6 Color Dim",     "6 C&olor Bright", "&12 Color",
    "&24 Spectrum",    "24 Spec-&Excel",  "24 Spec-Lo&tus",   "24 Spec-&QPW",    "&32 Gray",
    "32 &Red",         "32 &Green",       "32 &Cyan",         "32 B&lue to Red", "32 Green &to Red",
    "32 Gr&een to Blue", "32 Gr&ay",      "32 Re&d",          "32 Gree&n",       "32 C&yan"};

}  // namespace

T3DType::T3DType(QWidget* parent, T3DGraphSetup* setup) : T3DSDlg(parent, setup) {
  setWindowTitle(tr("3D Graph Type"));
  auto* group = new QButtonGroup(this);
  auto box = [&](const char* title, int first, int last) {
    auto* frame = new QGroupBox(tr(title), this);
    auto* column = new QVBoxLayout(frame);
    column->setSpacing(2);
    for (int t = first; t <= last; ++t) {
      auto* b = new QRadioButton(tr(kTypeTexts[t]), frame);
      b->setObjectName(QString("radio%1").arg(kFirstButton + t));
      group->addButton(b, t);
      buttons_[static_cast<std::size_t>(t)] = b;
      column->addWidget(b);
    }
    column->addStretch(1);
    return frame;
  };
  auto* left = new QVBoxLayout;
  left->addWidget(box("Standard Plots", 0, 1));
  left->addWidget(box("Shaded Plots", 16, 19));
  auto* types = new QHBoxLayout;
  types->addLayout(left);
  types->addWidget(box("Gradient Plots", 2, 15));
  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons, 38, [this] { CmReset(); });
  auto* top = new QHBoxLayout(this);
  top->addLayout(types);
  top->addWidget(Pane(), 1);
  top->addLayout(buttons);
  Pane()->setMinimumSize(300, 260);
  ChooseType(Renderer().View().GraphType);
  connect(group, &QButtonGroup::idClicked, this, [this](int t) { ChooseType(t); });
}

void T3DType::ChooseType(int type) {
  if (type < 0 || type > 19) return;
  buttons_[static_cast<std::size_t>(type)]->setChecked(true);
  T3DViewRec& view = Renderer().MutableView();
  if (view.GraphType == type) return;
  view.GraphType = static_cast<std::int16_t>(type);
  InvalidateGraph();
}

void T3DType::CmReset() { ChooseType(kResetType); }
