#include "app/ui/coded_caption.h"

#include "app/coded_text.h"
#include "platform/qt/qt_text.h"

namespace {

// The superscript run as the text exports write it: x^2, r^(abc).
QString Raised(const QString& run) {
  if (run.isEmpty()) return {};
  if (run.size() == 1 || run.startsWith('(')) return '^' + run;
  return "^(" + run + ')';
}

}  // namespace

QString CodedTextCaption(std::string_view coded) {
  // The font states as drawing keeps them: each code toggles its own, and switching any
  // one off goes back to the plain font.
  bool states[5] = {};
  constexpr char kFontCodes[5] = {kCodeSuperscript, kCodeSubscript, kCodeSymbol, kCodeBold, kCodeItalic};
  char font = 0;
  bool raised = false;  // the superscript's baseline, whatever font later codes select
  QString out;
  QString run;  // the superscript run being read
  for (const CodedTextPiece& piece : ParseCodedText(coded)) {
    QString& to = raised ? run : out;
    switch (piece.kind) {
      case CodedTextPiece::kRun:
        to += font == kCodeSymbol ? platform::qt::FromSymbol(piece.text) : platform::qt::FromCp1252(piece.text);
        break;
      case CodedTextPiece::kTilde:
        to += '~';
        break;
      case CodedTextPiece::kCode:
        for (int k = 0; k < 5; ++k) {
          if (piece.code != kFontCodes[k]) continue;
          states[k] = !states[k];
          font = states[k] ? piece.code : 0;
        }
        if (piece.code == kCodeSuperscript) {
          raised = states[0];
          if (!raised) {
            out += Raised(run);
            run.clear();
          }
        }
        break;
    }
  }
  return out + Raised(run);
}
