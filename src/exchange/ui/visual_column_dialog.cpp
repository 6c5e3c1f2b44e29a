#include "exchange/ui/visual_column_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QVBoxLayout>

#include "app/c_format.h"
#include "app/data_statistics.h"
#include "app/ui/main_window.h"
#include "graph3d/ui/graph_pane.h"
#include "platform/qt/qt_device_context.h"
#include "platform/qt/qt_text.h"

namespace {

// A range of one value is widened, so that its axis has a length.
void SetAxisRange(T3DScalingBlock& s, std::size_t axis, long double low, long double high) {
  if (low == high) low -= 0.5L, high += 0.5L;
  s.DataLow[axis] = s.AxisLow[axis] = low;
  s.DataHigh[axis] = s.AxisHigh[axis] = high;
  s.Auto[axis] = 1;
  s.Zoom[axis] = 1;
}

}  // namespace

TDlgVisSelXYZ::TDlgVisSelXYZ(QWidget* parent, std::string path, int kind, int* previewOn, int* weightsAreSD,
                             TImportColumns& columns, std::string shown)
    : TDlgSelXYZ(parent, kSelectXYZTemplate, std::move(path), kind, false, columns, std::move(shown)),
      previewOption_(previewOn),
      sdOption_(weightsAreSD),
      previewOn_(previewOn != nullptr && *previewOn != 0),
      sdOn_(weightsAreSD != nullptr && *weightsAreSD != 0),
      sdBox_(new QCheckBox(tr("&SD Wts"), this)),
      previewBox_(new QCheckBox(tr("&Import Preview"), this)),
      pane_(new TGraphPane(this)),
      count_(new QLabel(this)),
      renderer_(&setup_) {
  sdBox_->setObjectName(QString::number(kSdWeights));
  previewBox_->setObjectName(QString::number(kImportPreview));
  pane_->setObjectName(QString::number(kPane));
  count_->setObjectName(QString::number(kPointCount));
  choiceColumn_->insertWidget(1, sdBox_);
  choiceColumn_->insertWidget(2, previewBox_);
  auto* previewColumn = new QVBoxLayout;
  // The pane asks for 480 x 360 and takes less where the screen is small.
  pane_->setMinimumSize(280, 240);
  previewColumn->addWidget(pane_, 1);
  previewColumn->addWidget(count_);
  body_->addLayout(previewColumn, 2);
  pane_->onPaint = [this](QPainter& p) { PaintPane(p); };
  pane_->onResize = [this] { frameValid_ = false; };
  connect(sdBox_, &QCheckBox::clicked, this, [this](bool on) { sdOn_ = on; });
  connect(previewBox_, &QCheckBox::clicked, this, [this](bool on) {
    previewOn_ = on;
    // Off and on again builds the preview anew, whatever was shown before.
    if (!on) ClearPreview();
    UpdatePreview();
  });
}

TDlgVisSelXYZ::~TDlgVisSelXYZ() {
  // The renderer lets go of the record and its points before they go.
  (void)renderer_.SetData(nullptr);
}

void TDlgVisSelXYZ::SetupWindow() {
  TDlgSelXYZ::SetupWindow();
  sdBox_->setChecked(sdOn_);
  previewBox_->setChecked(previewOn_);
  renderer_.CreateScreenFonts();
  count_->clear();
}

void TDlgVisSelXYZ::accept() {
  if (!CanClose()) return;
  if (previewOption_) *previewOption_ = previewOn_ ? 1 : 0;
  if (sdOption_) *sdOption_ = sdOn_ ? 1 : 0;
  TDlgSelXYZ::accept();
}

void TDlgVisSelXYZ::ClearPreview() {
  key_[3] = -1;
  preview_.clear();
  surface_.reset();
  setup_.Points = nullptr;
  AttachPreviewSurface(setup_, surface_);
  (void)renderer_.SetData(nullptr);
  frameValid_ = false;
  count_->clear();
  pane_->update();
}

void TDlgVisSelXYZ::UpdatePreview() {
  if (!previewOn_ || SelectionProblem() != kNoProblem) {
    ClearPreview();
    return;
  }
  const TImportColumns& c = choice_;
  const std::array<int, 6> key = {c.ImportColX, c.ImportColY, c.ImportColZ, c.ImportSheetX, c.ImportSheetY, c.ImportSheetZ};
  if (key == key_) return;
  ClearPreview();
  key_ = key;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  PointTable table = BuildPreviewTable(PathOf(), kind_, c);
  ++builds_;
  if (table.empty()) {
    QApplication::restoreOverrideCursor();
    key_[3] = -1;
    return;
  }
  preview_ = std::move(table);
  long double range[6] = {0, 0, 0, 0, 0, 0};
  (void)ColumnRangeStatistics(preview_, range[0], range[1], range[2], range[3], range[4], range[5]);
  for (std::size_t axis = 0; axis < 3; ++axis) SetAxisRange(setup_.Scaling, axis, range[2 * axis], range[2 * axis + 1]);
  setup_.Points = [this] { return std::span<const TXYZPoint>(preview_); };
  // The axes show the points' range; a surface reaching beyond it is cut there.
  setup_.ZFromPoints = 1;
  surface_ = MakePreviewSurface(preview_);
  AttachPreviewSurface(setup_, surface_);
  (void)renderer_.SetData(&setup_);
  frameValid_ = false;
  count_->setText(platform::qt::FromCp1252(CFormat("%d pts", PointCount(preview_))));
  pane_->repaint();
  QApplication::restoreOverrideCursor();
}

void TDlgVisSelXYZ::PaintPane(QPainter& painter) {
  if (preview_.empty()) {
    // The pane without a preview: the dialog's face in a frame, so that the user sees
    // where the preview will be.
    painter.fillRect(pane_->rect(), palette().button());
    painter.setPen(palette().dark().color());
    painter.drawRect(pane_->rect().adjusted(0, 0, -1, -1));
    return;
  }
  if (!frameValid_ || frame_.size() != pane_->size()) {
    frame_ = QImage(pane_->size(), QImage::Format_RGB32);
    // The graph rectangle is the pane inset by one pixel.
    renderer_.SetGraphRect({1, 1, std::max(pane_->width() - 2, 2), std::max(pane_->height() - 2, 2)});
    renderer_.Prepare();
    platform::qt::QtDeviceContext dc(frame_);
    renderer_.EraseSurface(dc, frame_.width(), frame_.height());
    dc.SetClipRect({0, 0, pane_->width(), pane_->height()});
    renderer_.Draw(dc, kDrawScreen);
    frameValid_ = true;
    ++draws_;
  }
  painter.drawImage(0, 0, frame_);
}

void RegisterColumnDialogs() {
  TImportReaders& r = ImportReaders();
  r.ChooseColumns = [](const std::string& path, const std::string& shown, int kind, int& previewOn,
                       int& weightsAreSD, TImportColumns& columns) {
    return ExecuteAndDelete(new TDlgVisSelXYZ(MainWindow, path, kind, &previewOn, &weightsAreSD, columns, shown)) == 1
               ? 1
               : 0;
  };
  // Over the window that asked (the Evaluate window of the review, of the function viewer or
  // of a smoothing window): over the main window it opened under the asker, out of reach.
  r.ChooseXYColumns = [](platform::Window owner, const std::string& path, int kind, TImportColumns& columns) {
    return ExecuteAndDelete(new TDlgSelXY(platform::qt::FromWindow(owner), kSelectXYTemplate, path, kind, true, columns)) == 1 ? 1
                                                                                                             : 0;
  };
}
