#include "graph3d/ui/scaling_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

#include "app/c_format.h"
#include "app/long_double.h"
#include "app/ui/number_field.h"
#include "app/ui/small_controls.h"
#include "expr/expression.h"
#include "graph3d/option_files.h"
#include "graph3d/option_records.h"
#include "graph3d/ui/evaluation_progress.h"
#include "graph3d/ui/option_dialog_buttons.h"
#include "platform/qt/qt_text.h"

namespace {

constexpr const char* kScalingFilter = "3D Scaling [scl]|*.scl|";
constexpr const char* kAxisNames[3] = {"X", "Y", "Z"};

QString Text(const char* format, long double v) { return QString::fromStdString(CFormat(format, v)); }

// The largest magnitude a range field takes: the widest range it can make, from one end to
// the other, is still a long double.
constexpr long double kLargestRangeEnd = 1e4900L;

}  // namespace

TRealFieldRules T3DScale::RangeRules(int axis) {
  TRealFieldRules rules;
  rules.minimum = -kLargestRangeEnd;
  rules.maximum = kLargestRangeEnd;
  rules.read = [this, axis](const QString& text) { return ReadRange(axis, text); };
  rules.show = [](long double v) { return Text("%Lg", v); };
  rules.caption = tr("3D Scaling");
  rules.message = tr("Min and Max take a number or a formula from -1E4900 to 1E4900, above 0 on a Log axis.");
  return rules;
}

T3DScale::T3DScale(QWidget* parent, T3DGraphSetup* setup)
    : T3DSFDlg(parent, setup),
      remembered_(TRememberedView::From(setup->View != nullptr ? *setup->View : Renderer().View())),
      clock_(new TPreviewClock(this, [this] { Tick(); })) {
  setWindowTitle(tr("3D Scaling"));
  TRememberedView::QuickLook(Renderer());
  auto* axes = new QHBoxLayout;
  for (int a = 0; a < 3; ++a) {
    const std::size_t i = static_cast<std::size_t>(a);
    auto* box = new QGroupBox(tr(kAxisNames[a]), this);
    auto* g = new QGridLayout(box);
    auto_[i] = new QCheckBox(tr("Auto"), box);
    log_[i] = new QCheckBox(tr("Log"), box);
    g->addWidget(auto_[i], 0, 0);
    g->addWidget(log_[i], 0, 1);
    g->addWidget(new QLabel(tr("Zoom X"), box), 1, 0);
    zoom_[i] = new QScrollBar(Qt::Horizontal, box);
    zoom_[i]->setRange(2, 20);
    zoom_[i]->setPageStep(2);
    zoom_[i]->setMinimumWidth(90);
    zoomText_[i] = new QLabel(box);
    zoomText_[i]->setMinimumWidth(30);
    g->addWidget(zoom_[i], 1, 1);
    g->addWidget(zoomText_[i], 1, 2);
    min_[i] = new TEditReal(box, 20, RangeRules(a));
    max_[i] = new TEditReal(box, 20, RangeRules(a));
    divs_[i] = new TEditInt(box, 3, 1, 20);
    g->addWidget(new QLabel(tr("Min"), box), 2, 0);
    g->addWidget(min_[i], 2, 1, 1, 2);
    g->addWidget(new QLabel(tr("Max"), box), 3, 0);
    g->addWidget(max_[i], 3, 1, 1, 2);
    g->addWidget(new QLabel(tr("Divs"), box), 4, 0);
    g->addWidget(divs_[i], 4, 1);
    axes->addWidget(box);
    connect(auto_[i], &QCheckBox::clicked, this, [this, a] { ToggleAuto(a); });
    connect(log_[i], &QCheckBox::clicked, this, [this, a] { ToggleLog(a); });
    connect(min_[i], &QLineEdit::textChanged, this, [this, a] { EditChanged(a, 0); });
    connect(max_[i], &QLineEdit::textChanged, this, [this, a] { EditChanged(a, 1); });
    connect(divs_[i], &QLineEdit::textChanged, this, [this, a] { EditChanged(a, 2); });
    connect(zoom_[i], &QScrollBar::sliderMoved, this, [this, a](int v) { Zoom(a, v, true); });
    connect(zoom_[i], &QScrollBar::sliderReleased, this, [this, a] { Zoom(a, zoom_[static_cast<std::size_t>(a)]->value(), false); });
    connect(zoom_[i], &QScrollBar::actionTriggered, this, [this, a](int) {
      QScrollBar* bar = zoom_[static_cast<std::size_t>(a)];
      if (!bar->isSliderDown()) Zoom(a, bar->sliderPosition(), false);
    });
  }
  auto* left = new QVBoxLayout;
  left->addLayout(axes);
  left->addWidget(Pane(), 1);
  Pane()->setMinimumSize(360, 260);
  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons, 34, [this] { CmReset(); }, [this] { CmReadScale(); }, [this] { CmSaveScale(); });
  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(buttons);
  const T3DScalingBlock& s = Renderer().Scaling();
  for (std::size_t i = 0; i < 3; ++i) {
    const QSignalBlocker block(zoom_[i]);
    zoom_[i]->setValue(static_cast<int>(std::lround(s.Zoom[i] * 2)));
    zoomText_[i]->setText(Text("%.1Lf", s.Zoom[i]));
  }
  clock_->Start();
  UpdateFields(7);
  updating_ = false;
}

T3DScale::~T3DScale() {
  clock_->Stop();
  remembered_.PutInto(Renderer());
}

QLineEdit* T3DScale::MinEdit(int axis) const { return min_[static_cast<std::size_t>(axis)]; }
QLineEdit* T3DScale::MaxEdit(int axis) const { return max_[static_cast<std::size_t>(axis)]; }
QLineEdit* T3DScale::DivsEdit(int axis) const { return divs_[static_cast<std::size_t>(axis)]; }

void T3DScale::UpdateFields(int mask, bool evenFocused) {
  const T3DScalingBlock& s = Renderer().Scaling();
  writing_ = true;
  for (std::size_t a = 0; a < 3; ++a) {
    if ((mask & (1 << a)) == 0) continue;
    auto_[a]->setChecked(s.Auto[a] != 0);
    log_[a]->setChecked(s.Log[a] != 0);
    const bool log = s.Log[a] != 0;
    auto shown = [log](long double v) { return log ? std::pow(10.0L, v) : v; };
    if (evenFocused || !min_[a]->hasFocus()) ShowFromFirstDigit(*min_[a], shown_[a][0] = Text("%Lg", shown(s.AxisLow[a])));
    if (evenFocused || !max_[a]->hasFocus()) ShowFromFirstDigit(*max_[a], shown_[a][1] = Text("%Lg", shown(s.AxisHigh[a])));
    if (evenFocused || !divs_[a]->hasFocus()) divs_[a]->setText(QString::number(s.Divs[a]));
    const bool automatic = s.Auto[a] != 0;
    for (QWidget* w : std::initializer_list<QWidget*>{min_[a], max_[a], divs_[a]}) w->setEnabled(!automatic);
    zoom_[a]->setEnabled(automatic);
    zoomText_[a]->setEnabled(automatic);
  }
  writing_ = false;
}

std::optional<long double> T3DScale::ReadRange(int axis, const QString& text) const {
  // A log axis holds the logarithms of its ends: a value there must be above 0.
  const bool log = log_[static_cast<std::size_t>(axis)] != nullptr && log_[static_cast<std::size_t>(axis)]->isChecked();
  // The entry is a statement, which can run for long: Cancel stops it like an unreadable one.
  const std::optional<long double> v = FormulaFieldValue(this, text, 25);
  if (!v || (log && *v <= 0)) return std::nullopt;
  return v;
}

long double T3DScale::AxisUnits(int axis, long double shown) const {
  return log_[static_cast<std::size_t>(axis)]->isChecked() ? std::log10(shown) : shown;
}

void T3DScale::AfterClick(int axis, int mask) {
  Renderer().RecomputeScales();
  remembered_.PutInto(Renderer());
  InvalidateGraph();
  UpdateFields(mask);
  (void)axis;
  ticks_ = 0;
}

void T3DScale::ToggleAuto(int axis) {
  if (updating_) return;
  T3DScalingBlock& s = Renderer().MutableScaling();
  const std::size_t a = static_cast<std::size_t>(axis);
  s.Auto[a] = s.Auto[a] != 0 ? 0 : 1;
  AfterClick(axis, MaskOf(axis));
  if (s.Auto[a] == 0) min_[a]->setFocus();
}

void T3DScale::ToggleLog(int axis) {
  if (updating_) return;
  T3DScalingBlock& s = Renderer().MutableScaling();
  const std::size_t a = static_cast<std::size_t>(axis);
  if (s.Log[a] != 0) {
    s.Log[a] = 0;
    s.AxisLow[a] = std::pow(10.0L, s.AxisLow[a]);
    s.AxisHigh[a] = std::pow(10.0L, s.AxisHigh[a]);
  } else {
    s.Log[a] = 1;
    s.AxisLow[a] = s.AxisLow[a] > 0 ? std::log10(s.AxisLow[a]) : 0.01L;
    s.AxisHigh[a] = s.AxisHigh[a] > 0 ? std::log10(s.AxisHigh[a]) : 1.0L;
  }
  AfterClick(axis, MaskOf(axis));
}

void T3DScale::EditChanged(int axis, int field) {
  if (updating_ || writing_) return;
  T3DScalingBlock& s = Renderer().MutableScaling();
  const std::size_t a = static_cast<std::size_t>(axis);
  bool stored = false;
  if (field < 2) {
    // The field has read its text once already (a formula may take long).
    if (const std::optional<long double> v = (field == 0 ? min_[a] : max_[a])->TypedValue()) {
      (field == 0 ? s.AxisLow[a] : s.AxisHigh[a]) = AxisUnits(axis, *v);
      stored = true;
    }
  } else if (const std::optional<long double> divs = divs_[a]->TypedValue()) {
    s.Divs[a] = static_cast<std::int16_t>(*divs);
    stored = true;
  }
  if (!stored) return;
  // A typed range or division count replaces the zoom of the axes it concerns: the automatic
  // Z range follows X and Y, so their fields concern Z too.
  const int mask = MaskOf(axis);
  for (std::size_t k = 0; k < 3; ++k) {
    if ((mask & (1 << k)) == 0 || s.Zoom[k] == 1) continue;
    s.Zoom[k] = 1;
    const QSignalBlocker block(zoom_[k]);
    zoom_[k]->setValue(2);
    zoomText_[k]->setText("1.0");
  }
  Renderer().RecomputeScales();
  if (clock_->Running()) {
    TRememberedView::QuickLook(Renderer());
    ticks_ = 1;
  } else {
    remembered_.PutInto(Renderer());
    InvalidateGraph();
  }
}

void T3DScale::Zoom(int axis, int position, bool tracking) {
  T3DScalingBlock& s = Renderer().MutableScaling();
  const std::size_t a = static_cast<std::size_t>(axis);
  s.Zoom[a] = std::clamp(position, 2, 20) * 0.5L;
  zoomText_[a]->setText(Text("%.1Lf", s.Zoom[a]));
  ticks_ = 0;
  if (tracking) return;
  Renderer().RecomputeScales();
  TRememberedView::QuickLook(Renderer());
  InvalidateGraph();
  UpdateFields(1 << a);
}

void T3DScale::Tick() {
  if (remembered_.ShownBy(Renderer())) return;
  if (++ticks_ >= 10) {
    remembered_.PutInto(Renderer());
    InvalidateGraph();
    ticks_ = 0;
  }
}

void T3DScale::ApplyEdits() {
  T3DScalingBlock& s = Renderer().MutableScaling();
  for (int axis = 0; axis < 3; ++axis) {
    const std::size_t a = static_cast<std::size_t>(axis);
    // A field that still shows the text written into it keeps the exact value behind it.
    if (min_[a]->text() != shown_[a][0])
      if (const std::optional<long double> v = min_[a]->TypedValue()) s.AxisLow[a] = AxisUnits(axis, *v);
    if (max_[a]->text() != shown_[a][1])
      if (const std::optional<long double> v = max_[a]->TypedValue()) s.AxisHigh[a] = AxisUnits(axis, *v);
    if (s.AxisLow[a] > s.AxisHigh[a]) std::swap(s.AxisLow[a], s.AxisHigh[a]);
    WidenEmptyRange(s.AxisLow[a], s.AxisHigh[a]);
    if (const std::optional<long double> divs = divs_[a]->TypedValue()) s.Divs[a] = static_cast<std::int16_t>(*divs);
  }
}

void T3DScale::accept() {
  if (!FieldsSettled()) return;
  zoom_[0]->setFocus();
  ApplyEdits();
  // What is stored is what the fields show (a swapped or widened range too).
  UpdateFields(7, true);
  T3DSFDlg::accept();
}

void T3DScale::CmReset() {
  // The ranges and divisions stay: a text that is not one goes back to the last that was.
  SettleFieldsQuietly(this);
  T3DScalingBlock& s = Renderer().MutableScaling();
  for (std::size_t a = 0; a < 3; ++a) {
    s.Zoom[a] = 1;
    s.Auto[a] = 1;
    s.Log[a] = 0;
    const QSignalBlocker block(zoom_[a]);
    zoom_[a]->setValue(2);
    zoomText_[a]->setText("1.0");
  }
  Renderer().RecomputeScales();
  remembered_.PutInto(Renderer());
  InvalidateGraph();
  UpdateFields(7);
  ticks_ = 0;
}

void T3DScale::CmReadScale() {
  const std::string path = AskOptionFile(this, false, "Read Custom Scaling", kScalingFilter, "SCL");
  if (path.empty()) return;
  T3DScalingBlock read;
  if (!ReportOptionFile(this, path, ReadScalingFile(path, read), kScalingFileErrorText)) return;
  // The data ranges stay the graph's own: only flags, zooms, axis ranges and divisions apply.
  T3DScalingBlock& s = Renderer().MutableScaling();
  s.Auto = read.Auto;
  s.Log = read.Log;
  s.Zoom = read.Zoom;
  s.AxisLow = read.AxisLow;
  s.AxisHigh = read.AxisHigh;
  s.Divs = read.Divs;
  for (std::size_t a = 0; a < 3; ++a) {
    const QSignalBlocker block(zoom_[a]);
    zoom_[a]->setValue(static_cast<int>(std::lround(s.Zoom[a] * 2)));
    zoomText_[a]->setText(Text("%.1Lf", s.Zoom[a]));
  }
  Renderer().RecomputeScales();
  remembered_.PutInto(Renderer());
  InvalidateGraph();
  UpdateFields(7);
}

void T3DScale::CmSaveScale() {
  // What is written is what the fields show.
  if (!FieldsSettled()) return;
  const std::string path = AskOptionFile(this, true, "Save Custom Scaling", kScalingFilter, "SCL");
  if (path.empty()) return;
  ApplyEdits();
  UpdateFields(7, true);
  T3DScalingBlock out = Renderer().Scaling();
  out.DataLow = out.AxisLow;
  out.DataHigh = out.AxisHigh;
  out.DataDivs = out.Divs;
  ReportOptionFileSave(this, path, WriteScalingFile(path, out));
}
