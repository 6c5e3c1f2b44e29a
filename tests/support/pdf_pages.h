// The page count of a PDF that Qt wrote: its page objects ("/Type /Page", not the
// "/Type /Pages" tree node). Enough for our own printouts; no general PDF parser.
#pragma once

#include <cstddef>
#include <string>

inline std::size_t PdfPageCount(const std::string& bytes) {
  if (bytes.compare(0, 4, "%PDF") != 0) return 0;
  std::size_t pages = 0;
  for (std::size_t at = 0; (at = bytes.find("/Type /Page", at)) != std::string::npos; ++at)
    if (bytes.compare(at, 12, "/Type /Pages") != 0) ++pages;
  return pages;
}
