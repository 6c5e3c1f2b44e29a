#include "exchange/worksheet_cells.h"

#include <algorithm>
#include <vector>

#include "app/byte_codec.h"
#include "app/file_utils.h"

namespace {

// Cells lie near the start of a worksheet: the search looks at no more than this.
constexpr std::size_t kMaxSearchBytes = 16u << 20;

constexpr std::uint16_t kEofRecord = 1;

std::uint16_t U16At(std::span<const std::uint8_t> b, std::size_t i) {
  return bytes::LoadU16(&b[i]);
}

bool IsCellType(unsigned type, bool wk3Family) {
  return wk3Family ? (type >= 22 && type <= 25) : (type >= 13 && type <= 16);
}

// A WK1-family cell record header and address: type 13-16, 0, a length fitting the type,
// 0, a non-zero format byte, a small column, 0, a small row, 0.
bool Wk1Candidate(std::span<const std::uint8_t> b, std::size_t i) {
  if (i + 9 > b.size()) return false;
  const unsigned type = b[i], len = b[i + 2];
  const bool lengthFits = (type == 13 && len == 7) || (type == 14 && len == 13) ||
                          (type == 15 && len >= 7) || (type == 16 && len >= 18);
  return b[i + 1] == 0 && lengthFits && b[i + 3] == 0 && b[i + 4] != 0 && b[i + 5] < 5 &&
         b[i + 6] == 0 && b[i + 7] < 5 && b[i + 8] == 0;
}

// How many bytes of a WK3-family candidate match at i (8 for a whole match): type 22-25 or
// 19, 0, a length fitting the type, 0, a small row, 0, sheet 0, a small column.
std::size_t Wk3Match(std::span<const std::uint8_t> b, std::size_t i) {
  auto at = [&](std::size_t k) { return i + k < b.size() ? static_cast<int>(b[i + k]) : -1; };
  const int type = at(0), len = at(2);
  const bool tests[8] = {
      type == 22 || type == 23 || type == 24 || type == 25 || type == 19,
      at(1) == 0,
      (type == 22 && len >= 6) || (type == 23 && len == 14) || (type == 24 && len == 6) ||
          (type == 25 && len >= 18) || (type == 19 && len >= 0),
      at(3) == 0,
      at(4) >= 0 && at(4) <= 4,
      at(5) == 0,
      at(6) == 0,
      at(7) >= 0 && at(7) < 5,
  };
  std::size_t k = 0;
  while (k < 8 && tests[k]) ++k;
  return k;
}

}  // namespace

bool IsWk3FamilyName(const std::string& path) {
  return !path.empty() && (path.back() == '3' || path.back() == '4');
}

long WalkToCellRecord(std::span<const std::uint8_t> b, bool wk3Family) {
  std::size_t offset = 0;
  while (offset + 4 <= b.size()) {
    const std::uint16_t type = U16At(b, offset);
    const auto length = static_cast<std::int16_t>(U16At(b, offset + 2));
    if (type == kEofRecord || length < 0) return -1;
    if (IsCellType(type, wk3Family)) return static_cast<long>(offset);
    offset += 4 + static_cast<std::size_t>(length);
  }
  return -1;
}

long ScanForCellRecord(std::span<const std::uint8_t> b, bool wk3Family) {
  std::size_t i = 0;
  while (i < b.size()) {
    if (!wk3Family) {
      if (Wk1Candidate(b, i)) return static_cast<long>(i);
      ++i;
      continue;
    }
    const std::size_t matched = Wk3Match(b, i);
    if (matched == 8) return static_cast<long>(i);
    // Go on from the byte that did not match.
    i += std::max<std::size_t>(matched, 1);
  }
  return -1;
}

long FindFirstCellRecord(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) return -2;
  file.reset();
  const std::vector<std::uint8_t> bytes = ReadFileHead(path, kMaxSearchBytes);
  const bool wk3 = IsWk3FamilyName(path);
  const long walked = WalkToCellRecord(bytes, wk3);
  return walked >= 0 ? walked : ScanForCellRecord(bytes, wk3);
}
