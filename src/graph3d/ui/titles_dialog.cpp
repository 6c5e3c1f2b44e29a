#include "graph3d/ui/titles_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cstdio>

#include "graph3d/ui/option_dialog_buttons.h"
#include "platform/qt/qt_text.h"
#include "platform/symbol_charset.h"

namespace {

constexpr const char* kTitlesFilter = "Custom Titles [ttl]|*.ttl|";
constexpr const char* kEditLabels[8] = {"Line &1", "Line &2", "Line &3", "Line &4", "Line &5",
                                        "&X Title", "&Y Title", "&Z Title"};
// Which size bar each text's size text shows: line 1, line 2, lines 3-5, axis titles.
constexpr int kSizeOf[8] = {0, 1, 2, 2, 2, 3, 3, 3};

TTitleBlock AutomaticBlock(const T3DTitleSet& set) {
  TTitleBlock b;
  for (std::size_t i = 0; i < 5; ++i) b.lines[i] = set.Lines[i].substr(0, 160);
  for (std::size_t i = 0; i < 3; ++i) b.axisTitles[i] = set.AxisTitles[i].substr(0, 80);
  for (std::size_t i = 0; i < 4; ++i) b.sizes[i] = TitleSizeFromPoints(set.FontSizes[i] > 0 ? set.FontSizes[i] : 10.0f);
  return b;
}

// A grid of characters that picks the one clicked.
class TCharGrid : public QWidget {
 public:
  TCharGrid(QWidget* parent, bool symbol, QFont font, std::function<void(int)> pick)
      : QWidget(parent), symbol_(symbol), font_(std::move(font)), pick_(std::move(pick)) {
    setMinimumSize(32 * 18, (symbol ? 7 : 4) * 20);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const int rows = symbol_ ? 7 : 4;
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.fillRect(r, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(r);
    for (int row = 1; row < rows; ++row) p.drawLine(0, row * height() / rows, width(), row * height() / rows);
    for (int c = 1; c < 32; ++c) p.drawLine(c * width() / 32, 0, c * width() / 32, height());
    p.setFont(font_);
    for (int row = 0; row < rows; ++row)
      for (int c = 0; c < 32; ++c) {
        const int ch = (symbol_ ? 32 : 128) + row * 32 + c;
        const QString text = symbol_ ? QString(QChar(platform::SymbolToUnicode(static_cast<unsigned char>(ch))))
                                     : platform::qt::FromCp1252(std::string(1, static_cast<char>(ch)));
        const QRect cell(c * width() / 32, row * height() / rows + height() / rows / 5, width() / 32,
                         height() / rows);
        p.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, text);
      }
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) pick_(TSpcChar::CodeAt(symbol_, e->position().toPoint(), size()));
  }

 private:
  bool symbol_;
  QFont font_;
  std::function<void(int)> pick_;
};

}  // namespace

TTitles::TTitles(QWidget* parent, T3DTitleSet* custom, const T3DTitleSet& automatic, const platform::Font& font)
    : TDlg(parent), custom_(custom), automatic_(AutomaticBlock(automatic)), font_(font) {
  setWindowTitle(tr("Custom Titles"));
  working_ = WorkingTitleBlock(*custom, automatic_);
  auto* textsBox = new QGroupBox(tr("Titles"), this);
  auto* grid = new QGridLayout(textsBox);
  for (int i = 0; i < 8; ++i) {
    auto* e = new QLineEdit(textsBox);
    e->setMaxLength(static_cast<int>(Limit(i)));
    e->setObjectName(QString("edit%1").arg(491 + i));
    e->setMinimumWidth(380);
    auto* label = new QLabel(tr(kEditLabels[i]), textsBox);
    label->setBuddy(e);
    auto* size = new QLabel(textsBox);
    size->setMinimumWidth(36);
    grid->addWidget(label, i, 0);
    grid->addWidget(e, i, 1);
    grid->addWidget(size, i, 2);
    edits_[static_cast<std::size_t>(i)] = e;
    sizeTexts_[static_cast<std::size_t>(i)] = size;
    // The line the markup and clipboard buttons act on: the one the user last worked in,
    // entered by a click, Tab or its letter even where the caret did not move. The program's
    // own rewriting of the texts (Reset, Read) moves carets but chooses no line.
    e->installEventFilter(this);
    const auto notified = [this, i] {
      if (!writing_) last_ = i;
    };
    connect(e, &QLineEdit::cursorPositionChanged, this, notified);
    connect(e, &QLineEdit::textEdited, this, notified);
    connect(e, &QLineEdit::selectionChanged, this, notified);
  }
  auto* sizesBox = new QGroupBox(tr("Font Sizes"), this);
  auto* sizes = new QGridLayout(sizesBox);
  constexpr const char* kSizeLabels[4] = {"Line 1", "Line 2", "Lines 3-5", "X, Y, Z"};
  for (int i = 0; i < 4; ++i) {
    auto* bar = new QScrollBar(Qt::Horizontal, sizesBox);
    bar->setRange(TTitleSize::kLowest, TTitleSize::kHighest);
    bar->setMinimumWidth(160);
    bar->setObjectName(QString("scroll%1").arg(502 + i));
    sizes->addWidget(new QLabel(tr(kSizeLabels[i]), sizesBox), i, 0);
    sizes->addWidget(bar, i, 1);
    bars_[static_cast<std::size_t>(i)] = bar;
    connect(bar, &QScrollBar::valueChanged, this, [this] {
      if (writing_) return;
      ReadControls();
      if (constant_->isChecked()) {
        for (std::size_t k = 1; k < 4; ++k) working_.sizes[k].position = working_.sizes[0].position;
        WriteControls();
      }
      UpdateSizes();
    });
  }
  constant_ = new QCheckBox(tr("Cons&tant"), sizesBox);
  sizes->addWidget(constant_, 4, 1);
  connect(constant_, &QCheckBox::clicked, this, [this](bool on) { SetConstant(on); });

  auto* markup = new QHBoxLayout;
  auto addTool = [&](const char* text, int id, std::function<void()> action) {
    auto* b = new QPushButton(tr(text), this);
    b->setObjectName(QString("button%1").arg(id));
    b->setFocusPolicy(Qt::NoFocus);  // the edit keeps its selection
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, std::move(action));
    markup->addWidget(b);
  };
  auto current = [this] { return edits_[static_cast<std::size_t>(last_)]; };
  addTool("C&opy", 362, [current] { current()->copy(); current()->setFocus(); });
  addTool("C&ut", 361, [current] { current()->cut(); current()->setFocus(); });
  addTool("Past&e", 363, [current] { current()->paste(); current()->setFocus(); });
  addTool("Su&perscript", 499, [this] { Superscript(); });
  addTool("Su&bscript", 500, [this] { Subscript(); });
  addTool("Special &Char", 501, [this] { SpecialCharacter(); });
  markup->addStretch(1);

  auto* left = new QVBoxLayout;
  left->addWidget(textsBox);
  left->addLayout(markup);
  left->addWidget(sizesBox);
  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons, 6, [this] { CmReset(); }, [this] { CmReadTitles(); },
                   [this] { CmSaveTitles(); });
  auto* top = new QHBoxLayout(this);
  top->addLayout(left);
  top->addLayout(buttons);
  WriteControls();
  UpdateSizes();
}

bool TTitles::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn)
    for (std::size_t i = 0; i < edits_.size(); ++i)
      if (watched == edits_[i]) last_ = static_cast<int>(i);
  return TDlg::eventFilter(watched, event);
}

void TTitles::ReadControls() {
  for (int i = 0; i < 8; ++i) {
    std::string text = platform::qt::ToCp1252(edits_[static_cast<std::size_t>(i)]->text());
    (i < 5 ? working_.lines[static_cast<std::size_t>(i)] : working_.axisTitles[static_cast<std::size_t>(i - 5)]) =
        text.substr(0, Limit(i));
  }
  for (std::size_t k = 0; k < 4; ++k) working_.sizes[k].position = bars_[k]->value();
}

void TTitles::WriteControls() {
  writing_ = true;
  for (int i = 0; i < 8; ++i) {
    const std::string& text =
        i < 5 ? working_.lines[static_cast<std::size_t>(i)] : working_.axisTitles[static_cast<std::size_t>(i - 5)];
    edits_[static_cast<std::size_t>(i)]->setText(platform::qt::FromCp1252(text));
  }
  for (std::size_t k = 0; k < 4; ++k) bars_[k]->setValue(working_.sizes[k].position);
  writing_ = false;
}

void TTitles::UpdateSizes() {
  for (int i = 0; i < 8; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%4.1f",
                  static_cast<double>(bars_[static_cast<std::size_t>(kSizeOf[i])]->value()) * 0.5);
    sizeTexts_[static_cast<std::size_t>(i)]->setText(QString::fromLatin1(text).trimmed());
  }
}

void TTitles::InsertPair(const char* code) {
  QLineEdit* e = edits_[static_cast<std::size_t>(last_)];
  const int s = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
  const int end = e->hasSelectedText() ? e->selectionEnd() : s;
  const auto edit = InsertMarkupPair(platform::qt::ToCp1252(e->text()), s, end, code, Limit(last_));
  e->setFocus();
  if (!edit) {
    QApplication::beep();  // the text stays as it is: the codes would not fit
    return;
  }
  e->setText(platform::qt::FromCp1252(edit->text));
  e->setSelection(edit->selStart, edit->selEnd - edit->selStart);
}

void TTitles::Superscript() { InsertPair(kSuperscriptCode); }
void TTitles::Subscript() { InsertPair(kSubscriptCode); }

void TTitles::InsertSpecial(int code) {
  QLineEdit* e = edits_[static_cast<std::size_t>(last_)];
  const int at = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
  const auto edit = InsertSpecialCharacter(platform::qt::ToCp1252(e->text()), at, code, Limit(last_));
  e->setFocus();
  if (!edit) {
    QApplication::beep();
    return;
  }
  e->setText(platform::qt::FromCp1252(edit->text));
  e->setCursorPosition(edit->selEnd);
}

void TTitles::SpecialCharacter() {
  int code = 0;
  if ((new TSpcChar(this, QString::fromStdString(font_.face), &code))->Execute() == 1) InsertSpecial(code);
}

void TTitles::SetConstant(bool on) {
  constant_->setChecked(on);
  if (on) {
    ReadControls();
    for (std::size_t k = 0; k < 4; ++k) working_.sizes[k].position = automatic_.sizes[2].position;
    WriteControls();
    UpdateSizes();
  }
  for (std::size_t k = 1; k < 4; ++k) bars_[k]->setEnabled(!on);
}

void TTitles::CmReset() {
  working_ = automatic_;
  WriteControls();
  UpdateSizes();
}

void TTitles::CmReadTitles() {
  const std::string path = AskOptionFile(this, false, "Read Custom Titles", kTitlesFilter, "TTL");
  if (path.empty()) return;
  TTitleBlock read;
  if (!ReportOptionFile(this, path, ReadTitleFile(path, read), kTitleFileErrorText)) return;
  RefreshAutomaticFitLines(read, automatic_);
  working_ = read;
  WriteControls();
  UpdateSizes();
}

void TTitles::CmSaveTitles() {
  // The file holds the program's single-byte text: what it cannot hold is refused as OK
  // refuses it, not saved as '?'.
  if (!EditsHoldProgramText(this, edits_)) return;
  const std::string path = AskOptionFile(this, true, "Save Custom Titles", kTitlesFilter, "TTL");
  if (path.empty()) return;
  ReadControls();
  ReportOptionFileSave(this, path, WriteTitleFile(path, working_));
}

void TTitles::accept() {
  if (!EditsHoldProgramText(this, edits_)) return;
  ReadControls();
  StoreTitleBlock(working_, automatic_, *custom_);
  custom_->FixedSizes = constant_->isChecked() ? 1 : 0;
  TDlg::accept();
}

TSpcChar::TSpcChar(QWidget* parent, const QString& titleFace, int* code) : TDlg(parent), code_(code) {
  setWindowTitle(tr("Add Special Character"));
  QFont title(titleFace);
  title.setPointSize(10);
  QFont symbol(QStringLiteral("DejaVu Sans"));
  symbol.setPointSize(10);
  auto* column = new QVBoxLayout(this);
  auto* face = new QLabel(titleFace, this);
  face->setObjectName("static387");
  column->addWidget(face);
  auto* upper = new TCharGrid(this, false, title, [this](int c) { Choose(c); });
  upper->setObjectName("frame516");
  column->addWidget(upper);
  column->addWidget(new QLabel(tr("Symbol Font"), this));
  auto* symbols = new TCharGrid(this, true, symbol, [this](int c) { Choose(c); });
  symbols->setObjectName("frame381");
  column->addWidget(symbols);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  column->addWidget(cancel, 0, Qt::AlignRight);
}

int TSpcChar::CodeAt(bool symbol, QPoint p, QSize grid) {
  const int rows = symbol ? 7 : 4;
  const int column = std::clamp(p.x() * 32 / std::max(1, grid.width()), 0, 31);
  const int row = std::clamp(p.y() * rows / std::max(1, grid.height()), 0, rows - 1);
  return symbol ? kSymbolCodeBase + 32 + column + 32 * row : 128 + column + 32 * row;
}

void TSpcChar::Choose(int code) {
  *code_ = code;
  accept();
}
