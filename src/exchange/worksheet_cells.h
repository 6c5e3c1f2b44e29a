// Finding the first cell record of a Lotus-family worksheet (WKS, WK1, WKQ, WQ1 and the
// WK3 family), by walking the record chain and, when that finds none, by a byte search for
// a plausible cell record. Used by the file-type detection and the worksheet readers.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Whether a worksheet path belongs to the WK3 family (its name ends in "3" or "4").
bool IsWk3FamilyName(const std::string& path);

// The file offset of the first cell record (the record walk, then ScanForCellRecord);
// -2 when the file cannot be opened, -1 when it holds none.
long FindFirstCellRecord(const std::string& path);

// The byte search over a file's bytes: the offset of the first candidate, or -1.
long ScanForCellRecord(std::span<const std::uint8_t> bytes, bool wk3Family);
// The record walk from offset 0: the offset of the first cell record, or -1.
long WalkToCellRecord(std::span<const std::uint8_t> bytes, bool wk3Family);
