#include "graph3d/ui/view_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/c_format.h"
#include "app/ui/spin_edit.h"
#include "graph3d/option_files.h"
#include "graph3d/ui/option_dialog_buttons.h"

namespace {

constexpr const char* kViewFilter = "3D View [v3d]|*.v3d|";
constexpr int kMeshX = 400, kMeshY = 402, kSquare = 403, kHideMesh = 404, kAngleXY = 405,
              kAngleXYText = 406, kAngleZ = 407, kAngleZText = 408, kLightXY = 409, kLightZ = 410,
              kLevel = 412, kGridsAll = 419, kGridLevel = 426, kLabelsAll = 428, kSize = 440,
              kSizeText = 441;
constexpr int kQuickMesh = 10;

struct Bit {
  int id;
  const char* text;
  int bit;
};
constexpr Bit kLabelBoxes[] = {{434, "X", 1},         {435, "Y", 2},          {436, "Z1", 4},
                               {437, "Z2", 8},        {438, "Rotate X", 16},  {439, "Rotate Y", 32},
                               {429, "1", 64},        {430, "2", 128},        {431, "3", 256},
                               {432, "4-5", 512}};
constexpr Bit kGridBoxes[] = {{421, "X", 2}, {420, "Z", 1}, {423, "Y", 8}, {422, "Z", 4}, {424, "X", 16}, {425, "Y", 32}};
constexpr Bit kContourBoxes[] = {{418, "Bottom", 1}, {417, "Top", 2}};
constexpr const char* kPlaneTexts[4] = {"None", "Outline", "Full/Closed", "Full/Open"};

QString LgText(long double v) { return QString::fromStdString(CFormat("%Lg", v)); }

}  // namespace

T3DView::T3DView(QWidget* parent, T3DGraphSetup* setup)
    : T3DSFDlg(parent, setup),
      remembered_(TRememberedView::From(setup->View != nullptr ? *setup->View : Renderer().View())),
      square_(Record().MeshX == Record().MeshY),
      clock_(new TPreviewClock(this, [this] { Tick(); })) {
  setWindowTitle(tr("3D View Options"));
  auto spin = [&](int id, double lo, double hi, QWidget* parentBox) {
    auto* e = new TRangeSpinEdit(parentBox);
    e->SetRange(lo, hi);
    e->setObjectName(QString("edit%1").arg(id));
    e->setFixedWidth(64);
    edits_[id] = e;
    connect(e, &QLineEdit::textChanged, this, [this, id] { EditChanged(id); });
    return e;
  };
  auto check = [&](int id, const char* text, QWidget* parentBox) {
    auto* b = new QCheckBox(tr(text), parentBox);
    buttons_[id] = b;
    connect(b, &QCheckBox::clicked, this, [this, id] { Click(id); });
    return b;
  };
  auto labelled = [&](QGridLayout* g, int row, const char* text, QWidget* w) {
    g->addWidget(new QLabel(tr(text), w->parentWidget()), row, 0);
    g->addWidget(w, row, 1);
  };

  auto* meshBox = new QGroupBox(tr("Mesh Count"), this);
  auto* meshGrid = new QGridLayout(meshBox);
  labelled(meshGrid, 0, "X", spin(kMeshX, 5, 120, meshBox));
  labelled(meshGrid, 1, "Y", spin(kMeshY, 5, 120, meshBox));
  meshGrid->addWidget(check(kSquare, "Square", meshBox), 2, 0, 1, 2);
  meshGrid->addWidget(check(kHideMesh, "Hide Mesh", meshBox), 3, 0, 1, 2);
  auto* lightBox = new QGroupBox(tr("Illumination Angular Shifts"), this);
  auto* lightGrid = new QGridLayout(lightBox);
  labelled(lightGrid, 0, "XY", spin(kLightXY, -180, 180, lightBox));
  labelled(lightGrid, 1, "Z", spin(kLightZ, -90, 90, lightBox));
  auto* perspectiveBox = new QGroupBox(tr("Perspective"), this);
  auto* perspectiveGrid = new QGridLayout(perspectiveBox);
  labelled(perspectiveGrid, 0, "Level", spin(kLevel, 0, 5, perspectiveBox));
  auto* planesBox = new QGroupBox(tr("Back Planes"), this);
  auto* planesColumn = new QVBoxLayout(planesBox);
  for (int m = 0; m < 4; ++m) {
    auto* b = new QRadioButton(tr(kPlaneTexts[m]), planesBox);
    b->setAutoExclusive(false);
    buttons_[413 + m] = b;
    planesColumn->addWidget(b);
    connect(b, &QRadioButton::clicked, this, [this, id = 413 + m] { Click(id); });
  }
  auto* contourBox = new QGroupBox(tr("Add Contour"), this);
  auto* contourColumn = new QVBoxLayout(contourBox);
  for (const Bit& b : kContourBoxes) contourColumn->addWidget(check(b.id, b.text, contourBox));
  auto* labelsBox = new QGroupBox(tr("Labels"), this);
  auto* labelsGrid = new QGridLayout(labelsBox);
  for (int i = 0; i < 10; ++i) labelsGrid->addWidget(check(kLabelBoxes[i].id, kLabelBoxes[i].text, labelsBox), i % 6, i / 6);
  labelsGrid->addWidget(check(kLabelsAll, "All", labelsBox), 4, 1);
  auto* gridsBox = new QGroupBox(tr("Grids"), this);
  auto* gridsGrid = new QGridLayout(gridsBox);
  constexpr const char* kPlanes[3] = {"XZ", "YZ", "XY"};
  for (int p = 0; p < 3; ++p) {
    gridsGrid->addWidget(new QLabel(tr(kPlanes[p]), gridsBox), 0, p);
    gridsGrid->addWidget(check(kGridBoxes[2 * p].id, kGridBoxes[2 * p].text, gridsBox), 1, p);
    gridsGrid->addWidget(check(kGridBoxes[2 * p + 1].id, kGridBoxes[2 * p + 1].text, gridsBox), 2, p);
  }
  gridsGrid->addWidget(check(kGridsAll, "All", gridsBox), 3, 0);
  gridsGrid->addWidget(new QLabel(tr("Level"), gridsBox), 3, 1);
  gridsGrid->addWidget(spin(kGridLevel, 0, 10, gridsBox), 3, 2);

  auto bar = [&](int id, Qt::Orientation o, int lo, int hi, int page, int textId) {
    auto* b = new QScrollBar(o, this);
    b->setRange(lo, hi);
    b->setPageStep(page);
    b->setObjectName(QString("scroll%1").arg(id));
    bars_[id] = b;
    auto* t = new QLabel(this);
    t->setMinimumWidth(40);
    texts_[textId] = t;
    connect(b, &QScrollBar::valueChanged, this, [this, id](int v) { Scroll(id, v); });
    return b;
  };
  bar(kAngleXY, Qt::Horizontal, 0, 360, 10, kAngleXYText);
  bar(kAngleZ, Qt::Vertical, 0, 180, 5, kAngleZText);
  bar(kSize, Qt::Horizontal, 75, 125, 5, kSizeText);

  auto* options = new QGridLayout;
  options->addWidget(meshBox, 0, 0);
  options->addWidget(lightBox, 1, 0);
  options->addWidget(perspectiveBox, 2, 0);
  options->addWidget(planesBox, 0, 1);
  options->addWidget(contourBox, 1, 1);
  options->addWidget(labelsBox, 0, 2, 2, 1);
  options->addWidget(gridsBox, 2, 1, 1, 2);
  auto* preview = new QGridLayout;
  preview->addWidget(Pane(), 0, 0);
  auto* zColumn = new QVBoxLayout;
  auto* zLabel = new QLabel(tr("&Z View Angle"), this);
  zLabel->setBuddy(bars_[kAngleZ]);
  zColumn->addWidget(zLabel);
  zColumn->addWidget(bars_[kAngleZ], 1, Qt::AlignHCenter);
  zColumn->addWidget(texts_[kAngleZText]);
  preview->addLayout(zColumn, 0, 1);
  auto* xyRow = new QHBoxLayout;
  auto* xyLabel = new QLabel(tr("&XY View Angle"), this);
  xyLabel->setBuddy(bars_[kAngleXY]);
  xyRow->addWidget(xyLabel);
  xyRow->addWidget(bars_[kAngleXY], 1);
  xyRow->addWidget(texts_[kAngleXYText]);
  preview->addLayout(xyRow, 1, 0);
  auto* sizeRow = new QHBoxLayout;
  auto* sizeLabel = new QLabel(tr("Size in &Frame"), this);
  sizeLabel->setBuddy(bars_[kSize]);
  sizeRow->addWidget(sizeLabel);
  sizeRow->addWidget(bars_[kSize], 1);
  sizeRow->addWidget(texts_[kSizeText]);
  preview->addLayout(sizeRow, 2, 0);
  Pane()->setMinimumSize(340, 260);
  auto* left = new QVBoxLayout;
  left->addLayout(options);
  left->addLayout(preview, 1);
  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons, 42, [this] { CmReset(); }, [this] { CmReadView(); }, [this] { CmSaveView(); });
  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(buttons);

  UpdateControls();
  SetEditValues();
  clock_->Start();
  updating_ = false;
}

T3DView::~T3DView() {
  clock_->Stop();
  // A quick or illumination preview never reaches the record.
  remembered_.PutInto(Renderer());
}

T3DViewRec& T3DView::Record() { return *Renderer().Setup()->View; }

QWidget* T3DView::Control(int id) const {
  if (auto it = edits_.find(id); it != edits_.end()) return it->second;
  if (auto it = buttons_.find(id); it != buttons_.end()) return it->second;
  if (auto it = bars_.find(id); it != bars_.end()) return it->second;
  if (auto it = texts_.find(id); it != texts_.end()) return it->second;
  return nullptr;
}

void T3DView::UpdateControls() {
  const bool was = updating_;
  updating_ = true;
  const T3DViewRec& v = Renderer().View();
  bars_[kAngleXY]->setValue(static_cast<int>(std::lround(v.AngleXY)));
  bars_[kAngleZ]->setValue(90 - static_cast<int>(std::lround(v.AngleZ)));
  bars_[kSize]->setValue(static_cast<int>(std::lround(v.FrameSize * 100)));
  texts_[kAngleXYText]->setText(LgText(v.AngleXY));
  texts_[kAngleZText]->setText(LgText(v.AngleZ));
  texts_[kSizeText]->setText(QString::fromStdString(CFormat("%.2Lf", v.FrameSize)));
  buttons_[kSquare]->setChecked(square_);
  buttons_[kHideMesh]->setChecked(v.HideMesh != 0);
  for (int m = 0; m < 4; ++m) buttons_[413 + m]->setChecked(v.BackPlanes == m);
  for (const Bit& b : kContourBoxes) buttons_[b.id]->setChecked((remembered_.contourBits & b.bit) != 0);
  for (const Bit& b : kLabelBoxes) buttons_[b.id]->setChecked((remembered_.labelBits & b.bit) != 0);
  buttons_[kLabelsAll]->setChecked((remembered_.labelBits & 1023) == 1023);
  for (const Bit& b : kGridBoxes) buttons_[b.id]->setChecked((remembered_.gridBits & b.bit) != 0);
  buttons_[kGridsAll]->setChecked((remembered_.gridBits & 63) == 63);
  T3DGraphSetup* setup = Renderer().Setup();
  const bool surface = setup->SurfaceFn && setup->ResidualMode == 0;
  for (int id : {kMeshX, kMeshY, kLightXY, kLightZ}) edits_[id]->setEnabled(surface);
  for (int id : {kSquare, kHideMesh, 417, 418}) buttons_[id]->setEnabled(surface);
  edits_[kMeshY]->setEnabled(surface && !square_);
  buttons_[kHideMesh]->setEnabled(surface && GetGraphDisplayFacts().colors > 255 && remembered_.graphType > 1);
  updating_ = was;
}

void T3DView::SetEditValues() {
  const bool was = updating_;
  updating_ = true;
  const T3DViewRec& v = Renderer().View();
  edits_[kMeshX]->SetValue(Record().MeshX);
  edits_[kMeshY]->SetValue(Record().MeshY);
  edits_[kLightXY]->SetValue(static_cast<double>(v.LightXY));
  edits_[kLightZ]->SetValue(static_cast<double>(v.LightZ));
  edits_[kLevel]->SetValue(v.Perspective);
  edits_[kGridLevel]->SetValue(remembered_.gridBits >> 8 & 0xFF);
  updating_ = was;
}

void T3DView::Click(int id) {
  if (updating_) return;
  T3DViewRec& v = Renderer().MutableView();
  const TRememberedView before = remembered_;
  const T3DViewRec viewBefore = v;
  const bool squareBefore = square_;
  if (id == kSquare) {
    square_ = !square_;
    if (square_) Record().MeshY = Record().MeshX;
  } else if (id == kHideMesh) {
    v.HideMesh = v.HideMesh != 0 ? 0 : 1;
  } else if (id >= 413 && id <= 416) {
    v.BackPlanes = static_cast<std::int16_t>(id - 413);
  } else if (id == kLabelsAll) {
    remembered_.labelBits = static_cast<std::int16_t>((remembered_.labelBits & 1023) == 1023 ? 0 : 1023);
  } else if (id == kGridsAll) {
    remembered_.gridBits = static_cast<std::int16_t>((remembered_.gridBits & 63) == 63 ? 0 : 63);
  }
  for (const Bit& b : kContourBoxes)
    if (b.id == id) remembered_.contourBits ^= static_cast<std::int16_t>(b.bit);
  for (const Bit& b : kLabelBoxes)
    if (b.id == id) remembered_.labelBits ^= static_cast<std::int16_t>(b.bit);
  for (const Bit& b : kGridBoxes)
    if (b.id == id) remembered_.gridBits ^= static_cast<std::int16_t>(b.bit);
  UpdateControls();
  SetEditValues();
  const bool changed = square_ != squareBefore || v.HideMesh != viewBefore.HideMesh ||
                       v.BackPlanes != viewBefore.BackPlanes || remembered_.labelBits != before.labelBits ||
                       remembered_.gridBits != before.gridBits || remembered_.contourBits != before.contourBits;
  if (changed) FullPreview();
}

void T3DView::EditChanged(int id) {
  if (updating_) return;
  // Only a text that is wholly a value of the field's range counts; any other leaves the
  // view as it was until the field is left, which puts the field right.
  const std::optional<long double> typed = edits_[id]->TypedValue();
  if (!typed) return;
  const double value = static_cast<double>(*typed);
  T3DViewRec& v = Renderer().MutableView();
  switch (id) {
    case kMeshX:
      Record().MeshX = static_cast<std::int16_t>(std::clamp(static_cast<int>(value), 5, 120));
      if (square_) {
        Record().MeshY = Record().MeshX;
        const bool was = updating_;
        updating_ = true;
        edits_[kMeshY]->SetValue(Record().MeshY);
        updating_ = was;
      }
      pending_ = Pending::Mesh;
      break;
    case kMeshY:
      Record().MeshY = static_cast<std::int16_t>(std::clamp(static_cast<int>(value), 5, 120));
      pending_ = Pending::Mesh;
      break;
    case kLightXY:
      v.LightXY = std::clamp(static_cast<long double>(value), -180.0L, 180.0L);
      pending_ = Pending::Light;
      break;
    case kLightZ:
      v.LightZ = std::clamp(static_cast<long double>(value), -90.0L, 90.0L);
      pending_ = Pending::Light;
      break;
    case kLevel:
      v.Perspective = std::clamp(static_cast<int>(value), 0, 5);
      pending_ = Pending::Level;
      break;
    case kGridLevel:
      remembered_.gridBits = static_cast<std::int16_t>((std::clamp(static_cast<int>(value), 0, 10) << 8) |
                                                       (remembered_.gridBits & 0xFF));
      pending_ = Pending::Level;
      break;
    default:
      return;
  }
  ticks_ = 1;
}

void T3DView::Scroll(int id, int position) {
  if (updating_) return;
  T3DViewRec& v = Renderer().MutableView();
  if (id == kAngleXY) {
    v.AngleXY = position;
    texts_[kAngleXYText]->setText(LgText(v.AngleXY));
  } else if (id == kAngleZ) {
    v.AngleZ = 90 - position;
    texts_[kAngleZText]->setText(LgText(v.AngleZ));
  } else if (id == kSize) {
    v.FrameSize = position * 0.01L;
    texts_[kSizeText]->setText(QString::fromStdString(CFormat("%.2Lf", v.FrameSize)));
  } else {
    return;
  }
  QuickPreview();
}

void T3DView::QuickPreview() {
  T3DViewRec& v = Renderer().MutableView();
  if (v.MeshX != kQuickMesh || v.MeshY != kQuickMesh) {
    v.MeshX = v.MeshY = kQuickMesh;
    Renderer().Recompute();
  }
  InvalidateGraph();
  ticks_ = 0;
}

void T3DView::FullPreview(bool light) {
  T3DViewRec& v = Renderer().MutableView();
  if (v.MeshX != Record().MeshX || v.MeshY != Record().MeshY) {
    v.MeshX = Record().MeshX;
    v.MeshY = Record().MeshY;
    Renderer().Recompute();
  }
  remembered_.PutInto(Renderer());
  if (light && (remembered_.graphType < 16 || remembered_.graphType > 19)) v.GraphType = 19;
  InvalidateGraph();
  ticks_ = 0;
}

void T3DView::Tick() {
  if (pending_ != Pending::None) {
    if (++ticks_ >= 10) {
      FullPreview(pending_ == Pending::Light);
      pending_ = Pending::None;
      ticks_ = 0;
    }
    return;
  }
  const T3DViewRec& v = Renderer().View();
  if (v.MeshX == Record().MeshX && v.MeshY == Record().MeshY && remembered_.ShownBy(Renderer())) {
    ticks_ = 0;
  } else if (++ticks_ >= 20) {
    FullPreview();
  }
}

void T3DView::CmReset() {
  T3DViewRec& v = Renderer().MutableView();
  v.AngleXY = 210;
  v.AngleZ = 20;
  v.LightXY = 30;
  v.LightZ = 15;
  Record().MeshX = Record().MeshY = 35;
  square_ = true;
  v.FrameSize = 1;
  v.Perspective = 2;
  remembered_.contourBits = 0;
  remembered_.labelBits = 1023;
  // A graph of residuals alone (no surface, no points) gets the outline and the floor's grid.
  const bool residualsAlone = (Renderer().ContentFlags() & 7) == kContentResiduals;
  v.BackPlanes = residualsAlone ? 1 : 3;
  remembered_.gridBits = residualsAlone ? 48 : 63;
  UpdateControls();
  SetEditValues();
  FullPreview();
}

void T3DView::CmReadView() {
  const std::string path = AskOptionFile(this, false, "Read 3D View", kViewFilter, "V3D");
  if (path.empty()) return;
  T3DViewRec read;
  if (!ReportOptionFile(this, path, ReadViewFile(path, read), kViewFileErrorText)) return;
  T3DViewRec& v = Renderer().MutableView();
  remembered_.graphType = read.GraphType;
  Record().MeshX = read.MeshX;
  Record().MeshY = read.MeshY;
  square_ = read.MeshX == read.MeshY;
  v.AngleXY = read.AngleXY;
  v.AngleZ = read.AngleZ;
  v.LightXY = read.LightXY;
  v.LightZ = read.LightZ;
  remembered_.gridBits = read.GridBits;
  v.BackPlanes = read.BackPlanes;
  remembered_.contourBits = read.ContourBits;
  remembered_.labelBits = read.LabelBits;
  v.FrameSize = read.FrameSize;
  v.Perspective = read.Perspective;  // 0 from a file of the older 66-byte form
  UpdateControls();
  SetEditValues();
  FullPreview();
}

void T3DView::CmSaveView() {
  // What is written is what the fields show.
  if (!FieldsSettled()) return;
  const std::string path = AskOptionFile(this, true, "Save 3D View", kViewFilter, "V3D");
  if (path.empty()) return;
  T3DViewRec out = Renderer().View();
  out.GraphType = remembered_.graphType;
  out.MeshX = Record().MeshX;
  out.MeshY = Record().MeshY;
  out.GridBits = remembered_.gridBits;
  out.ContourBits = remembered_.contourBits;
  out.LabelBits = remembered_.labelBits;
  ReportOptionFileSave(this, path, WriteViewFile(path, out));
}
