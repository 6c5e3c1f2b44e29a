// Builds the dictionary of small statistics-package system files for the tests: the
// 176-byte header, one variable record per variable (with an optional label and discrete
// missing values) and the end-of-dictionary record, optionally followed by case bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/byte_codec.h"

namespace exchange_test {

struct SavVar {
  SavVar(std::string n, int t = 0, std::string l = {}, std::vector<double> m = {})
      : name(std::move(n)), type(t), label(std::move(l)), missing(std::move(m)) {}
  std::string name;
  int type = 0;  // 0 numeric, else the string width
  std::string label;
  std::vector<double> missing;
};

inline std::vector<std::uint8_t> BuildSavFile(const std::vector<SavVar>& vars,
                                              const std::string& fileLabel = "test data") {
  bytes::ByteWriter w;
  auto padded = [&](const std::string& text, std::size_t n) {
    std::string t = text.substr(0, n);
    t.resize(n, ' ');
    w.Raw(t.data(), n);
  };
  w.Raw("$FL2", 4);
  padded("@(#) OKAP DATA FILE - Ondravik tests", 60);
  // Layout 2, the variable count, compressed, no case weight, cases unknown, bias 100.
  for (int v : {2, static_cast<int>(vars.size()), 1, 0, -1}) w.I32(v);
  w.F64(100.0);
  padded("01 Jan 24", 9);
  padded("12:00:00", 8);
  padded(fileLabel, 64);
  w.Zeros(3);
  for (const SavVar& v : vars) {
    for (int f : {2, v.type, v.label.empty() ? 0 : 1, static_cast<int>(v.missing.size()), 0x050800, 0x050800})
      w.I32(f);
    padded(v.name, 8);
    if (!v.label.empty()) {
      w.I32(static_cast<std::int32_t>(v.label.size()));
      w.Raw(v.label.data(), v.label.size());
      w.Zeros((4 - v.label.size() % 4) % 4);
    }
    for (double m : v.missing) w.F64(m);
  }
  w.I32(999), w.I32(0);
  return w.Take();
}

// Appends `cases` bytecode-compressed cases to a file of BuildSavFile, every case holding
// `values` (whole numbers in -99..151, each coded in one byte as value + 100): the densest
// form of the format, a million cases in a few megabytes. The last block of eight codes is
// padded with code 0, which readers pass over.
inline void AppendCompressedCases(std::vector<std::uint8_t>& file, const std::vector<int>& values, std::int64_t cases) {
  const std::size_t codes = values.size() * static_cast<std::size_t>(cases);
  file.reserve(file.size() + codes + 8);
  for (std::int64_t c = 0; c < cases; ++c)
    for (const int v : values) file.push_back(static_cast<std::uint8_t>(v + 100));
  file.resize(file.size() + (8 - codes % 8) % 8, 0);
}

}  // namespace exchange_test
