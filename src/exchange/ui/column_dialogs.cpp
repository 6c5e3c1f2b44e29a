#include "exchange/ui/column_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <array>

#include "app/ui/path_label.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

namespace {

constexpr int kKindChars = 40;
constexpr int kChoiceChars = 80;
constexpr const char* kSelectionError = "Column Selection Error";
constexpr int kChoiceTextWidth = 180;

QString Cut(const std::string& text, int chars) {
  return platform::qt::FromCp1252(std::string_view(text).substr(0, static_cast<std::size_t>(chars)));
}

// The list of columns, in a fixed-pitch font: as wide as most entries where the screen has
// room (a scroll bar shows the rest), narrower where it has not, so that the dialog fits a
// screen of 1024 x 768 with its preview beside it.
class TColumnList : public QListWidget {
 public:
  explicit TColumnList(QWidget* parent) : QListWidget(parent) {
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    setFont(fixed);
    setMinimumSize(Columns(24), 240);
  }
  QSize sizeHint() const override { return {Columns(40), 240}; }

 private:
  int Columns(int n) const { return fontMetrics().horizontalAdvance(QString(n, 'M')) + 24; }
};

}  // namespace

TDlgSelCol::TDlgSelCol(QWidget* parent, int templateId, std::string path, int kind, bool listXY,
                       TImportColumns& columns, std::string shown)
    : TDlg(parent),
      templateId_(templateId),
      kind_(kind),
      path_(std::move(path)),
      shown_(shown.empty() ? path_ : std::move(shown)),
      listXY_(listXY),
      columns_(columns),
      pathText_(new TPathLabel(this)),
      kindText_(new QLabel(this)),
      list_(new TColumnList(this)) {
  // A new choice starts empty: every column unset, every sheet the first.
  choice_ = TImportColumns{};
  setWindowTitle(templateId == kSelectXYTemplate ? tr("Select X and Y Columns") : tr("Select Columns for XYZ Data Table"));
  pathText_->setObjectName(QString::number(kPathText));
  kindText_->setObjectName(QString::number(kKindText));
  list_->setObjectName(QString::number(kList));
  auto* top = new QVBoxLayout(this);
  top->addWidget(pathText_);
  top->addWidget(kindText_);
  body_ = new QHBoxLayout;
  body_->addWidget(list_, 1);
  choiceColumn_ = new QVBoxLayout;
  choices_ = new QGridLayout;
  choiceColumn_->addLayout(choices_);
  choiceColumn_->addStretch(1);
  body_->addLayout(choiceColumn_);
  top->addLayout(body_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(tr("OK"), this);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  auto* help = new QPushButton(tr("Help"), this);
  ok->setObjectName("button1"), cancel->setObjectName("button2"), help->setObjectName("button9");
  ok->setDefault(true);
  for (QPushButton* b : {ok, cancel, help}) buttons->addWidget(b);
  top->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &TDlgSelCol::accept);
  connect(cancel, &QPushButton::clicked, this, &TDlgSelCol::reject);
  connect(help, &QPushButton::clicked, this,
          [this] { platform::ShowHelp(platform::qt::ToWindow(this), HelpContext()); });
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { DoubleClicked(list_->row(item)); });
  // The X choice's text; the dialogs of more columns put their buttons beside it.
  auto* xText = new QLabel(this);
  xText->setObjectName(QString::number(kXText));
  xText->setMinimumWidth(kChoiceTextWidth);
  choiceTexts_[0] = xText;
  choices_->addWidget(xText, 0, 1);
}

void TDlgSelCol::SetupWindow() {
  TDlg::SetupWindow();
  // The whole path: the label shortens it in its middle, keeping the file name.
  pathText_->SetPath(platform::qt::FromCp1252(shown_));
  kindText_->setText(Cut(ImportKindName(kind_), kKindChars));
  entries_ = ListImportColumns(path_, kind_, listXY_);
  for (const std::string& e : entries_) list_->addItem(platform::qt::FromCp1252(e));
  // The list is as wide as its widest entry where the screen holds it: the rest of the dialog
  // (a preview beside it) gives up its room first, down to its own least width. At 1024 x 768
  // the list stood at its least width, its names cut, while the preview took twice its room.
  const QRect room = WindowRoom(this);
  const int entries = list_->sizeHintForColumn(0) + 2 * list_->frameWidth() +
                      list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
  const int others = layout()->minimumSize().width() - list_->minimumSizeHint().expandedTo(list_->minimumSize()).width();
  list_->setMinimumWidth(std::max(list_->minimumWidth(), std::min(entries, room.width() - others)));
  // As large as its list and preview ask where the screen holds it (the set-up stops at two
  // thirds of the screen, which left the list at its least width), within the screen.
  layout()->activate();
  resize(sizeHint().expandedTo(minimumSizeHint()).boundedTo(room.size()));
  PlaceOnOpening();
}

void TDlgSelCol::AddChoiceRow(int which, const QString& buttonText, int buttonId, int textId) {
  auto* button = new QPushButton(buttonText, this);
  button->setObjectName(QString::number(buttonId));
  QLabel*& text = choiceTexts_[which];
  if (text == nullptr) {
    text = new QLabel(this);
    text->setMinimumWidth(kChoiceTextWidth);
    choices_->addWidget(text, which, 1);
  }
  text->setObjectName(QString::number(textId));
  choices_->addWidget(button, which, 0);
  connect(button, &QPushButton::clicked, this, [this, which] {
    if (list_->currentRow() < 0) return;
    Choose(which, list_->currentRow());
    ChoiceChanged();
  });
}

TColumnRef TDlgSelCol::ParseItem(int row) const {
  if (row < 0 || row >= static_cast<int>(entries_.size())) return {};
  return ParseColumnEntry(kind_, std::string_view(entries_[static_cast<std::size_t>(row)]).substr(0, kChoiceChars));
}

bool TDlgSelCol::Chosen(int which) const {
  const std::array<int, 4> columns = {choice_.ImportColX, choice_.ImportColY, choice_.ImportColZ, choice_.ImportColW};
  return columns[static_cast<std::size_t>(which)] >= 0;
}

void TDlgSelCol::Choose(int which, int row) {
  const TColumnRef ref = ParseItem(row);
  if (ref.column < 0) return;
  switch (which) {
    case 0: choice_.ImportColX = ref.column, choice_.ImportSheetX = ref.sheet; break;
    case 1: choice_.ImportColY = ref.column, choice_.ImportSheetY = ref.sheet; break;
    case 2: choice_.ImportColZ = ref.column, choice_.ImportSheetZ = ref.sheet; break;
    default: choice_.ImportColW = ref.column, choice_.ImportSheetW = ref.sheet; break;
  }
  if (QLabel* text = choiceTexts_[which]) {
    // The whole entry as the label's tip, as much as fits in the label itself.
    const QString entry = Cut(entries_[static_cast<std::size_t>(row)], kChoiceChars);
    text->setToolTip(entry);
    text->setText(text->fontMetrics().elidedText(entry, Qt::ElideRight, text->width()));
  }
}

void TDlgSelCol::SelectionChanged() {
  if (list_->currentRow() < 0) return;
  Choose(0, list_->currentRow());
  ChoiceChanged();
}

void TDlgSelCol::DoubleClicked(int row) {
  Choose(0, row);
  ChoiceChanged();
  accept();
}

TDlgSelCol::TProblem TDlgSelCol::SelectionProblem() const {
  return Chosen(0) ? kNoProblem : kNotChosen;
}

bool TDlgSelCol::CanClose() {
  const TProblem problem = SelectionProblem();
  if (problem == kNoProblem) return true;
  // The one-column dialog simply waits for a column.
  if (templateId_ != kSelectXYTemplate && templateId_ != kSelectXYZTemplate) return false;
  const char* text = "Selections Must Be Separate Columns";
  if (problem == kMixedSheets) text = "Selections Must Be From a Single Page";
  // A column not chosen yet is no repeated column: say what is missing.
  if (problem == kNotChosen)
    text = templateId_ == kSelectXYTemplate ? "Choose the X and Y Columns" : "Choose the X, Y and Z Columns";
  ErrorBox(platform::qt::ToWindow(this), kSelectionError, text);
  return false;
}

void TDlgSelCol::accept() {
  if (!CanClose()) return;
  columns_ = choice_;
  TDlg::accept();
}

TDlgSelXY::TDlgSelXY(QWidget* parent, int templateId, std::string path, int kind, bool listXY, TImportColumns& columns,
                     std::string shown)
    : TDlgSelCol(parent, templateId, std::move(path), kind, listXY, columns, std::move(shown)) {
  const bool xy = templateId == kSelectXYTemplate;
  AddChoiceRow(0, xy ? tr("&X Values") : tr("&X"), kXButton, kXText);
  AddChoiceRow(1, xy ? tr("&Y Values") : tr("&Y"), kYButton, kYText);
}

TDlgSelCol::TProblem TDlgSelXY::SelectionProblem() const {
  if (!Chosen(0) || !Chosen(1)) return kNotChosen;
  if (choice_.ImportSheetX != choice_.ImportSheetY) return kMixedSheets;
  if (choice_.ImportColX == choice_.ImportColY) return kSameColumns;
  return kNoProblem;
}

void TDlgSelXY::FillFirstUnset(int count) {
  const int row = List()->currentRow();
  if (row < 0) return;
  for (int which = 0; which < count; ++which)
    if (!Chosen(which)) {
      Choose(which, row);
      break;
    }
  ChoiceChanged();
}

void TDlgSelXY::SelectionChanged() { FillFirstUnset(2); }

void TDlgSelXY::DoubleClicked(int) {
  FillFirstUnset(2);
  accept();
}

TDlgSelXYZ::TDlgSelXYZ(QWidget* parent, int templateId, std::string path, int kind, bool listXY,
                       TImportColumns& columns, std::string shown)
    : TDlgSelXY(parent, templateId, std::move(path), kind, listXY, columns, std::move(shown)) {
  AddChoiceRow(2, tr("&Z"), kZButton, kZText);
  AddChoiceRow(3, tr("&Weights"), kWButton, kWText);
}

TDlgSelCol::TProblem TDlgSelXYZ::SelectionProblem() const {
  const TImportColumns& c = choice_;
  if (!Chosen(0) || !Chosen(1) || !Chosen(2)) return kNotChosen;
  if (c.ImportSheetX != c.ImportSheetY || c.ImportSheetX != c.ImportSheetZ ||
      (Chosen(3) && c.ImportSheetW != c.ImportSheetX))
    return kMixedSheets;
  if (c.ImportColX == c.ImportColY || c.ImportColX == c.ImportColZ || c.ImportColY == c.ImportColZ)
    return kSameColumns;
  if (Chosen(3) && (c.ImportColW == c.ImportColX || c.ImportColW == c.ImportColY || c.ImportColW == c.ImportColZ))
    return kSameColumns;
  return kNoProblem;
}

void TDlgSelXYZ::SelectionChanged() { FillFirstUnset(3); }

void TDlgSelXYZ::DoubleClicked(int row) {
  if (row < 0 || row + 2 >= List()->count()) return;
  for (int which = 0; which < 3; ++which) Choose(which, row + which);
  // The selection moves along to the last of the three, without choosing again.
  const QSignalBlocker quiet(List());
  List()->setCurrentRow(row + 2);
  ChoiceChanged();
}
