#include "app/ui/font_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QListView>
#include <QStringListModel>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "platform/message_box.h"

namespace {

// A face no machine has.
constexpr const char* kMissingFace = "Ondravik Missing Face";

TLogFont Record(const std::string& face, int points, int weight, int italic, int underline = 0, int strike = 0) {
  TLogFont f;
  f.faceName = face;
  f.height = points;
  f.weight = weight;
  f.italic = static_cast<std::uint8_t>(italic);
  f.underline = static_cast<std::uint8_t>(underline);
  f.strikeOut = static_cast<std::uint8_t>(strike);
  f.charSet = 0;
  f.outPrecision = 3;
  f.quality = 1;
  f.pitchAndFamily = 0x22;
  return f;
}

// A family of this machine with an upright regular style and an italic one, or empty.
QString FamilyWithUprightAndItalic() {
  for (const QString& family : QFontDatabase::families()) {
    bool upright = false, italic = false;
    for (const QString& style : QFontDatabase::styles(family)) {
      if (QFontDatabase::weight(family, style) != QFont::Normal) continue;
      (QFontDatabase::italic(family, style) ? italic : upright) = true;
    }
    if (upright && italic) return family;
  }
  return {};
}

// OK on an untouched dialog gives the record and the colour back byte for byte, whatever the
// record holds: a face this machine lacks, a style the face may not have, a size the lists
// do not offer, the effects. The dialog turned upright faces italic, a missing face into the
// stand-in the dialog showed, and dropped bold, underline and strike-out.
TEST(FontDialog, UntouchedOkGivesTheRecordBackByteForByte) {
  std::vector<TLogFont> records = {Record(kMissingFace, 11, 400, 0), Record(kMissingFace, 13, 700, 1, 1, 1),
                                   Record("Arial", 11, 400, 0),       Record("Arial", 9, 700, 0, 0, 1),
                                   Record("Courier New", 10, 0, 0),  Record("Nimbus Sans", 17, 300, 1, 1)};
  const QString family = FamilyWithUprightAndItalic();
  if (!family.isEmpty()) records.push_back(Record(family.toStdString(), 12, 400, 0));
  for (const TLogFont& record : records) {
    for (const bool withColor : {false, true}) {
      TLogFont font = record;
      std::uint32_t color = 0x00123456;  // a colour outside the list
      TFontChoice choice;
      choice.title = "Select Text Font";
      if (withColor) choice.color = &color;
      QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<TFontDlg*>(ActiveDialog())) d->accept();
      });
      ASSERT_TRUE(ChooseFontDlg(nullptr, font, choice)) << record.faceName;
      EXPECT_EQ(EncodeLogFont(font), EncodeLogFont(record)) << record.faceName << " " << record.weight;
      EXPECT_EQ(color, 0x00123456u);
    }
  }
}

// What the user changes is taken, and only that: a new size keeps a face this machine lacks
// as written; underline and strike-out are stored; a colour chosen is given back.
TEST(FontDialog, OnlyWhatTheUserChangedIsTaken) {
  const TLogFont record = Record(kMissingFace, 11, 700, 0);
  std::uint32_t color = 0;
  TFontChoice choice;
  choice.color = &color;
  TFontDlg dialog(nullptr, record, choice);
  QFont shown = dialog.Fonts()->currentFont();
  shown.setPointSize(14);
  shown.setUnderline(true);
  shown.setStrikeOut(true);
  dialog.Fonts()->setCurrentFont(shown);
  dialog.Colors()->setCurrentIndex(dialog.Colors()->findText("Red"));
  const TLogFont chosen = dialog.Font();
  EXPECT_EQ(chosen.faceName, kMissingFace);
  EXPECT_EQ(chosen.height, 14);
  EXPECT_EQ(chosen.weight, 700);
  EXPECT_EQ(chosen.underline, 1);
  EXPECT_EQ(chosen.strikeOut, 1);
  EXPECT_EQ(chosen.pitchAndFamily, 0x22);
  EXPECT_EQ(dialog.Color(), 0x0000FFu);  // red as 0x00BBGGRR
}

// The dialog opens on the style the record asks for: an upright regular record on the upright
// regular style of its face (the dialog fell on the face's first style, an italic one here).
TEST(FontDialog, OpensOnTheStyleTheRecordAsksFor) {
  const QString family = FamilyWithUprightAndItalic();
  if (family.isEmpty()) GTEST_SKIP() << "no face with an upright and an italic style";
  for (const int italic : {0, 1}) {
    TFontDlg dialog(nullptr, Record(family.toStdString(), 12, 400, italic), TFontChoice{});
    const QFont shown = dialog.Fonts()->currentFont();
    EXPECT_EQ(shown.italic() || shown.style() == QFont::StyleOblique, italic == 1) << family.toStdString();
    EXPECT_EQ(shown.weight(), QFont::Normal) << family.toStdString();
    EXPECT_EQ(shown.pointSize(), 12);
  }
  EXPECT_EQ(NearestStyle(family, 400, false).isEmpty(), false);
  EXPECT_TRUE(NearestStyle("", 400, false).isEmpty());
}

TEST(FontDialog, FacesKeepNoFoundry) {
  EXPECT_EQ(FaceOfFamily("Nimbus Sans [urw]"), "Nimbus Sans");
  EXPECT_EQ(FaceOfFamily("DejaVu Sans"), "DejaVu Sans");
  EXPECT_EQ(FaceOfFamily("[odd]"), "[odd]");
  EXPECT_EQ(FaceOfFamily(QString(40, 'x')).size(), 31u);
}

// A size outside the command's range is refused with the range, and the dialog stays open.
TEST(FontDialog, ASizeOutsideTheRangeIsRefused) {
  class Answers : public platform::MessageBoxService {
   public:
    Answers() : previous_(platform::SetMessageBoxService(this)) {}
    ~Answers() override { platform::SetMessageBoxService(previous_); }
    int ShowBox(const platform::BoxRequest& request) override {
      texts.push_back(request.text);
      return platform::kIdOk;
    }
    std::vector<std::string> texts;

   private:
    platform::MessageBoxService* previous_;
  } answers;
  TFontChoice choice;
  choice.minPoints = 6;
  choice.maxPoints = 24;
  TFontDlg dialog(nullptr, Record("Arial", 11, 400, 0), choice);
  dialog.show();
  QFont shown = dialog.Fonts()->currentFont();
  shown.setPointSize(30);
  dialog.Fonts()->setCurrentFont(shown);
  dialog.accept();
  ASSERT_EQ(answers.texts.size(), 1u);
  EXPECT_EQ(answers.texts[0], "Size must be between 6 and 24 points.");
  EXPECT_TRUE(dialog.isVisible());
  shown.setPointSize(20);
  dialog.Fonts()->setCurrentFont(shown);
  dialog.accept();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.Font().height, 20);
}

// The list of the font lists that shows `names` (the family list shows every family, the
// style list the styles of the family shown), or null.
QListView* ListShowing(const TFontDlg& dialog, const QStringList& names) {
  for (QListView* list : dialog.Fonts()->findChildren<QListView*>()) {
    QStringList shown;
    for (int r = 0; r < list->model()->rowCount(); ++r) shown << list->model()->index(r, 0).data().toString();
    if (!names.isEmpty() && shown.size() == names.size() &&
        QSet<QString>(shown.begin(), shown.end()) == QSet<QString>(names.begin(), names.end()))
      return list;
  }
  return nullptr;
}

QListView* FamilyList(const TFontDlg& dialog) {
  for (QListView* list : dialog.Fonts()->findChildren<QListView*>())
    if (list->model()->rowCount() > 0 && list->model()->index(0, 0).data().toString() ==
                                             QFontDatabase::families().value(0))
      return list;
  return nullptr;
}

// A user's click on the row of `list` that shows `text`; false when no row does.
bool ClickRow(QListView* list, const QString& text) {
  for (int r = 0; r < list->model()->rowCount(); ++r) {
    const QModelIndex index = list->model()->index(r, 0);
    if (index.data().toString() != text) continue;
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QApplication::processEvents();  // the dialog follows a family chosen once the click is done
    return true;
  }
  return false;
}

bool Slanted(const QFont& f) { return f.style() != QFont::StyleNormal; }

// A family chosen alone keeps the record's weight and slant, and the dialog shows the new
// family in its style nearest them. The lists fell on the family's first style ("Oblique"
// for DejaVu Sans, "Bold Italic" for others), and OK stored it: upright regular text turned
// italic or bold. Every family of this machine is chosen from records of three styles, and
// every family is started from once.
TEST(FontDialog, AFamilyChosenAloneKeepsTheRecordsWeightAndSlant) {
  const QStringList families = QFontDatabase::families();
  ASSERT_FALSE(families.isEmpty());
  const auto check = [](TFontDlg& dialog, const TLogFont& record, const QString& family) {
    SCOPED_TRACE(record.faceName + " " + std::to_string(record.weight) + (record.italic ? " italic" : "") + " to " +
                 family.toStdString());
    QListView* list = FamilyList(dialog);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(ClickRow(list, family));
    const QFont shown = dialog.Fonts()->currentFont();
    ASSERT_EQ(shown.family(), family);
    const TLogFont chosen = dialog.Font();
    EXPECT_EQ(chosen.faceName, FaceOfFamily(family));
    EXPECT_EQ(chosen.weight, record.weight);
    EXPECT_EQ(chosen.italic, record.italic);
    EXPECT_EQ(chosen.height, record.height);
    // Shown in the nearest style the family has.
    const QString nearest = NearestStyle(family, record.weight, record.italic != 0);
    if (!nearest.isEmpty()) {
      EXPECT_EQ(shown.weight(), QFontDatabase::weight(family, nearest));
      EXPECT_EQ(Slanted(shown), QFontDatabase::italic(family, nearest));
    }
  };
  for (const auto& [weight, italic] : {std::pair{400, 0}, std::pair{700, 0}, std::pair{400, 1}}) {
    const TLogFont record = Record(FaceOfFamily(families.front()), 12, weight, italic);
    TFontDlg dialog(nullptr, record, TFontChoice{});
    dialog.show();
    for (const QString& family : families) check(dialog, record, family);
  }
  for (qsizetype i = 0; i < families.size(); ++i) {
    const TLogFont record = Record(FaceOfFamily(families[i]), 11, 400, 0);
    TFontDlg dialog(nullptr, record, TFontChoice{});
    dialog.show();
    check(dialog, record, families[(i + 1) % families.size()]);
  }
}

// A style the user chooses is taken, and a family chosen after it is shown in the style
// nearest the chosen one.
TEST(FontDialog, AStyleChosenIsTakenAndKeptAcrossFamilies) {
  const QStringList families = QFontDatabase::families();
  QString family, bold;
  for (const QString& f : families)
    for (const QString& s : QFontDatabase::styles(f))
      if (family.isEmpty() && QFontDatabase::weight(f, s) >= 700 && !QFontDatabase::italic(f, s) &&
          !NearestStyle(f, 400, false).isEmpty() && QFontDatabase::weight(f, NearestStyle(f, 400, false)) < 700) {
        family = f;
        bold = s;
      }
  if (family.isEmpty()) GTEST_SKIP() << "no family with a regular and a bold style";
  TFontDlg dialog(nullptr, Record(FaceOfFamily(family), 12, 400, 0), TFontChoice{});
  dialog.show();
  QListView* styles = ListShowing(dialog, QFontDatabase::styles(dialog.Fonts()->currentFont().family()));
  ASSERT_NE(styles, nullptr);
  ASSERT_TRUE(ClickRow(styles, bold));
  EXPECT_EQ(dialog.Font().weight, QFontDatabase::weight(family, bold));
  EXPECT_EQ(dialog.Font().italic, 0);
  for (const QString& other : families) {
    const QString nearest = NearestStyle(other, QFontDatabase::weight(family, bold), false);
    if (other == family || nearest.isEmpty() || QFontDatabase::weight(other, nearest) < 700) continue;
    ASSERT_TRUE(ClickRow(FamilyList(dialog), other));
    EXPECT_GE(dialog.Fonts()->currentFont().weight(), 700) << other.toStdString();
    EXPECT_GE(dialog.Font().weight, 700) << other.toStdString();
    break;
  }
}

// Escape anywhere in the dialog cancels it whole, whatever was chosen; Enter in the family
// list takes the dialog as OK does. Escape in the lists hid them and left an empty dialog,
// whose Enter then took the family Escape was meant to drop.
TEST(FontDialog, EscapeInTheListsCancelsTheWholeDialog) {
  const QStringList families = QFontDatabase::families();
  ASSERT_FALSE(families.isEmpty());
  const TLogFont record = Record(kMissingFace, 11, 400, 0);
  const QString other = families.back();
  for (const bool escape : {true, false}) {
    TLogFont font = record;
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<TFontDlg*>(ActiveDialog());
      if (d == nullptr) return;
      QListView* list = FamilyList(*d);
      if (list == nullptr || !ClickRow(list, other)) {
        d->reject();
        return;
      }
      QTest::keyClick(list, escape ? Qt::Key_Escape : Qt::Key_Return);
      stillOpen = d->isVisible();
      if (stillOpen) {
        EXPECT_TRUE(d->Fonts()->isVisible());
        QTest::keyClick(d, Qt::Key_Return);  // what the user met: Enter on what was left
        if (d->isVisible()) d->reject();
      }
    });
    EXPECT_EQ(ChooseFontDlg(nullptr, font, TFontChoice{}), !escape) << escape;
    EXPECT_FALSE(stillOpen);
    if (escape)
      EXPECT_EQ(EncodeLogFont(font), EncodeLogFont(record));
    else
      EXPECT_EQ(font.faceName, FaceOfFamily(other));
  }
}

}  // namespace
