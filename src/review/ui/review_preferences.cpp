#include "review/ui/review_preferences.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/shell_state.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "app/ui/small_controls.h"
#include "graph3d/frame_codec.h"
#include "graph3d/renderer.h"

namespace {

constexpr int kDefaultLabelDigits = 6;
constexpr int kDefaultTitleDigits = 8;
constexpr int kDefaultCacheKb = 1000;
// The image kinds of the three choices.
constexpr std::array<int, 3> kKindOfChoice = {kImageBits, kImageRleDib, kImageLzwBits};

// The render thread always may run here, and no display has exactly 256 colours.
constexpr bool kThreadsAllowed = true;
constexpr bool kPaletteDisplay = false;

template <class W>
W* Named(W* widget, int id) {
  widget->setObjectName(QString::number(id));
  return widget;
}

int Value(const TEditInt* edit) { return static_cast<int>(edit->Value()); }

}  // namespace

TPreference::TPreference(QWidget* parent, ProgramSettings& settings) : TDlg(parent), settings_(settings) {
  setObjectName("TPreference");
  setWindowTitle(tr("Review Preferences"));

  auto* precision = Named(new QGroupBox(this), 11901);
  auto* precisionGrid = new QGridLayout(precision);
  precisionGrid->addWidget(new QLabel(tr("Numeric Precision"), precision), 0, 0, 1, 2);
  labelDigits_ = Named(new TEditInt(precision, 3, 3, 8), kLabelDigits);
  titleDigits_ = Named(new TEditInt(precision, 3, 3, 15), kTitleDigits);
  const std::pair<const char*, TEditInt*> digitRows[] = {{"Graph &Labels:", labelDigits_},
                                                        {"Graph &Titles:", titleDigits_}};
  int row = 1;
  for (const auto& [text, edit] : digitRows) {
    auto* label = new QLabel(tr(text), precision);
    label->setBuddy(edit);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
    precisionGrid->addWidget(label, row, 0);
    precisionGrid->addWidget(edit, row++, 1);
  }

  auto* panes = Named(new QGroupBox(this), 11902);
  auto* paneBox = new QVBoxLayout(panes);
  rightFill_ = Named(new QCheckBox(tr("Right &Fill Numeric Values"), panes), kRightFill);
  updateWhileScrolling_ = Named(new QCheckBox(tr("&Update Text Windows During Scrolling"), panes), kUpdateWhileScrolling);
  volume_ = Named(new QCheckBox(tr("Add &Volume to Numeric Summary"), panes), kVolume);
  for (QCheckBox* c : {rightFill_, updateWhileScrolling_, volume_}) paneBox->addWidget(c);

  auto* drawing = Named(new QGroupBox(this), 11903);
  auto* drawingBox = new QVBoxLayout(drawing);
  direct_ = Named(new QRadioButton(tr("Draw Graphs &Direct to Screen"), drawing), kDirect);
  viaBitmaps_ = Named(new QRadioButton(tr("Draw Graphs via &Bitmaps"), drawing), kViaBitmaps);
  drawingBox->addWidget(direct_);
  drawingBox->addWidget(viaBitmaps_);

  auto* cache = Named(new QGroupBox(this), 11904);
  auto* cacheBox = new QVBoxLayout(cache);
  cacheOn_ = Named(new QCheckBox(tr("Enable &Graph Cache"), cache), kCacheOn);
  background_ = Named(new QCheckBox(tr("Build Graph &Cache on Background Thread"), cache), kBackground);
  cacheStats_ = Named(new QCheckBox(tr("D&isplay Cache Size and Timing"), cache), kCacheStats);
  for (QCheckBox* c : {cacheOn_, background_, cacheStats_}) cacheBox->addWidget(c);
  auto* sizeRow = new QHBoxLayout;
  cacheSizeLabel_ = Named(new QLabel(tr("Graph Cache &Maximum Size (Kb):"), cache), kCacheSizeLabel);
  cacheSize_ = Named(new TEditInt(cache, 6, 1, kMaxCacheKb), kCacheSize);
  cacheSize_->setMaximumWidth(cacheSize_->fontMetrics().horizontalAdvance(QStringLiteral("000000000")));
  cacheSizeLabel_->setBuddy(cacheSize_);
  sizeRow->addWidget(cacheSizeLabel_);
  sizeRow->addWidget(cacheSize_);
  sizeRow->addStretch(1);
  cacheBox->addLayout(sizeRow);
  const char* kindTexts[3] = {"&Std Bitmap: Very Fast, ~ 5 graphs/Mb", "RL&E Bitmap: Fast, ~ 15 graphs/Mb ",
                              "L&ZW Bitmap: Slower, ~ 45 graphs/Mb"};
  for (std::size_t i = 0; i < kinds_.size(); ++i) {
    kinds_[i] = Named(new QRadioButton(tr(kindTexts[i]), cache), kStdBitmap + static_cast<int>(i));
    cacheBox->addWidget(kinds_[i]);
  }
  connect(cacheOn_, &QCheckBox::clicked, this, [this] { EnableCacheControls(); });

  auto* left = new QVBoxLayout;
  left->addWidget(precision);
  left->addWidget(panes);
  left->addWidget(drawing);
  left->addStretch(1);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addWidget(cache, 0, Qt::AlignTop);
  auto* top = new QVBoxLayout(this);
  top->addLayout(columns);
  top->addLayout(OkCancelResetHelpRow(this, kHelpContext, [this] { Reset(); }));

  // The fields as the settings stand.
  const ProgramSettings& s = settings_;
  labelDigits_->setText(QString::number(s.GraphLabelDigits));
  titleDigits_->setText(QString::number(s.GraphTitleDigits));
  cacheSize_->setText(QString::number(s.GraphCacheKb));
  rightFill_->setChecked(s.numberPadding != 0);
  updateWhileScrolling_->setChecked(s.UpdateTextWhileScrolling != 0);
  volume_->setChecked(s.VolumeOption != 0);
  (s.useBitmaps == 0 ? direct_ : viaBitmaps_)->setChecked(true);
  cacheOn_->setChecked(s.GraphCacheOn != 0);
  background_->setChecked(kThreadsAllowed && s.BackgroundCacheOn != 0);
  cacheStats_->setChecked(s.ShowCacheStats != 0);
  // A run-length coded kind is kept as the LZW kind on a display without a palette; a kind
  // the dialog does not offer (an uncompressed bitmap) checks none and is kept on OK.
  const int kind = !kPaletteDisplay && s.ReviewImageKind == kImageRleDib ? kImageLzwBits : s.ReviewImageKind;
  for (std::size_t i = 0; i < kinds_.size(); ++i) kinds_[i]->setChecked(kKindOfChoice[i] == kind);
}

QWidget* TPreference::Control(int id) const { return findChild<QWidget*>(QString::number(id)); }

void TPreference::SetupWindow() {
  TDlg::SetupWindow();
  EnableCacheControls();
}

void TPreference::EnableCacheControls() {
  const bool on = cacheOn_->isChecked();
  background_->setEnabled(kThreadsAllowed && on);
  for (QWidget* w : std::initializer_list<QWidget*>{cacheStats_, cacheSize_, cacheSizeLabel_, kinds_[0], kinds_[2]})
    w->setEnabled(on);
  kinds_[1]->setEnabled(on && kPaletteDisplay);
}

void TPreference::Reset() {
  labelDigits_->setText(QString::number(kDefaultLabelDigits));
  titleDigits_->setText(QString::number(kDefaultTitleDigits));
  for (QCheckBox* c : {rightFill_, updateWhileScrolling_, volume_}) c->setChecked(false);
  viaBitmaps_->setChecked(true);
  for (QCheckBox* c : {cacheOn_, background_, cacheStats_}) c->setChecked(true);
  cacheSize_->setText(QString::number(kDefaultCacheKb));
  kinds_[2]->setChecked(true);
  EnableCacheControls();
}

void TPreference::accept() {
  // A field out of its range is set to the nearer bound and the dialog stays open.
  if (!FieldsSettled()) return;
  ProgramSettings& s = settings_;
  s.GraphLabelDigits = Value(labelDigits_);
  s.GraphTitleDigits = Value(titleDigits_);
  s.numberPadding = rightFill_->isChecked() ? 1 : 0;
  s.UpdateTextWhileScrolling = updateWhileScrolling_->isChecked() ? 1 : 0;
  s.VolumeOption = volume_->isChecked() ? 1 : 0;
  s.useBitmaps = direct_->isChecked() ? 0 : 1;
  s.GraphCacheOn = cacheOn_->isChecked() ? 1 : 0;
  s.BackgroundCacheOn = background_->isChecked() ? 1 : 0;
  s.ShowCacheStats = cacheStats_->isChecked() ? 1 : 0;
  s.GraphCacheKb = Value(cacheSize_);
  for (std::size_t i = 0; i < kinds_.size(); ++i)
    if (kinds_[i]->isChecked()) s.ReviewImageKind = kKindOfChoice[i];
  ApplyReviewPreferences(s);
  TDlg::accept();
}

void ApplyReviewPreferences(const ProgramSettings& settings) { SetGraphLabelDigits(settings.GraphLabelDigits); }

void RegisterReviewPreferences() {
  RegisterCommand(CmReviewPreferences, [] {
    CloseDataStatus();
    (void)(new TPreference(MainWindow, CurrentSettings()))->Execute();
    ShowDataStatus();
  });
  AddStartupStep("review preferences", [] { ApplyReviewPreferences(CurrentSettings()); });
  AddResetStep("review preferences", [] { ApplyReviewPreferences(CurrentSettings()); });
}
