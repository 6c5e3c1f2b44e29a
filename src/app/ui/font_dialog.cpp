#include "app/ui/font_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "app/c_format.h"
#include "app/ui/dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;

namespace {

constexpr int kFaceChars = 31;  // a record's face holds 31 characters and its end
constexpr int kRegularWeight = 400;

struct NamedColor {
  const char* name;
  std::uint32_t ref;  // 0x00BBGGRR
};

// The text colours offered: the sixteen colours every display shows.
constexpr NamedColor kTextColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080}, {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},    {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF}};

QColor ToQColor(std::uint32_t ref) { return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }

QIcon Swatch(std::uint32_t ref) {
  QPixmap pixmap(24, 12);
  pixmap.fill(ToQColor(ref));
  QPainter(&pixmap).drawRect(0, 0, 23, 11);
  return QIcon(pixmap);
}

int RecordWeight(const TLogFont& font) { return font.weight > 0 ? std::clamp(font.weight, 100, 900) : kRegularWeight; }

// The font the record asks for, as the dialog takes it.
QFont Wanted(const TLogFont& record, const QString& family, const QString& style) {
  QFont font(family);
  font.setPointSize(std::clamp(record.height > 0 ? record.height : 11, 1, 512));
  font.setWeight(static_cast<QFont::Weight>(RecordWeight(record)));
  font.setItalic(record.italic != 0);
  if (!style.isEmpty()) font.setStyleName(style);
  font.setUnderline(record.underline != 0);
  font.setStrikeOut(record.strikeOut != 0);
  return font;
}

bool SameStyle(const QFont& a, const QFont& b) {
  return a.styleName() == b.styleName() && a.weight() == b.weight() && a.style() == b.style();
}

// The font lists, embedded in the dialog. Their own ending (Escape anywhere in them, Enter
// in the family or style list) ends the whole dialog: on their own they hid themselves and
// left an empty dialog, whose Enter then took the change Escape was meant to drop.
class TEmbeddedFontLists : public QFontDialog {
 public:
  explicit TEmbeddedFontLists(QDialog* owner) : QFontDialog(owner), owner_(owner) {}

 protected:
  void done(int result) override {
    if (result == QDialog::Accepted)
      owner_->accept();
    else
      owner_->reject();
  }

 private:
  QDialog* owner_;
};

}  // namespace

std::string FaceOfFamily(const QString& family) {
  QString face = family;
  if (const qsizetype bracket = face.indexOf(QLatin1String(" [")); bracket > 0 && face.endsWith(']'))
    face.truncate(bracket);
  return ToCp1252(face.trimmed()).substr(0, kFaceChars);
}

QString NearestStyle(const QString& family, int weight, bool italic) {
  QString best;
  int bestScore = INT_MAX;
  for (const QString& style : QFontDatabase::styles(family)) {
    // Weight and slant first; between styles alike in both the plainest name ("Book"
    // before "Condensed", "Bold" before "Condensed Bold").
    const bool slanted = QFontDatabase::italic(family, style);
    const int score = (slanted != italic ? 100000 : 0) + 100 * std::abs(QFontDatabase::weight(family, style) - weight) +
                      static_cast<int>(std::min<qsizetype>(style.size(), 99));
    if (score < bestScore) {
      bestScore = score;
      best = style;
    }
  }
  return best;
}

TFontDlg::TFontDlg(QWidget* owner, const TLogFont& font, const TFontChoice& choice)
    : QDialog(owner), record_(font), choice_(choice), fonts_(new TEmbeddedFontLists(this)) {
  setObjectName("TFontDlg");
  setWindowTitle(choice.title);
  color_ = choice.color != nullptr ? *choice.color : 0;

  fonts_->setWindowFlags(Qt::Widget);
  QFontDialog::FontDialogOptions options = QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog;
  if (choice.pitch == FontPitch::Fixed) options |= QFontDialog::MonospacedFonts;
  fonts_->setOptions(options);
  // First the face as written, so that the dialog picks the family it shows for it (a
  // stand-in when this machine lacks the face); then the style of that family nearest the
  // record's weight and slant.
  const bool italic = record_.italic != 0;
  fonts_->setCurrentFont(Wanted(record_, FromCp1252(record_.faceName), {}));
  const QString family = fonts_->currentFont().family();
  fonts_->setCurrentFont(Wanted(record_, family, NearestStyle(family, RecordWeight(record_), italic)));
  shown_ = fonts_->currentFont();
  lastShown_ = shown_;
  wantedWeight_ = RecordWeight(record_);
  wantedItalic_ = italic;
  connect(fonts_, &QFontDialog::currentFontChanged, this, &TFontDlg::FontShown);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fonts_);
  if (choice.color != nullptr) {
    auto* row = new QHBoxLayout;
    // In line with the font lists above it.
    if (const QLayout* lists = fonts_->layout()) row->setContentsMargins(lists->contentsMargins().left(), 0, 0, 0);
    auto* label = new QLabel("&Color:", this);
    colors_ = new QComboBox(this);
    colors_->setObjectName("colors");
    label->setBuddy(colors_);
    for (const NamedColor& c : kTextColors) colors_->addItem(Swatch(c.ref), c.name, QVariant::fromValue(c.ref));
    shownColorIndex_ = colors_->findData(QVariant::fromValue(color_ & 0xFFFFFF));
    if (shownColorIndex_ < 0 || (color_ & 0xFF000000u) != 0) {
      // A colour of the record outside the list is offered as it is.
      colors_->addItem(Swatch(color_), "Custom", QVariant::fromValue(color_));
      shownColorIndex_ = colors_->count() - 1;
    }
    colors_->setCurrentIndex(shownColorIndex_);
    row->addWidget(label);
    row->addWidget(colors_);
    row->addStretch(1);
    layout->addLayout(row);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void TFontDlg::FontShown(const QFont& font) {
  if (adjusting_) return;
  if (font.family() != lastShown_.family()) {
    // The lists fall on the new family's first style, or on one named as before: shown in
    // the style nearest the one wanted instead, once the lists have done with the click.
    QMetaObject::invokeMethod(this, &TFontDlg::ShowNearestStyle, Qt::QueuedConnection);
  } else if (!SameStyle(font, lastShown_)) {
    styleChosen_ = true;
    wantedWeight_ = font.weight();
    wantedItalic_ = font.style() != QFont::StyleNormal;
  }
  lastShown_ = font;
}

void TFontDlg::ShowNearestStyle() {
  const QFont now = fonts_->currentFont();
  const QString style = NearestStyle(now.family(), wantedWeight_, wantedItalic_);
  if (style.isEmpty() || style == now.styleName()) return;
  QFont nearest = now;
  nearest.setWeight(static_cast<QFont::Weight>(QFontDatabase::weight(now.family(), style)));
  nearest.setItalic(QFontDatabase::italic(now.family(), style));
  nearest.setStyleName(style);
  adjusting_ = true;
  fonts_->setCurrentFont(nearest);
  adjusting_ = false;
  lastShown_ = fonts_->currentFont();
}

TLogFont TFontDlg::Font() const {
  const QFont now = fonts_->currentFont();
  TLogFont f = record_;
  if (now.family() != shown_.family()) {
    f.faceName = FaceOfFamily(now.family());
    const bool fixed = QFontDatabase::isFixedPitch(now.family(), now.styleName());
    f.pitchAndFamily = static_cast<std::uint8_t>((f.pitchAndFamily & 0xF0) | (fixed ? 1 : 2));
  }
  // The weight and slant are the record's unless the user chose a style (a family chosen
  // alone is only shown in its nearest style).
  if (styleChosen_ && !SameStyle(now, shown_)) {
    f.weight = now.weight();
    f.italic = now.style() != QFont::StyleNormal ? 1 : 0;
  }
  if (now.pointSize() != shown_.pointSize() && now.pointSize() > 0) f.height = now.pointSize();
  if (now.underline() != shown_.underline()) f.underline = now.underline() ? 1 : 0;
  if (now.strikeOut() != shown_.strikeOut()) f.strikeOut = now.strikeOut() ? 1 : 0;
  return f;
}

std::uint32_t TFontDlg::Color() const {
  if (colors_ == nullptr || colors_->currentIndex() == shownColorIndex_) return color_;
  return colors_->currentData().value<std::uint32_t>();
}

void TFontDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous() || placed_) return;
  placed_ = true;
  PlaceFrameWithinScreen(this, pos(), size());
}

void TFontDlg::accept() {
  const QFont now = fonts_->currentFont();
  if (now.pointSize() != shown_.pointSize() &&
      (now.pointSize() < choice_.minPoints || now.pointSize() > choice_.maxPoints)) {
    ErrorBox(platform::qt::ToWindow(this), choice_.title,
             CFormat("Size must be between %d and %d points.", choice_.minPoints, choice_.maxPoints));
    return;
  }
  QDialog::accept();
}

namespace {

TFontDialogRunner& Runner() {
  static TFontDialogRunner runner;
  return runner;
}

}  // namespace

void SetFontDialogRunner(TFontDialogRunner runner) { Runner() = std::move(runner); }

bool ChooseFontDlg(QWidget* owner, TLogFont& font, const TFontChoice& choice) {
  TFontDlg dialog(owner, font, choice);
  const int answer = Runner() ? Runner()(dialog) : dialog.exec();
  if (answer != QDialog::Accepted) return false;
  font = dialog.Font();
  if (choice.color != nullptr) *choice.color = dialog.Color();
  return true;
}
