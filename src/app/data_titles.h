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
  // The texts the setters cut since the titles were made (kCutTitle ... kCutZName), for a
  // read to tell: a file's long title lost its tail without a word. Not part of the titles.
  unsigned cut = 0;
  static constexpr unsigned kCutTitle = 1, kCutXName = 2, kCutYName = 4, kCutZName = 8;

  void SetTitle(std::string_view text) { Title = Cut(text, kDataTitleLength, kCutTitle); }
  void SetXName(std::string_view text) { XName = Cut(text, kAxisNameLength, kCutXName); }
  void SetYName(std::string_view text) { YName = Cut(text, kAxisNameLength, kCutYName); }
  void SetZName(std::string_view text) { ZName = Cut(text, kAxisNameLength, kCutZName); }

  bool operator==(const TDataTitles& o) const {
    return Title == o.Title && XName == o.XName && YName == o.YName && ZName == o.ZName;
  }

 private:
  std::string Cut(std::string_view text, std::size_t length, unsigned field) {
    if (text.size() > length) cut |= field;
    return std::string(text.substr(0, length));
  }
};
