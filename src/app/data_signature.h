// A fingerprint of a point table's contents, by which the data tools tell whether the data
// changed: whether fit results still describe them and whether they need saving.
//
// Sums of the statistics (means, standard deviations, the weight factor) are no such
// fingerprint: exchanging two columns, or two values of one column, keeps every sum. Here
// each record 1 .. N is hashed from the exact bits of its X, Y, Z and W and from whether it
// is active, and the record hashes are added, so that a change of any value, of any point's
// activity or of the point count changes the signature, while reordering whole records (a
// sort, which no fit and no saved file's data depend on) leaves it as it was.
#pragma once

#include <cstdint>
#include <span>

#include "app/xyz_point.h"

// The finaliser of SplitMix64: every input bit reaches every output bit (the signatures add
// record hashes mixed by it, so that the sum cannot cancel small changes).
inline std::uint64_t MixBits(std::uint64_t z) {
  z += 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// The signature of records 1 .. N (N from the header) and of the header's weights flag.
std::uint64_t DataSignature(std::span<const TXYZPoint> table);

// The same with the order of the records: each record's hash mixed with its place, so that
// a sort that moves a record changes it. A saved file keeps the order of its records.
std::uint64_t DataOrderSignature(std::span<const TXYZPoint> table);
