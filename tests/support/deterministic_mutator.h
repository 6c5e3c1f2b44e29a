// Deterministic mutation of seed inputs for the fuzz drivers. The same seed number gives
// the same sequence of inputs on every machine and compiler (SplitMix64, no library
// generator), so any failure a run finds is replayed by its seed number and iteration.
//
// A mutant is one seed changed by one to eight edits of the kinds coverage-guided fuzzers
// find most productive on file formats: bit flips, bytes set to boundary values, 16- and
// 32-bit little-endian fields set to boundary values, runs inserted, deleted or
// duplicated, a splice with another seed, a dictionary token inserted or written over,
// and truncation.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

class DeterministicMutator {
 public:
  explicit DeterministicMutator(std::uint64_t seed, std::size_t maxSize = 1 << 16)
      : state_(seed), maxSize_(maxSize) {}

  // SplitMix64 (Steele, Lea and Flood, "Fast splittable pseudorandom number generators").
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform enough in 0 .. n-1 for fuzzing (n > 0).
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }

  // A mutant of one of the seeds (which must not be empty as a list).
  Bytes Mutate(const std::vector<Bytes>& seeds, const std::vector<std::string>& dictionary = {}) {
    Bytes b = seeds[Below(seeds.size())];
    const std::size_t edits = 1 + Below(8);
    for (std::size_t e = 0; e < edits; ++e) Edit(b, seeds, dictionary);
    if (b.size() > maxSize_) b.resize(maxSize_);
    return b;
  }

 private:
  static constexpr std::uint8_t kBytes[] = {0, 1, 0x7F, 0x80, 0xFF, '0', '9', '-', '.', 'e',
                                            ' ', '\r', '\n', ',', '"', '*', 'W', 26};
  static constexpr std::uint32_t kWords[] = {0,          1,          2,          0x7F,
                                             0x80,       0xFF,       0x100,      0x7FFF,
                                             0x8000,     0xFFFF,     0x10000,    0x7FFFFFFF,
                                             0x80000000, 0xFFFFFFFE, 0xFFFFFFFF, 512};

  void Edit(Bytes& b, const std::vector<Bytes>& seeds, const std::vector<std::string>& dictionary) {
    const auto at = [&] { return b.empty() ? 0 : Below(b.size()); };
    const auto run = [&] { return 1 + Below(Below(4) == 0 ? 256 : 16); };
    switch (Below(11)) {
      case 0:  // flip a bit
        if (!b.empty()) b[at()] ^= static_cast<std::uint8_t>(1u << Below(8));
        break;
      case 1:  // a byte to a boundary or syntax value
        if (!b.empty()) b[at()] = kBytes[Below(std::size(kBytes))];
        break;
      case 2:  // a random byte
        if (!b.empty()) b[at()] = static_cast<std::uint8_t>(Next());
        break;
      case 3:  // a 16- or 32-bit field to a boundary value, little-endian
      {
        const std::size_t width = Below(2) == 0 ? 2 : 4;
        if (b.size() < width) break;
        const std::size_t p = Below(b.size() - width + 1);
        const std::uint32_t v = kWords[Below(std::size(kWords))];
        for (std::size_t k = 0; k < width; ++k) b[p + k] = static_cast<std::uint8_t>(v >> (8 * k));
        break;
      }
      case 4:  // insert random bytes
      {
        const std::size_t p = b.empty() ? 0 : Below(b.size() + 1);
        Bytes r(run());
        for (auto& v : r) v = static_cast<std::uint8_t>(Next());
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(p), r.begin(), r.end());
        break;
      }
      case 5:  // delete a run
        if (!b.empty()) {
          const std::size_t p = at();
          const std::size_t n = std::min(run(), b.size() - p);
          b.erase(b.begin() + static_cast<std::ptrdiff_t>(p), b.begin() + static_cast<std::ptrdiff_t>(p + n));
        }
        break;
      case 6:  // duplicate a run
        if (!b.empty()) {
          const std::size_t p = at();
          const std::size_t n = std::min(run(), b.size() - p);
          const Bytes copy(b.begin() + static_cast<std::ptrdiff_t>(p), b.begin() + static_cast<std::ptrdiff_t>(p + n));
          b.insert(b.begin() + static_cast<std::ptrdiff_t>(at()), copy.begin(), copy.end());
        }
        break;
      case 7:  // splice: this seed's head with another's tail
      {
        const Bytes& other = seeds[Below(seeds.size())];
        if (other.empty()) break;
        b.resize(b.empty() ? 0 : at());
        const std::size_t from = Below(other.size());
        b.insert(b.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
      }
      case 8:  // a dictionary token, inserted or written over
      case 9:
        if (!dictionary.empty()) {
          const std::string& t = dictionary[Below(dictionary.size())];
          const std::size_t p = b.empty() ? 0 : Below(b.size() + 1);
          if (Below(2) == 0 || p + t.size() > b.size())
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(p), t.begin(), t.end());
          else
            std::copy(t.begin(), t.end(), b.begin() + static_cast<std::ptrdiff_t>(p));
        }
        break;
      default:  // truncate
        if (!b.empty()) b.resize(at());
        break;
    }
  }

  std::uint64_t state_;
  std::size_t maxSize_;
};

}  // namespace fuzz
