// A data table's records 0 .. N as bytes: each value's 80 bits (the padding of the long
// double left out) and the status byte. What a window that must not change the data left.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include "app/data_table.h"

inline std::vector<unsigned char> TableBytes(const TDataTable& table) {
  std::vector<unsigned char> bytes;
  const auto data = table.XYZData();
  for (int i = 0; i <= table.XYZRows() && i < static_cast<int>(data.size()); ++i) {
    const TXYZPoint& p = data[static_cast<std::size_t>(i)];
    for (const long double* v : {&p.X, &p.Y, &p.Z, &p.W}) {
      unsigned char raw[10];
      std::memcpy(raw, v, 10);
      bytes.insert(bytes.end(), raw, raw + 10);
    }
    bytes.push_back(static_cast<unsigned char>(p.Status));
  }
  return bytes;
}
