#include "app/ui/font_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
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
        if (auto* d = qobject_cast<TFontDlg*>(QApplication::activeModalWidget())) d->accept();
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

}  // namespace
