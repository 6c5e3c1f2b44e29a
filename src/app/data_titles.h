// The titles block of the data: the data title and the X, Y and Z names, written by the
// import road and the titles dialog and read by the graphs, the review and the exports.
// Texts longer than their fields are cut where they enter.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::size_t kDataTitleLength = 80;  // characters, without the terminator
inline constexpr std::size_t kAxisNameLength = 40;

struct TDataTitles {
  std::string Title;
  std::string XName, YName, ZName;

  void SetTitle(std::string_view text) { Title = text.substr(0, kDataTitleLength); }
  void SetXName(std::string_view text) { XName = text.substr(0, kAxisNameLength); }
  void SetYName(std::string_view text) { YName = text.substr(0, kAxisNameLength); }
  void SetZName(std::string_view text) { ZName = text.substr(0, kAxisNameLength); }

  bool operator==(const TDataTitles&) const = default;
};
