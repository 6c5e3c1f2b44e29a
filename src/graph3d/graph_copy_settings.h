// Where the "Copy Graph" command sends a graph and how it draws it: four 32-bit integers kept
// in the settings file (destination, colour, frame, keep superscripts in metafiles).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

enum class CopyDestination : int {
  BitmapToClipboard = 0,
  MetafileToClipboard = 1,
  PlaceableMetafileFile = 2,
  DibFile = 4,  // 3 is not used
  EnhancedMetafileToClipboard = 5,
  EnhancedMetafileFile = 6,
  AllClipboardFormats = 7,
};

struct TCopyGraphSettings {
  CopyDestination destination = CopyDestination::MetafileToClipboard;
  bool useColor = true;
  bool frame = true;
  bool preserveSymbols = false;  // superscripts, subscripts and symbols kept in metafiles

  static constexpr std::size_t kSize = 16;
  friend bool operator==(const TCopyGraphSettings&, const TCopyGraphSettings&) = default;
};

// A record of another size, an unused destination or a flag other than 0 or 1 gives the
// defaults (destination 1, colour, frame, no symbols): a damaged settings field never sends
// a copy nowhere.
TCopyGraphSettings DecodeCopyGraphSettings(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> EncodeCopyGraphSettings(const TCopyGraphSettings& settings);

// The graph type a graph is copied or printed with when colour is off: gradients become the
// monochrome filled type 9, the shaded types 16; wire frame and mesh stay.
inline int MonochromeGraphType(int type) { return type <= 1 ? type : type >= 16 ? 16 : 9; }
