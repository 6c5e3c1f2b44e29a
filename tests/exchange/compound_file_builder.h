// Builds small compound files (version 3, 512-byte sectors) for the tests: storages and
// streams in a tree, streams below 4096 bytes in the mini stream as the format requires.
// Siblings are chained through their right links, which readers must accept as a tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/byte_codec.h"

namespace exchange_test {

struct CfbNode {
  std::string name;
  bool storage = false;
  std::vector<std::uint8_t> data;
  std::vector<CfbNode> children;
};

inline std::vector<std::uint8_t> BuildCompoundFile(const std::vector<CfbNode>& rootChildren) {
  constexpr std::uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatSect = 0xFFFFFFFD;
  constexpr std::uint32_t kNone = 0xFFFFFFFF;
  struct Flat {
    const CfbNode* node;
    std::uint32_t child = kNone, right = kNone;
    std::uint32_t start = kEnd;
    std::uint64_t size = 0;
  };
  std::vector<Flat> flat{{nullptr}};
  // Flattens the children of `parent`, chaining them through `right`.
  auto add = [&](auto&& self, std::size_t parent, const std::vector<CfbNode>& children) -> void {
    std::uint32_t previous = kNone;
    for (const CfbNode& c : children) {
      const auto id = static_cast<std::uint32_t>(flat.size());
      flat.push_back({&c});
      if (previous == kNone)
        flat[parent].child = id;
      else
        flat[previous].right = id;
      previous = id;
      if (c.storage) self(self, id, c.children);
    }
  };
  add(add, 0, rootChildren);

  std::vector<std::uint8_t> mini;  // the mini stream
  std::vector<std::uint32_t> miniFat;
  std::vector<std::vector<std::uint8_t>> big;  // regular streams, placed later
  for (Flat& f : flat) {
    if (!f.node || f.node->storage) continue;
    f.size = f.node->data.size();
    if (f.size == 0) continue;
    if (f.size < 4096) {
      f.start = static_cast<std::uint32_t>(miniFat.size());
      const std::size_t sectors = (f.size + 63) / 64;
      for (std::size_t i = 0; i < sectors; ++i)
        miniFat.push_back(i + 1 < sectors ? f.start + static_cast<std::uint32_t>(i) + 1 : kEnd);
      std::vector<std::uint8_t> d = f.node->data;
      d.resize(sectors * 64, 0);
      mini.insert(mini.end(), d.begin(), d.end());
    }
  }
  auto sectorsOf = [](std::size_t bytes) { return (bytes + 511) / 512; };
  const std::size_t dirSectors = sectorsOf(flat.size() * 128);
  const std::size_t miniFatSectors = sectorsOf(miniFat.size() * 4);
  const std::size_t miniStreamSectors = sectorsOf(mini.size());
  std::size_t bigSectors = 0;
  for (const Flat& f : flat)
    if (f.node && !f.node->storage && f.size >= 4096) bigSectors += sectorsOf(f.size);
  const std::size_t others = dirSectors + miniFatSectors + miniStreamSectors + bigSectors;
  std::size_t fatSectors = 1;
  while (fatSectors * 128 < others + fatSectors) ++fatSectors;

  std::vector<std::uint32_t> fat(fatSectors * 128, kFree);
  std::uint32_t next = 0;
  auto chain = [&](std::size_t count) {
    const std::uint32_t start = next;
    for (std::size_t i = 0; i < count; ++i, ++next) fat[next] = i + 1 < count ? next + 1 : kEnd;
    return count ? start : kEnd;
  };
  for (std::size_t i = 0; i < fatSectors; ++i) fat[next++] = kFatSect;
  const std::uint32_t dirStart = chain(dirSectors);
  const std::uint32_t miniFatStart = chain(miniFatSectors);
  const std::uint32_t miniStart = chain(miniStreamSectors);
  flat[0].start = miniStart;
  flat[0].size = mini.size();
  for (Flat& f : flat)
    if (f.node && !f.node->storage && f.size >= 4096) f.start = chain(sectorsOf(f.size));

  bytes::ByteWriter w;
  const std::uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  w.Raw(sig, 8);
  w.Zeros(16);
  w.U16(0x3E), w.U16(3), w.U16(0xFFFE), w.U16(9), w.U16(6);
  w.Zeros(6);
  // Directory sectors (version 3: 0), FAT sectors, directory start, transaction number,
  // mini stream cutoff, mini FAT start and sectors, no DIFAT sectors.
  for (std::size_t v : {std::size_t{0}, fatSectors, std::size_t{dirStart}, std::size_t{0}, std::size_t{4096},
                        std::size_t{miniFatStart}, miniFatSectors, std::size_t{kEnd}, std::size_t{0}})
    w.U32(static_cast<std::uint32_t>(v));
  for (std::size_t i = 0; i < 109; ++i) w.U32(i < fatSectors ? static_cast<std::uint32_t>(i) : kFree);
  for (std::uint32_t v : fat) w.U32(v);
  auto pad = [&] {
    while (w.Size() % 512) w.U8(0);
  };
  for (const Flat& f : flat) {
    const std::string name = f.node ? f.node->name : "Root Entry";
    for (std::size_t i = 0; i < 32; ++i) w.U16(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0);
    w.U16(static_cast<std::uint16_t>((name.size() + 1) * 2));
    w.U8(!f.node ? 5 : f.node->storage ? 1 : 2);
    w.U8(1);  // black
    w.U32(kNone), w.U32(f.right), w.U32(f.child);
    w.Zeros(16 + 4 + 16);
    w.U32(f.start);
    w.U64(f.size);
  }
  pad();
  for (std::uint32_t v : miniFat) w.U32(v);
  pad();
  w.Raw(mini);
  pad();
  for (const Flat& f : flat)
    if (f.node && !f.node->storage && f.size >= 4096) {
      w.Raw(f.node->data);
      pad();
    }
  return w.Take();
}

}  // namespace exchange_test
