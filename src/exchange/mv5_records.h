// The sibling plotting product's DOS worksheet files (".MV5") at record level: the one
// library under the import routines of kind 14 (mv5_reader.h) and the fit export
// (export/mv5_export.h). Little-endian throughout.
//
//   header text       0x0A 0x0D "Rokvel", free text, 0x1A; at most 128 bytes, the 0x1A
//                     its last
//   file descriptor   128 bytes: u16 1 at 0; u32 offsets of items 0, 1, 2 at 6, 10, 14
//                     (each pointing at the item's header text, 0 when absent); u16 at 18,
//                     20, 22; "MV500" at 24 and at 34
//   items             0 the data worksheet, 1 the statistics worksheet, 2 a further item
//                     the program only copies; each: a header text (same rules), a 128-byte
//                     item descriptor, column blocks, an end mark
//   item descriptor   name at 0, tag at 64, u16 20 at 74, 0xFFFF at 76, columns at 78,
//                     rows at 80, cell size (8) at 82
//   column block      u32 length of what follows the 6-byte block header, u16 column;
//                     then (unless the column is 0xFFFF, the end mark, length 0) the 14-byte
//                     column record and length - 14 bytes of cells
//   column record     seven u16: kind (0 data, 1 statistics), column, 0, 1, 0xFFFF, 64, cells
//   cell              an 8-byte double; 0xFF 0xFF in its last two bytes marks an empty cell
//                     (all eight bytes 0xFF when written), 0xF1 0xFF a text cell of up to
//                     eight six-bit characters packed into its first six bytes
//
// A statistics column holds 34 cells: 0-29 empty, 30 the number 1, 31 empty, 32-33 the data
// column's title as 16 plain bytes (31 cells when written without a title).
//
// Reading checks every offset, count and length against the file's size and the item's
// declared size before it is used; files are opened read-only. Writing builds the file in
// memory and saves it when it is closed, through a temporary file renamed at the end, so a
// failed export leaves an existing file as it was (the file is therefore created by
// MvCloseWrite, and an unwritable place is reported there).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/file_utils.h"

enum class MvCode : std::uint16_t {
  kOk = 0,
  kCannotOpen = 0xE001,   // the file cannot be opened or created
  kBadHeader = 0xE002,    // a header text too long, without its 0x1A or prefix; a short read
  kNoMemory = 0xE003,
  kWriteFailed = 0xE004,  // a short write; an item absent or not open; closing while row slots are attached
  kColumnOwes = 0xE005,   // a column begun (or the file closed) before the previous one got all its cells
  kBeyondItem = 0xE006,   // a column or cell count beyond the item's size; an item begun twice
  kNoMore = 0xE008,       // no further block in the item, no cells left in the column
};

inline constexpr std::size_t kMvDescriptorSize = 128;
inline constexpr std::size_t kMvMaxHeaderText = 128;
inline constexpr std::size_t kMvBlockHeaderSize = 6;
inline constexpr std::size_t kMvColumnRecordSize = 14;
inline constexpr std::size_t kMvCellSize = 8;
inline constexpr std::uint16_t kMvEndMark = 0xFFFF;
inline constexpr int kMvItems = 3;
inline constexpr int kMvDataItem = 0, kMvStatsItem = 1, kMvExtraItem = 2;
inline constexpr int kMvStatsCells = 34, kMvStatsCellsUntitled = 31;
inline constexpr int kMvTitleCell = 32;
inline constexpr std::size_t kMvTitleChars = 15;
// Read flags.
inline constexpr unsigned kMvKeepBlockTable = 8;  // remember each column's block as it is passed
inline constexpr unsigned kMvKeepHeaderTexts = 16;
// Row reader flag: drop the rows with a missing cell.
inline constexpr unsigned kMvSkipIncompleteRows = 0x8000;

// Offsets in the descriptors and the column record.
namespace mv5 {
inline constexpr std::size_t kFileVersion = 0;
inline constexpr std::size_t kItemOffsets = 6;  // three u32
inline constexpr std::size_t kFileWords = 18;   // three u16
inline constexpr std::size_t kFileTag = 24, kFileTagAgain = 34;
inline constexpr std::size_t kItemName = 0, kItemTag = 64;
inline constexpr std::size_t kItemWord74 = 74, kItemWord76 = 76;
inline constexpr std::size_t kItemColumns = 78, kItemRows = 80, kItemCellSize = 82;
inline constexpr std::size_t kRecordKind = 0, kRecordColumn = 2, kRecordCells = 12;
}  // namespace mv5

using TMvDescriptor = std::array<std::uint8_t, kMvDescriptorSize>;
using TMvColumnRecord = std::array<std::uint8_t, kMvColumnRecordSize>;
using TMvCell = std::array<std::uint8_t, kMvCellSize>;

// The prefix of every header text, and the signature test of the import detection.
inline constexpr std::string_view kMvHeaderPrefix{"\x0A\x0DRokvel", 8};
bool IsMv5File(std::span<const std::uint8_t> firstBytes);

// ---- records and cells -----------------------------------------------------------------

void MvInitFileDescriptor(TMvDescriptor& d);
void MvInitDataItem(TMvDescriptor& d, int columns, int rows);
void MvInitStatsItem(TMvDescriptor& d, int columns, int rows);
void MvInitColumnRecord(TMvColumnRecord& r, int column, int cells, int kind);
// The descriptor's fields as a reader takes them.
int MvDescriptorColumns(const TMvDescriptor& d);
int MvDescriptorRows(const TMvDescriptor& d);
int MvRecordColumn(const TMvColumnRecord& r);
int MvRecordCells(const TMvColumnRecord& r);

TMvCell MvNumberCell(double value);
TMvCell MvEmptyCell();
// Up to eight characters in six-bit codes: c - 32 for 32 <= c < 96, 0 for any other
// character (lower case included) and past the end of the text.
void MvPackText(TMvCell& cell, std::string_view text);
bool MvIsEmptyCell(const TMvCell& cell);
bool MvIsTextCell(const TMvCell& cell);
// The value of a cell that holds a finite number (not empty, not text), else nothing.
std::optional<double> MvCellNumber(const TMvCell& cell);

// A statistics column: 34 cells with a title (cut to 15 characters), 31 without; returns the
// number of cells.
int MvInitStatsColumn(std::span<TMvCell, kMvStatsCells> cells, std::optional<std::string_view> title);

// ---- writing -----------------------------------------------------------------------------

struct TMvWriteHandle {
  struct Item {
    bool begun = false, ended = false;
    std::size_t descriptorAt = 0, textLength = 0;
    int columns = 0, rows = 0, cellSize = 0;
  };
  std::filesystem::path path;
  std::vector<std::uint8_t> bytes;  // the file as written so far
  bool open = false;
  unsigned flags = 0;
  std::size_t headerLength = 0;
  std::array<Item, kMvItems> items{};
  int currentItem = -1;
  long owed = 0;  // cells the current column still owes
};

// A null descriptor means the default one.
[[nodiscard]] MvCode MvCreate(TMvWriteHandle& h, const std::filesystem::path& path, std::string_view headerText,
                              const TMvDescriptor* descriptor, unsigned flags = 0);
[[nodiscard]] MvCode MvBeginDataItem(TMvWriteHandle& h, std::string_view headerText, const TMvDescriptor& d);
[[nodiscard]] MvCode MvBeginStatsItem(TMvWriteHandle& h, std::string_view headerText, const TMvDescriptor& d);
[[nodiscard]] MvCode MvBeginItem(TMvWriteHandle& h, int item, std::string_view headerText, const TMvDescriptor& d);
[[nodiscard]] MvCode MvBeginColumn(TMvWriteHandle& h, const TMvColumnRecord& record);
[[nodiscard]] MvCode MvWriteCells(TMvWriteHandle& h, std::span<const TMvCell> cells);
[[nodiscard]] MvCode MvEndItem(TMvWriteHandle& h);
// Stores the item offsets in the file descriptor and saves the file (kCannotOpen when it
// cannot be saved; an existing file is then kept). The handle is closed on every path.
[[nodiscard]] MvCode MvCloseWrite(TMvWriteHandle& h);

// ---- reading -----------------------------------------------------------------------------

struct TMvReadHandle {
  struct Item {
    std::uint32_t offset = 0;  // of its header text; 0 absent
    bool opened = false;
    std::string headerText;  // with kMvKeepHeaderTexts
    TMvDescriptor descriptor{};
    int columns = 0, rows = 0;
    std::int64_t firstBlock = 0;
    std::vector<std::int64_t> blockOf;  // with kMvKeepBlockTable: per column, -1 not yet passed
    std::int64_t passedUpTo = 0;        // the blocks before this were passed in order
    bool fullyPassed = false;           // ... and so was the end mark
  };
  struct Slot {
    bool attached = false;
    int column = -1, cells = 0, taken = 0;
    std::int64_t cellsAt = 0;
    std::array<TMvCell, 64> cache{};
    int cached = 0, next = 0;
  };
  FilePtr file;
  std::int64_t fileSize = 0;
  unsigned flags = 0;
  std::size_t headerLength = 0;
  std::string headerText;  // with kMvKeepHeaderTexts
  std::array<Item, kMvItems> items{};
  int currentItem = -1;
  std::int64_t nextBlock = 0;
  // The current column.
  std::int64_t cellsAt = 0;
  int cellsRead = 0, cellsLeft = 0;
  std::vector<Slot> columnSlots;  // not "slots": Qt reserves that word
  bool rowsBegun = false;
  // Rows dropped by kMvSkipIncompleteRows although one of their cells held a number.
  int rowsSkipped = 0;
};

[[nodiscard]] MvCode MvOpen(TMvReadHandle& h, const std::filesystem::path& path, TMvDescriptor* descriptor,
                            unsigned flags = 0);
[[nodiscard]] MvCode MvOpenDataItem(TMvReadHandle& h, TMvDescriptor* descriptor);
[[nodiscard]] MvCode MvOpenStatsItem(TMvReadHandle& h, TMvDescriptor* descriptor);
[[nodiscard]] MvCode MvOpenItem(TMvReadHandle& h, int item, TMvDescriptor* descriptor);
[[nodiscard]] MvCode MvNextBlock(TMvReadHandle& h, TMvColumnRecord* record);
[[nodiscard]] MvCode MvSeekColumn(TMvReadHandle& h, int column, TMvColumnRecord* record);
[[nodiscard]] MvCode MvReadCells(TMvReadHandle& h, std::span<TMvCell> cells);
// Moves to cell `index` of the current column.
[[nodiscard]] MvCode MvSkipCells(TMvReadHandle& h, int index);
// The cells of the column in the open item; 0 when it cannot be found.
int MvColumnLength(TMvReadHandle& h, int column);
// The title of a data column from the statistics worksheet; empty when it has none.
std::string MvColumnTitle(TMvReadHandle& h, int column);
// The row reader over the open item: n slots, each attached to a column; each row takes the
// next cell of every slot (an empty cell once a slot's column has ended). A cell is missing
// when it is empty, text, or holds no finite number. kNoMore once every slot has ended.
[[nodiscard]] MvCode MvRowsBegin(TMvReadHandle& h, int n);
[[nodiscard]] MvCode MvRowsAttach(TMvReadHandle& h, int slot, int column);
[[nodiscard]] MvCode MvRowsNext(TMvReadHandle& h, std::span<double> row, unsigned flags);
void MvRowsEnd(TMvReadHandle& h);
// Refuses (kWriteFailed) while row slots are allocated.
[[nodiscard]] MvCode MvClose(TMvReadHandle& h);

// Copies item `item` of `in` (opened with kMvKeepHeaderTexts) into `out`: its header text,
// descriptor and every block. On failure nothing of it stays in `out`.
[[nodiscard]] MvCode MvCopyItem(TMvWriteHandle& out, TMvReadHandle& in, int item);
