// The font dialog behind every font command of the program (text windows, lists, the ASCII
// editor, the graph windows): font, style, size, underline and strike-out, and the text
// colour where the window has one, started from the window's font record.
//
// OK gives back only what the user changed: a record whose face this machine lacks keeps the
// face as written (the dialog can only show a stand-in), a style or size the dialog cannot
// show exactly is not rounded to one it can, and OK on an untouched dialog leaves the record
// and the colour byte for byte as they were. The dialog opens on the style the record asks
// for (its weight and italic), not on whatever style the face lists first; a family chosen
// alone shows its style nearest that one and keeps the record's weight and slant (the lists
// fell on the family's first style, "Oblique" for DejaVu Sans, and OK stored it). Escape
// anywhere in the dialog cancels it whole.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>

#include "app/log_font.h"

class QComboBox;
class QFontDialog;

enum class FontPitch { Any, Fixed };

// What a font command offers.
struct TFontChoice {
  const char* title = "Font";
  int minPoints = 6;  // sizes outside [minPoints, maxPoints] are refused
  int maxPoints = 48;
  FontPitch pitch = FontPitch::Any;
  // The text colour (0x00BBGGRR), in and out; null: the dialog offers no colour.
  std::uint32_t* color = nullptr;
};

// Runs the dialog modally over `owner`; false when cancelled (the record and the colour
// untouched), else the record and the colour take what the user changed.
[[nodiscard]] bool ChooseFontDlg(QWidget* owner, TLogFont& font, const TFontChoice& choice);

class TFontDlg;
// What runs the dialog: its modal run by default. Tests put in a runner that answers it
// (the dialog set up as it opens; the answer QDialog::Accepted or QDialog::Rejected).
using TFontDialogRunner = std::function<int(TFontDlg& dialog)>;
void SetFontDialogRunner(TFontDialogRunner runner);

// The dialog itself (tests reach its parts).
class TFontDlg : public QDialog {
  Q_OBJECT
 public:
  TFontDlg(QWidget* owner, const TLogFont& font, const TFontChoice& choice);

  // The record and colour as the user left them: the aspects the user changed taken from
  // the dialog, the others as they came in.
  TLogFont Font() const;
  std::uint32_t Color() const;
  QFontDialog* Fonts() const { return fonts_; }
  QComboBox* Colors() const { return colors_; }

  void accept() override;

 protected:
  // Opens within the screen with its frame (Qt centres it on its owner, which at 1024 x 768
  // put its buttons below the screen's edge).
  void showEvent(QShowEvent* event) override;

 private:
  // The lists showed `font`: a family chosen alone is shown in its style nearest the one
  // wanted; a style the user chose becomes the one wanted.
  void FontShown(const QFont& font);
  void ShowNearestStyle();

  TLogFont record_;
  TFontChoice choice_;
  bool placed_ = false;  // held within the screen at its first showing
  std::uint32_t color_ = 0;
  QFontDialog* fonts_;
  QComboBox* colors_ = nullptr;
  // What the dialog showed when it opened: a part that still shows the same at OK was not
  // changed by the user.
  QFont shown_;
  int shownColorIndex_ = -1;
  QFont lastShown_;            // what the lists showed last
  bool styleChosen_ = false;   // the user chose a style in the lists
  int wantedWeight_ = 400;     // the weight and slant a family chosen alone is shown in
  bool wantedItalic_ = false;
  bool adjusting_ = false;     // the dialog itself is moving the lists
};

// The face as a font record keeps it: a family without the foundry the font list adds to
// families that two foundries supply ("Nimbus Sans [urw]" is "Nimbus Sans").
std::string FaceOfFamily(const QString& family);
// The style of `family` nearest to a record's weight and italic (empty when the family lists
// none): a record of weight 400, upright, opens on the upright regular style.
QString NearestStyle(const QString& family, int weight, bool italic);
