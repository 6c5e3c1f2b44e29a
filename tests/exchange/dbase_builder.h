// Hand-built dBASE III tables for the reader and import-driver tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace exchange_test {

using Bytes = std::vector<std::uint8_t>;

struct FieldSpec {
  std::string name;
  char type;
  unsigned length;  // character fields above 255 keep the high byte after the length
};

inline void Put16(Bytes& b, std::size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v), b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
}

// A dBASE III table: each record is its deletion flag followed by the fields' text, padded
// or cut to the fields' lengths.
inline Bytes DbaseTable(const std::vector<FieldSpec>& fields, const std::vector<std::vector<std::string>>& records,
                 const std::vector<bool>& deleted = {}) {
  const std::size_t headerLength = 32 + 32 * fields.size() + 1;
  std::size_t recordLength = 1;
  for (const FieldSpec& f : fields) recordLength += f.length;
  Bytes b(headerLength, 0);
  b[0] = 3;
  Put32(b, 4, static_cast<std::uint32_t>(records.size()));
  Put16(b, 8, static_cast<unsigned>(headerLength));
  Put16(b, 10, static_cast<unsigned>(recordLength));
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const std::size_t d = 32 + 32 * k;
    for (std::size_t c = 0; c < fields[k].name.size() && c < 10; ++c)
      b[d + c] = static_cast<std::uint8_t>(fields[k].name[c]);
    b[d + 11] = static_cast<std::uint8_t>(fields[k].type);
    b[d + 16] = static_cast<std::uint8_t>(fields[k].length);
    if (fields[k].type == 'C') b[d + 17] = static_cast<std::uint8_t>(fields[k].length >> 8);
  }
  b[headerLength - 1] = 0x0D;
  for (std::size_t r = 0; r < records.size(); ++r) {
    b.push_back(r < deleted.size() && deleted[r] ? '*' : ' ');
    for (std::size_t k = 0; k < fields.size(); ++k) {
      std::string text = k < records[r].size() ? records[r][k] : "";
      text.resize(fields[k].length, ' ');
      b.insert(b.end(), text.begin(), text.end());
    }
  }
  b.push_back(0x1A);
  return b;
}

}  // namespace exchange_test
