// A deterministic byte mutator for the fuzz drivers: the same seed inputs and the same
// generator seed give the same inputs on every machine, so a failure found in CI is
// reproduced by running the driver again. The mutations follow the usual havoc stage of
// coverage-guided fuzzers (bit flips, interesting integers, block copy, insert, delete,
// splicing with another seed), plus a dictionary of tokens the format under test knows, so
// that a text grammar is reached rather than only its lexer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fuzz {

// SplitMix64: small, fast, and its sequence is fixed by the standard-free arithmetic below
// (std::mt19937's distributions are not specified bit-for-bit across libraries).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n); n == 0 gives 0.
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  bool OneIn(std::size_t n) { return Below(n) == 0; }

 private:
  std::uint64_t state_;
};

using Bytes = std::string;  // any bytes; std::string keeps text drivers simple

class Mutator {
 public:
  // `seeds`: the committed corpus; `dictionary`: tokens of the format (keywords, function
  // names, separators, magic numbers); `maxSize`: inputs never grow beyond this.
  Mutator(std::vector<Bytes> seeds, std::vector<Bytes> dictionary, std::uint64_t seed, std::size_t maxSize = 4096)
      : seeds_(std::move(seeds)), dictionary_(std::move(dictionary)), rng_(seed), maxSize_(maxSize) {
    if (seeds_.empty()) seeds_.emplace_back();
  }

  Rng& Random() { return rng_; }
  const std::vector<Bytes>& Seeds() const { return seeds_; }

  // The next input: a seed with 1..8 stacked mutations.
  Bytes Next() {
    Bytes data = seeds_[rng_.Below(seeds_.size())];
    const std::size_t rounds = 1 + rng_.Below(8);
    for (std::size_t i = 0; i < rounds; ++i) MutateOnce(data);
    if (data.size() > maxSize_) data.resize(maxSize_);
    return data;
  }

  void MutateOnce(Bytes& data) {
    switch (rng_.Below(data.empty() ? 2 : 12)) {
      case 0: InsertToken(data); break;
      case 1: InsertBytes(data); break;
      case 2: data[rng_.Below(data.size())] ^= static_cast<char>(1u << rng_.Below(8)); break;
      case 3: data[rng_.Below(data.size())] = static_cast<char>(rng_.Below(256)); break;
      case 4: OverwriteInteresting(data); break;
      case 5: EraseBlock(data); break;
      case 6: CopyBlock(data); break;
      case 7: Splice(data); break;
      case 8: OverwriteToken(data); break;
      case 9: data[rng_.Below(data.size())] = kPrintable[rng_.Below(sizeof kPrintable - 1)]; break;
      case 10: DuplicateBlock(data); break;
      default: data.resize(rng_.Below(data.size() + 1)); break;
    }
  }

 private:
  static constexpr char kPrintable[] = "0123456789+-*/^().,;=<>!&|eEXYZABF $#@\t\r\n";

  std::pair<std::size_t, std::size_t> Block(const Bytes& data) {
    const std::size_t at = rng_.Below(data.size());
    const std::size_t len = 1 + rng_.Below(std::min<std::size_t>(data.size() - at, 32));
    return {at, len};
  }
  void InsertAt(Bytes& data, std::string_view piece) {
    if (data.size() + piece.size() > maxSize_) return;
    data.insert(rng_.Below(data.size() + 1), piece);
  }
  void InsertToken(Bytes& data) {
    if (dictionary_.empty()) return InsertBytes(data);
    InsertAt(data, dictionary_[rng_.Below(dictionary_.size())]);
  }
  void OverwriteToken(Bytes& data) {
    if (dictionary_.empty()) return;
    const Bytes& token = dictionary_[rng_.Below(dictionary_.size())];
    const std::size_t at = rng_.Below(data.size());
    data.replace(at, std::min(token.size(), data.size() - at), token);
  }
  void InsertBytes(Bytes& data) {
    Bytes piece(1 + rng_.Below(8), '\0');
    for (char& c : piece) c = static_cast<char>(rng_.Below(256));
    InsertAt(data, piece);
  }
  void OverwriteInteresting(Bytes& data) {
    static constexpr std::int64_t kValues[] = {0, 1, -1, 2, 16, 32, 64, 100, 127, 128, 255, 256, 512, 1000, 1024,
                                               4096, 16383, 16384, 32767, 32768, 65535, 65536, 0x7fffffff,
                                               -0x7fffffffLL - 1, 0xffffffffLL};
    const std::int64_t value = kValues[rng_.Below(std::size(kValues))];
    const std::size_t width = std::size_t{1} << rng_.Below(4);  // 1, 2, 4 or 8 bytes, little-endian
    if (data.size() < width) return;
    const std::size_t at = rng_.Below(data.size() - width + 1);
    for (std::size_t i = 0; i < width; ++i) data[at + i] = static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xff);
  }
  void EraseBlock(Bytes& data) {
    const auto [at, len] = Block(data);
    data.erase(at, len);
  }
  void CopyBlock(Bytes& data) {
    const auto [from, len] = Block(data);
    const Bytes piece = data.substr(from, len);
    const std::size_t to = rng_.Below(data.size());
    data.replace(to, std::min(len, data.size() - to), piece);
  }
  void DuplicateBlock(Bytes& data) {
    const auto [from, len] = Block(data);
    InsertAt(data, Bytes(data.substr(from, len)));
  }
  void Splice(Bytes& data) {
    const Bytes& other = seeds_[rng_.Below(seeds_.size())];
    if (other.empty()) return;
    const std::size_t cut = rng_.Below(data.size() + 1);
    const std::size_t from = rng_.Below(other.size());
    data = data.substr(0, cut) + other.substr(from);
  }

  std::vector<Bytes> seeds_;
  std::vector<Bytes> dictionary_;
  Rng rng_;
  std::size_t maxSize_;
};

// Text lines as a seed: joins with the given line ending.
inline Bytes JoinLines(const std::vector<std::string_view>& lines, std::string_view eol = "\r\n") {
  Bytes out;
  for (std::string_view line : lines) {
    out += line;
    out += eol;
  }
  return out;
}

// Every regular file of a seed folder, in name order (directory order is not stable).
inline std::vector<Bytes> LoadSeedFolder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> paths;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.is_regular_file()) paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  std::vector<Bytes> seeds;
  for (const auto& path : paths) {
    std::ifstream in(path, std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

// The command line every driver takes: `--iterations N` (inputs per target) and `--seed S`.
// CI runs the defaults; a longer local run raises the count.
struct RunOptions {
  std::uint64_t iterations = 20000;
  std::uint64_t seed = 1;
};

inline RunOptions ParseRunOptions(int argc, char** argv, RunOptions defaults = {}) {
  RunOptions options = defaults;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view flag = argv[i];
    const std::uint64_t value = std::strtoull(argv[i + 1], nullptr, 10);
    if (flag == "--iterations") options.iterations = value;
    else if (flag == "--seed") options.seed = value;
  }
  return options;
}

}  // namespace fuzz
