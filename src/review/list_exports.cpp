#include "review/list_exports.h"

#include "app/file_utils.h"

std::string ListToText(const TExportLines& lines, long limit) {
  return LinesPlainText(lines, limit < 1 ? kListTextLimit : static_cast<std::size_t>(limit));
}

ListSaveResult SaveListFile(const TExportLines& lines, const std::string& path, const TRtfFont& font,
                            bool colors) {
  const int format = SaveFormatByExt(path);
  if (format == kSaveFormatSav) return ListSaveResult::kFormatNotWritten;
  return WriteLinesFile(lines, path, format, font, colors) ? ListSaveResult::kWritten
                                                           : ListSaveResult::kWriteFailed;
}
