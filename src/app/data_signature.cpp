#include "app/data_signature.h"

#include <cstring>

#include "app/long_double.h"

namespace {

// The 80 bits of a value (the padding of the 16-byte long double is left out: it holds
// whatever the last store left there).
std::uint64_t ValueHash(long double v, std::uint64_t seed) {
  unsigned char bytes[16] = {};
  std::memcpy(bytes, &v, 10);
  std::uint64_t mantissa = 0;
  std::uint16_t exponent = 0;
  std::memcpy(&mantissa, bytes, 8);
  std::memcpy(&exponent, bytes + 8, 2);
  return MixBits(seed ^ MixBits(mantissa ^ (static_cast<std::uint64_t>(exponent) << 1)));
}

std::uint64_t RecordHash(const TXYZPoint& p) {
  std::uint64_t h = IsActive(p) ? 0x5A17 : 0xA5E1;
  h = ValueHash(p.X, h);
  h = ValueHash(p.Y, h);
  h = ValueHash(p.Z, h);
  h = ValueHash(p.W, h);
  return MixBits(h);
}

}  // namespace

std::uint64_t DataSignature(std::span<const TXYZPoint> table) {
  if (table.empty()) return 0;
  const int n = PointCount(table);
  std::uint64_t sum = 0;
  for (const TXYZPoint& p : PointsOf(table)) sum += RecordHash(p);
  return MixBits(sum ^ MixBits(static_cast<std::uint64_t>(n)) ^ ValueHash(table[0].W, 0x3C));
}

std::uint64_t DataOrderSignature(std::span<const TXYZPoint> table) {
  if (table.empty()) return 0;
  std::uint64_t sum = 0, place = 0;
  for (const TXYZPoint& p : PointsOf(table)) sum += MixBits(RecordHash(p) ^ MixBits(++place));
  return MixBits(sum ^ DataSignature(table));
}
