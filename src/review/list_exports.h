// A list window's rows handed to files and the clipboard: plain text, WordStar text,
// worksheet images (WK1, WK3) and rich text, through the text windows' converters, with the
// rows sharing the list's column table. Rows are written whole, however long.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/text_exports.h"
#include "app/text_line_buffer.h"

class TListLines final : public TExportLines {
 public:
  TListLines(const std::vector<std::string>& rows, const TLineAttr& columns)
      : rows_(rows), columns_(columns) {}
  int Count() const override { return static_cast<int>(rows_.size()); }
  std::string_view Line(int index) const override { return rows_[static_cast<std::size_t>(index)]; }
  const std::uint8_t* Attr(int) const override { return columns_.data(); }

 private:
  const std::vector<std::string>& rows_;
  const TLineAttr& columns_;
};

// The clipboard's text: rows with their codes stripped, joined by CR LF, whole rows until
// the text passes `limit` bytes (below 1: 1,000,000).
inline constexpr std::size_t kListTextLimit = 1000000;
std::string ListToText(const TExportLines& lines, long limit);

enum class ListSaveResult {
  kWritten,
  kWriteFailed,
  kFormatNotWritten,  // .sav: a list is no statistics-package file
};
// Saves the rows in the format the file name's extension chooses (wk1, wk3, rtf, ws; .sav
// is refused; anything else is plain text).
[[nodiscard]] ListSaveResult SaveListFile(const TExportLines& lines, const std::string& path,
                                          const TRtfFont& font, bool colors);
