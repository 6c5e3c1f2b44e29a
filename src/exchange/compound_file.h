// A reader of the published compound-file (structured storage) format: the container of
// Excel 97 workbooks and of the sibling plotting product's notebooks. It opens a file,
// finds storages and streams by name (names compare without case, as the format says) and
// reads a stream whole, from the regular sectors or the mini stream. Every sector number,
// chain and size read from the file is checked before use, so a damaged file is refused,
// never read past.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TCompoundFile {
 public:
  static constexpr int kStorage = 1;
  static constexpr int kStream = 2;
  static constexpr int kRoot = 5;

  // False when the file cannot be read or is not a sound compound file.
  [[nodiscard]] bool Open(const std::string& path);
  [[nodiscard]] bool Load(std::vector<std::uint8_t> bytes);

  int Root() const { return 0; }
  // The entry named `name` among the children of a storage (or the root), or -1.
  int FindChild(int storage, std::string_view name) const;
  std::vector<std::string> ChildNames(int storage) const;
  int EntryType(int entry) const;
  std::uint64_t StreamSize(int entry) const;
  // The whole stream, or nothing when its chain is broken.
  std::optional<std::vector<std::uint8_t>> ReadStream(int entry) const;

 private:
  struct Entry {
    std::string name;  // the UTF-16 name with characters above 127 as '?'
    int type = 0;
    std::uint32_t left = 0, right = 0, child = 0;
    std::uint32_t start = 0;
    std::uint64_t size = 0;
  };
  std::vector<int> Children(int storage) const;
  bool Chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
             std::vector<std::uint32_t>& out) const;
  std::optional<std::vector<std::uint8_t>> ReadChain(std::uint32_t start, std::uint64_t size,
                                                     bool mini) const;

  std::vector<std::uint8_t> data_;
  std::size_t sectorSize_ = 512;
  std::size_t miniSectorSize_ = 64;
  std::uint32_t miniCutoff_ = 4096;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::vector<Entry> entries_;
  std::vector<std::uint8_t> miniStream_;
};

// Whether the file is a compound document with a "Book" or "Workbook" stream (an Excel
// workbook; import kind 20).
bool IsOleWorkbook(const std::string& path);

// The worksheet section of a notebook: the first of its storage name patterns ("ExcelxRNB",
// "Data xRNB", "PasteRNBx", "PasteRNBx", "Excel x", "Data x", "Excel xRNB", the x a digit 1
// to 9, tried pattern by pattern) that holds its stream ("Book" for an Excel sheet,
// "RNBContents" for a data worksheet). kind: 1 Excel sheet, 0 data worksheet. Nothing when
// the file is no compound file or has no such section; with `stream` the section's stream
// is read too.
std::optional<int> FindNotebookSection(const std::string& path,
                                       std::vector<std::uint8_t>* stream = nullptr);
