// The dictionary of a statistics-package system file (.sav): the file header and the
// variable records, with names, types, labels and missing-value specifications, up to the
// end of the dictionary. Enough to tell the program's own files from others and to list the
// variables; the case data are not read here. Counts and lengths read from the file are
// checked against the bytes that remain, so a damaged file is refused, never read past.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TSavVariable {
  std::string name;      // up to 8 characters, trailing blanks removed
  int type = 0;          // 0 numeric, else the string width
  std::string label;     // empty without one
  int missingKind = 0;   // 0 none, 1-3 discrete values, -2 a range, -3 a range and a value
  double missing[3] = {0, 0, 0};
};

struct TSavDictionary {
  std::string product;   // the product text of the header
  std::string fileLabel;  // the file's id string
  int compression = 0;
  int weightIndex = 0;   // 1-based index of the case-weight variable's first slot, 0 none
  std::int32_t caseCount = -1;
  std::vector<TSavVariable> variables;  // continuation slots of long strings left out
};

// The header magic of a system file ("$FL2") followed by the "@(#) " mark that every writer
// puts before its product text.
bool HasSavMagic(const std::uint8_t* head, std::size_t size);

// Reads the dictionary of a file (either byte order). False when the file cannot be read
// or is not a sound system file.
[[nodiscard]] bool ReadSavDictionary(const std::string& path, TSavDictionary& out);
[[nodiscard]] bool ParseSavDictionary(const std::vector<std::uint8_t>& bytes, TSavDictionary& out);
