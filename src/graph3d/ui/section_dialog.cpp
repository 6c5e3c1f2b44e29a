#include "graph3d/ui/section_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>
#include <mutex>

#include "app/long_double.h"
#include "expr/expression.h"
#include "app/ui/number_field.h"
#include "graph3d/option_records.h"
#include "graph3d/ui/evaluation_progress.h"
#include "graph3d/ui/option_dialog_buttons.h"
#include "platform/qt/qt_text.h"

namespace {

constexpr const char* kBoundLabels[6] = {"&Xi", "Xf", "&Yi", "Yf", "&Zi", "Zf"};

}  // namespace

TSection::TSection(QWidget* parent, T3DGraphSetup* setup, const GraphOptionContext& context)
    : T3DSFDlg(parent, setup), context_(context) {
  setWindowTitle(tr("Section Data"));
  auto* boundsBox = new QGroupBox(tr("Bounds"), this);
  auto* grid = new QGridLayout(boundsBox);
  for (int i = 0; i < 6; ++i) {
    // A bound is a number or a formula; an empty field is no bound.
    TRealFieldRules rules;
    rules.read = [this](const QString& text) { return FormulaFieldValue(this, text, 20); };
    rules.takesEmpty = true;
    rules.caption = tr("Section Data");
    rules.message = tr("A bound is a number or a formula; leave it empty for no bound.");
    auto* edit = new TEditReal(boundsBox, 20, std::move(rules));
    edit->setObjectName(QString("edit%1").arg(623 + i));
    edit->setMinimumWidth(80);
    auto* label = new QLabel(tr(kBoundLabels[i]), boundsBox);
    label->setBuddy(edit);
    grid->addWidget(label, i / 2, (i % 2) * 2);
    grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
    edits_[static_cast<std::size_t>(i)] = edit;
  }
  auto* modeBox = new QGroupBox(tr("Mode"), this);
  auto* modeRow = new QHBoxLayout(modeBox);
  include_ = new QRadioButton(tr("&Include"), modeBox);
  exclude_ = new QRadioButton(tr("&Exclude"), modeBox);
  include_->setChecked(true);
  modeRow->addWidget(include_);
  modeRow->addWidget(exclude_);
  connect(include_, &QRadioButton::clicked, this, [this] { SetMode(SectionMode::Include); });
  connect(exclude_, &QRadioButton::clicked, this, [this] { SetMode(SectionMode::Exclude); });
  auto* applyRow = new QHBoxLayout;
  auto* existing = new QPushButton(tr("&Apply Existing"), this);
  auto* fresh = new QPushButton(tr("Apply &New"), this);
  existing->setObjectName("button629");
  fresh->setObjectName("button630");
  existing->setAutoDefault(false);
  fresh->setAutoDefault(false);
  applyRow->addWidget(existing);
  applyRow->addWidget(fresh);
  connect(existing, &QPushButton::clicked, this, [this] { Apply(SectionApply::Existing); });
  connect(fresh, &QPushButton::clicked, this, [this] { Apply(SectionApply::New); });

  auto* left = new QVBoxLayout;
  left->addWidget(boundsBox);
  left->addWidget(modeBox);
  left->addLayout(applyRow);
  left->addStretch(1);
  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons, 35, [this] { CmReset(); });
  auto* top = new QHBoxLayout(this);
  top->addLayout(left);
  top->addWidget(Pane(), 1);
  top->addLayout(buttons);
  Pane()->setMinimumSize(320, 280);
}

void TSection::SetMode(SectionMode mode) {
  mode_ = mode;
  include_->setChecked(mode == SectionMode::Include);
  exclude_->setChecked(mode == SectionMode::Exclude);
}

void TSection::Apply(SectionApply apply) {
  // A bound that is no number is put right and told before anything is applied: "2,5" is
  // never taken for no bound.
  if (!FieldsSettled()) return;
  SectionRequest request;
  request.mode = mode_;
  request.apply = apply;
  // The fields have read their formulas already (each under its own progress window).
  for (std::size_t i = 0; i < 6; ++i)
    if (const std::optional<long double> v = edits_[i]->TypedValue()) request.bounds[i] = *v;
  if (!context_.mutablePoints) return;
  if (context_.stopBackgroundFit) context_.stopBackgroundFit();
  {
    std::unique_lock<std::shared_mutex> lock;
    if (context_.tableMutex != nullptr) lock = std::unique_lock(*context_.tableMutex);
    (void)ApplySection(context_.mutablePoints(), request);
  }
  if (context_.sectionPreparesData && context_.prepareDataForFit) context_.prepareDataForFit();
  // The ranges follow the active points (all points when none is active).
  std::span<const TXYZPoint> points = PointsOf(std::span<const TXYZPoint>(context_.mutablePoints()));
  std::array<long double, 3> lo{}, hi{};
  bool any = false;
  for (int pass = 0; pass < 2 && !any; ++pass)
    for (const TXYZPoint& p : points) {
      if (pass == 0 && !IsActive(p)) continue;
      const std::array<long double, 3> v{p.X, p.Y, p.Z};
      for (std::size_t a = 0; a < 3; ++a) {
        lo[a] = any ? std::min(lo[a], v[a]) : v[a];
        hi[a] = any ? std::max(hi[a], v[a]) : v[a];
      }
      any = true;
    }
  if (any) {
    T3DScalingBlock& s = Renderer().MutableScaling();
    for (std::size_t a = 0; a < 3; ++a) {
      WidenEmptyRange(lo[a], hi[a]);
      s.DataLow[a] = lo[a];
      s.DataHigh[a] = hi[a];
      const bool log = s.Log[a] != 0 && lo[a] > 0;
      s.AxisLow[a] = log ? std::log10(lo[a]) : lo[a];
      s.AxisHigh[a] = log ? std::log10(hi[a]) : hi[a];
    }
  }
  Renderer().RecomputeScales();
  InvalidateGraph();
}

void TSection::CmReset() {
  for (QLineEdit* e : edits_) e->clear();
  Apply(SectionApply::New);
}
