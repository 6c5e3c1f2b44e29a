#include "app/text_exports.h"

#include <cstdlib>

#include "app/c_format.h"
#include "app/coded_text.h"
#include "app/file_utils.h"
#include "app/log_font.h"
#include "app/number_scanner.h"
#include "app/text_file_bytes.h"
#include "app/worksheet_records.h"
#include "platform/cp1252.h"

namespace {

constexpr int kWorksheetExponentDigits = 3;

const char* FamilyKeyword(int family) {
  switch (family) {
    case kFamilyDecorative: return "fdecorative";
    case kFamilyModern: return "fmodern";
    case kFamilyRoman: return "froman";
    case kFamilyScript: return "fscript";
    default: return "fswiss";
  }
}

int HalfPoints(const TRtfFont& font) { return 2 * std::abs(font.height); }

// Plain text inside a document: the characters that are markup, and every byte beyond
// ASCII, are escaped.
void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
    } else if (b > 127) {
      out += CFormat("\\'%02x", b);
    } else {
      out += c;
    }
  }
}

struct RtfState {
  bool super = false, sub = false, symbol = false, bold = false, italic = false;
  bool colors[6] = {};  // dark red, dark green, teal, navy, grey, purple

  std::string Prefix(const TRtfFont& font) const {
    const int size = super || sub ? std::abs(font.height) * 26 / 20 : HalfPoints(font);
    int color = 0;
    for (int i = 0; i < 6; ++i)
      if (colors[i]) {
        color = i + 1;
        break;
      }
    const char* weight = bold ? "\\b" : italic ? "\\i" : "";
    const std::string shift = super ? CFormat("\\up%d", size * 10 / 20)
                              : sub ? CFormat("\\dn%d", size * 4 / 20)
                                    : std::string();
    return CFormat("\\plain\\f%d\\fs%d\\cf%d%s%s ", symbol ? 7 : 6, size, color, weight, shift.c_str());
  }
  // Applies a code; false for a code that changes nothing here.
  bool Apply(char code, bool useColors) {
    static constexpr char kColorCodes[6] = {kCodeMaroon, kCodeGreen, kCodeTeal,
                                            kCodeNavy,   kCodeGrey,  kCodePurple};
    switch (code) {
      case kCodeSuperscript: super = !super; return true;
      case kCodeSubscript: sub = !sub; return true;
      case kCodeSymbol: symbol = !symbol; return true;
      case kCodeBold: bold = !bold; return true;
      case kCodeItalic: italic = !italic; return true;
      default: break;
    }
    if (!useColors) return false;
    for (int i = 0; i < 6; ++i)
      if (code == kColorCodes[i]) {
        colors[i] = !colors[i];
        return true;
      }
    return false;
  }
};

// The cells of one line of a worksheet image, up to CR, LF or the line's end.
void LineCells(std::string_view line, int row, TWorksheetImage& image, int& columns, LoneSign lone) {
  const std::size_t end = std::min(line.find_first_of("\r\n"), line.size());
  line = line.substr(0, end);
  int column = 0;
  std::size_t i = 0;
  auto blank = [&](std::size_t k) { return k < line.size() && (line[k] == ' ' || line[k] == '\t'); };
  while (i < line.size()) {
    const char c = line[i];
    if (blank(i)) {
      ++i;
    } else if (c == ',') {
      ++i;
      while (blank(i)) ++i;
      if (i < line.size() && line[i] == ',') {
        ++column;  // an empty cell between two commas
        ++i;
      }
    } else if (std::string_view("+-0123456789.").find(c) != std::string_view::npos) {
      const std::size_t n = ScanDecimalNumber(line.substr(i), kWorksheetExponentDigits);
      if (n == 0 && lone == LoneSign::EndsRow) break;
      if (n == 0) {
        // Not a number after all ("-", ".", "+x"): the token is a label to its end.
        std::size_t j = i + 1;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != ',') ++j;
        image.Label(column++, row, line.substr(i, j - i));
        i = j;
        continue;
      }
      long double value = 0;
      if (ConvertDecimalNumber(line.substr(i, n), value))
        image.Number(column, row, value);
      else
        image.Label(column, row, line.substr(i, n));
      ++column;
      i += n;
    } else if (c == '"' || c == '\'') {
      const std::size_t close = line.find(c, i + 1);
      const std::size_t stop = close == std::string_view::npos ? line.size() : close;
      const std::string_view text = line.substr(i + 1, stop - i - 1);
      if (!text.empty()) image.Label(column++, row, text);
      i = close == std::string_view::npos ? line.size() : close + 1;
    } else {
      std::size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != ',') ++j;
      image.Label(column++, row, line.substr(i, j - i));
      i = j;
    }
  }
  columns = std::max(columns, column);
}

}  // namespace

std::string CodedTextToRtf(std::string_view text, const TRtfFont& font, bool colors, int* codeChars,
                           std::size_t limit) {
  text = text.substr(0, limit);
  std::string out;
  int consumed = 0;
  if (text.find('~') == std::string_view::npos) {
    AppendEscaped(out, text);
  } else {
    RtfState state;
    out += state.Prefix(font);
    for (const CodedTextPiece& piece : ParseCodedText(text)) {
      if (piece.kind == CodedTextPiece::kRun) {
        AppendEscaped(out, piece.text);
      } else if (piece.kind == CodedTextPiece::kTilde) {
        out += '~';
        consumed += 1;
      } else {
        consumed += 2;
        if (state.Apply(piece.code, colors)) out += state.Prefix(font);
      }
    }
  }
  if (codeChars) *codeChars = consumed;
  return out;
}

std::string LinesRtf(const TExportLines& lines, const TRtfFont& font, bool colors) {
  std::string doc = CFormat(
      "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fnil MS Sans Serif;}{\\f1\\fnil\\fcharset2 "
      "Symbol;}{\\f2\\fswiss\\fprq2 System;}{\\f3\\fnil Times New Roman;}{\\f4\\froman\\fprq2 Times "
      "New Roman;}{\\f5\\fswiss\\fprq2 Arial;}{\\f6\\%s\\fprq1 %s;}{\\f7\\froman\\fprq2\\fcharset2 "
      "Symbol;}}{\\colortbl\\red0\\green0\\blue0;\\red128\\green0\\blue0;\\red0\\green128\\blue0;"
      "\\red0\\green128\\blue128;\\red0\\green0\\blue128;\\red128\\green128\\blue128;\\red128\\green0"
      "\\blue128;}\\deflang1033\\pard\\tx1440\\tx2880\\tx4320\\tx5760\\tx7200\\plain\\f6\\fs%d ",
      FamilyKeyword(font.family), font.face.c_str(), HalfPoints(font));
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string_view line = lines.Line(i);
    const std::uint8_t* attr = lines.Attr(i);
    if (attr[0] == 0) {
      doc += i == 0 ? "" : "\\par ";
      doc += CodedTextToRtf(line, font, colors);
      doc += "\r\n";
      continue;
    }
    std::string prefix = i == 0 ? "\\pard" : "\\par \\pard";
    std::string body;
    int column = 0;
    bool first = true;
    for (auto [offset, length] : LineSegments(line, attr)) {
      if (!first) {
        prefix += CFormat("\\tx%d", font.charWidth * column * 1440 / std::max(font.screenDpi, 1));
        body += "\\tab ";
      }
      first = false;
      int codeChars = 0;
      body += CodedTextToRtf(line.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)),
                             font, colors, &codeChars);
      column += length - codeChars;
    }
    doc += prefix + CFormat("\\plain\\f6\\fs%d ", HalfPoints(font)) + body + "\r\n";
  }
  doc += "\\par }";
  return doc;
}

std::string LinesPlainText(const TExportLines& lines, std::size_t limit) {
  std::string text;
  for (int i = 0; i < lines.Count() && text.size() < limit; ++i) {
    if (i > 0) text += "\r\n";
    text += StripTextCodes(lines.Line(i));
  }
  return text;
}

std::vector<std::uint8_t> LinesWorksheet(const TExportLines& lines, int form) {
  TWorksheetImage image(form, 20, lines.Count());
  int columns = 0;
  for (int i = 0; i < lines.Count(); ++i)
    LineCells(StripTextCodes(lines.Line(i)), i, image, columns, LoneSign::EndsRow);
  image.SetRange(std::max(columns - 1, 0), std::max(lines.Count() - 1, 0));
  return image.Finish();
}

int LinesWorksheetColumns(const TExportLines& lines) {
  int columns = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    TWorksheetImage row(1, 0, 0);
    LineCells(StripTextCodes(lines.Line(i)), 0, row, columns, LoneSign::EndsRow);
  }
  return columns;
}

std::vector<std::uint8_t> PlainLinesWorksheet(std::span<const std::string_view> lines, int form, LoneSign lone) {
  const int count = static_cast<int>(lines.size());
  TWorksheetImage image(form, 20, count + 1);
  int columns = 0;
  for (int i = 0; i < count; ++i) LineCells(lines[static_cast<std::size_t>(i)], i, image, columns, lone);
  image.SetRange(std::max(columns - 1, 0), std::max(count - 1, 0));
  return image.Finish();
}

bool WriteLinesFile(const TExportLines& lines, const std::string& path, int format,
                    const TRtfFont& font, bool colors, TFileEncoding encoding) {
  std::string out;
  switch (format) {
    case kSaveFormatWk1:
    case kSaveFormatWk3:
      return SaveGlobalToFile(LinesWorksheet(lines, format == kSaveFormatWk1 ? 1 : 3), path);
    case kSaveFormatRtf:
      out = LinesRtf(lines, font, colors);
      break;
    case kSaveFormatWordStar:
    case kSaveFormatText:
      // Whole lines: a text window's line is never cut on its way to a file.
      for (int i = 0; i < lines.Count(); ++i) {
        out += format == kSaveFormatText ? StripTextCodes(lines.Line(i))
                                         : CodedTextToCtrlChars(lines.Line(i));
        out += "\r\n";
      }
      break;
    default:
      return false;
  }
  if (format == kSaveFormatText) {
    switch (encoding) {
      case TFileEncoding::kProgramText: out = TextFileBytes(out); break;
      case TFileEncoding::kCp1252: break;
      case TFileEncoding::kUtf8: out = platform::Cp1252ToUtf8(out); break;
      case TFileEncoding::kUtf8WithMark: out = std::string(kUtf8ByteOrderMark) + platform::Cp1252ToUtf8(out); break;
    }
  }
  return SaveGlobalToFile(out, path);
}
