// What the "Print Text" dialog edits: its 1096-byte transfer buffer, which is also a custom
// text print file (.cpt) byte for byte, filled from a text window's print options and header
// and written back into them when the user accepts.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/text_print.h"
#include "graph3d/option_files.h"

struct TTextPrintBuffer {
  static constexpr std::size_t kSize = 1096;
  static constexpr std::size_t kHeaderBytes = 1024;
  static constexpr std::size_t kMarginBytes = 8;
  // The caller's header holds at most this many characters.
  static constexpr std::size_t kCallerHeaderLength = 79;

  enum Check : int {
    kDate, kPageNumbers, kPortrait, kLandscape, kFlushLeft, kCentre, kPresentDisplay,
    kAllInformation, kMonochrome, kColour, kCheckCount
  };

  std::string header;                       // up to 1023 characters
  std::array<std::int32_t, kCheckCount> checks{};
  std::array<std::string, 4> margins;       // left, top, right, bottom in cm, as typed

  friend bool operator==(const TTextPrintBuffer&, const TTextPrintBuffer&) = default;
};

std::vector<std::uint8_t> EncodeTextPrintBuffer(const TTextPrintBuffer& buffer);
// False unless the bytes are a buffer the dialog could have written: exactly 1096 bytes,
// each text ended by a NUL within its field, every check 0 or 1, never both radios of one
// choice set, and each margin one whole number from 0 to 100.
[[nodiscard]] bool DecodeTextPrintBuffer(std::span<const std::uint8_t> bytes, TTextPrintBuffer& out);

// The buffer the dialog opens with: the header, the date and page-number checks, the
// orientation, and each offered choice as one of its two radios; margins as "%-.5g".
TTextPrintBuffer FillTextPrintBuffer(const TTextPrintOptions& options, const std::string& header,
                                     const TTextPrintOffers& offers);
// What OK writes: the options (choices not offered keep their value; a margin whose text is
// no length on a page keeps its value) and the caller's header, cut to 79 characters.
void ApplyTextPrintBuffer(const TTextPrintBuffer& buffer, const TTextPrintOffers& offers,
                          TTextPrintOptions& options, std::string& header);

// The buffer a file read into the dialog shows over `shown`: an offered choice the file left
// with neither radio set keeps the radio shown, so the radios show what OK takes; a choice
// not offered shows what the file holds (its radios disabled), kept for Save.
TTextPrintBuffer AdoptReadTextPrintBuffer(const TTextPrintBuffer& shown, const TTextPrintBuffer& read,
                                          const TTextPrintOffers& offers);

// The first margin (0 left, 1 top, 2 right, 3 bottom) whose text is not one number of
// centimetres from 0 to 100, as the reader asks; none when all four are.
std::optional<std::size_t> UnreadableMargin(const TTextPrintBuffer& buffer);

[[nodiscard]] OptionFileStatus ReadTextPrintFile(const std::filesystem::path& path, TTextPrintBuffer& out);
[[nodiscard]] bool WriteTextPrintFile(const std::filesystem::path& path, const TTextPrintBuffer& buffer);
