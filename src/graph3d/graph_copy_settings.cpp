#include "graph3d/graph_copy_settings.h"

#include "app/byte_codec.h"

TCopyGraphSettings DecodeCopyGraphSettings(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != TCopyGraphSettings::kSize) return {};
  std::int32_t v[4];
  for (std::size_t k = 0; k < 4; ++k) v[k] = static_cast<std::int32_t>(bytes::LoadU32(bytes.data() + 4 * k));
  const bool destinationKnown = v[0] >= 0 && v[0] <= 7 && v[0] != 3;
  for (std::size_t k = 1; k < 4; ++k)
    if (v[k] != 0 && v[k] != 1) return {};
  if (!destinationKnown) return {};
  TCopyGraphSettings s;
  s.destination = static_cast<CopyDestination>(v[0]);
  s.useColor = v[1] == 1;
  s.frame = v[2] == 1;
  s.preserveSymbols = v[3] == 1;
  return s;
}

std::vector<std::uint8_t> EncodeCopyGraphSettings(const TCopyGraphSettings& s) {
  bytes::ByteWriter w;
  w.I32(static_cast<std::int32_t>(s.destination));
  w.I32(s.useColor ? 1 : 0);
  w.I32(s.frame ? 1 : 0);
  w.I32(s.preserveSymbols ? 1 : 0);
  return w.Take();
}
