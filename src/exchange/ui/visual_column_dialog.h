// TDlgVisSelXYZ, dialog 4078 "Select Columns for XYZ Data Table" of the import road: the
// X, Y, Z and weight choice of TDlgSelXYZ with a 3D preview of the chosen columns and two
// options, "&SD Wts" (the weight column holds standard deviations) and "&Import Preview".
//
// The preview reads the three columns (BuildPreviewTable), draws their points and, where
// the smoothing subsystem gives one (graph3d/preview_surface.h: more than 3 points not on
// one line), the smoothed surface through them. It is drawn into an image off the screen and
// then shown, with no event handled while it draws, so nothing the user does can close the
// dialog under a drawing.
#pragma once

#include <QImage>

#include <array>
#include <optional>

#include "exchange/ui/column_dialogs.h"
#include "graph3d/graph_setup.h"
#include "graph3d/preview_surface.h"
#include "graph3d/renderer.h"

class QCheckBox;
class TGraphPane;

class TDlgVisSelXYZ : public TDlgSelXYZ {
  Q_OBJECT
 public:
  static constexpr int kSdWeights = 652, kImportPreview = 653, kPane = 381, kPointCount = 387;

  // previewOn and weightsAreSD: the caller's two options, read at the start and written
  // back on OK. `shown`: the file's name in the dialog, the path when empty.
  TDlgVisSelXYZ(QWidget* parent, std::string path, int kind, int* previewOn, int* weightsAreSD,
                TImportColumns& columns, std::string shown = {});
  ~TDlgVisSelXYZ() override;

  // The preview's points (records 0 .. N), empty when none is shown.
  const PointTable& PreviewTable() const { return preview_; }
  bool PreviewHasSurface() const { return surface_.has_value(); }
  const T3DGraphSetup& PreviewSetup() const { return setup_; }
  // How many times the preview was built, and drawn, since the dialog opened.
  int PreviewBuilds() const { return builds_; }
  int PreviewDraws() const { return draws_; }
  const QImage& PreviewImage() const { return frame_; }

 protected:
  void SetupWindow() override;
  void accept() override;
  void ChoiceChanged() override { UpdatePreview(); }

 private:
  void UpdatePreview();
  void ClearPreview();
  void PaintPane(QPainter& painter);

  int* previewOption_;
  int* sdOption_;
  bool previewOn_;
  bool sdOn_;
  QCheckBox* sdBox_;
  QCheckBox* previewBox_;
  TGraphPane* pane_;
  QLabel* count_;
  // The columns and sheets of the preview shown (X, Y, Z, then their sheets); an X sheet of
  // -1: no preview.
  std::array<int, 6> key_{-1, -1, -1, -1, -1, -1};
  PointTable preview_;
  std::optional<TPreviewSurface> surface_;
  T3DGraphSetup setup_;
  T3DBase renderer_;
  QImage frame_;
  bool frameValid_ = false;
  int builds_ = 0;
  int draws_ = 0;
};

// Installs the dialogs in the import road: ChooseColumns runs dialog 4078, ChooseXYColumns
// dialog 4035 (listing two-column text files too), both over the main window.
void RegisterColumnDialogs();
