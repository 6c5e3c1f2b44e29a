// The reader interface of the import road. The data-file commands of the shell fill the XYZ
// data table from files of 24 import kinds, whose detection and readers live in the import
// subsystem above the shell; that subsystem registers them here at start-up
// (RegisterImportReaders), and the column dialog of the user interface registers itself
// beside them. A kind whose reader is not registered is refused before the table is touched.
//
// Import kinds (the display name of kind k is string 3021 + k): 1 ASCII single column,
// 2 ASCII XY, 3 ASCII XYZ, 4 ASCII multi-column, 5 dBASE, 6 WKS, 7 WK4, 8 WK1, 9 WB1,
// 10 WKQ, 11 WQ1, 12 WK3, 13 Excel BIFF, 14 the sibling product's DOS worksheet, 15 its
// Windows worksheet, 16 DIF single column, 17 DIF XY, 18 and 19 DIF multi-column, 20 Excel
// compound file, 21 and 22 notebooks, 23 statistics-package file, 24 the program's own
// statistics-package file. Detection answers -1 for a missing or empty file and 0 for a
// file no kind accepts.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/data_table.h"
#include "app/data_titles.h"
#include "app/sav_write_result.h"
#include "app/xyz_point.h"
#include "platform/window.h"

struct TDataSession;

inline constexpr int kImportKindCount = 24;
// The cases (records, points) of a file read at most, whatever the digital filter keeps and
// however full the table is. A compressed file may hold millions of cases in a few bytes, and
// a filter that keeps few of them never fills the table: the readers stop there and the user
// hears "more than" this many.
inline constexpr int kPointsCountBound = 1000000;
// A read reports its progress (TReadArgs::progress) after every this many cases.
inline constexpr int kReadProgressStep = 4096;
inline constexpr int kImportKindAsciiXYZ = 3;
inline constexpr int kImportKindWK1 = 8;
inline constexpr int kImportKindWK3 = 12;

// Kinds that are recognised but hold fewer than 3 columns (and 0, no kind): refused.
bool ImportKindRefused(int kind);
// Kinds read after the user chose the columns (4-15, 18-23).
bool ImportKindNeedsColumns(int kind);
// The display name of a kind (string 3021 + kind), or empty.
std::string ImportKindName(int kind);

// The columns chosen in the column dialog, numbered as the kind's column lister numbers
// them (ImportColW -1: no weight column), and the sheets, 0-based, for kinds with sheets.
// A session keeps the last choice (TDataSession::ImportColumns).
struct TImportColumns {
  int ImportColX = -1, ImportColY = -1, ImportColZ = -1, ImportColW = -1;
  int ImportSheetX = 0, ImportSheetY = 0, ImportSheetZ = 0, ImportSheetW = 0;
};

// What the driver passes to a whole-file reader.
struct TReadArgs {
  std::string path;
  int capacity = kXYZMaxPoints;  // the points the table can still take
  int filterN = 1;  // digital filter: keep point c when c >= start and n divides c + 1 - start
  int filterStart = 1;
  int sheet = 0;
  int colX = -1, colY = -1, colZ = -1, colW = -1;
  // Asked with the cases read so far after every kReadProgressStep of them; false cancels
  // the read (TReadResult::cancelled). Empty: the read runs to its end.
  std::function<bool(int casesRead)> progress;
};

// Why a read gave nothing.
enum class TReadError {
  kNone,
  kCannotOpen,  // the file cannot be opened
  kMalformed,   // the file's structure is broken (a DIF file without DATA, cut before EOD, ...)
};

// What a whole-file reader read. Readers never touch the data table: the import driver
// commits a read it accepts (CommitReadResult, app/data_files.h), so a read that fails or
// is refused leaves the table as it was without any undoing.
struct [[nodiscard]] TReadResult {
  TReadError error = TReadError::kNone;
  // The points kept, in file order: X, Y, Z, W and status set, every other field zero. At
  // most args.capacity of them.
  PointTable points;
  TDataTitles titles;
  bool weighted = false;  // the file gave weights
  // Complete points the file holds (before the digital filter), and of those the filter
  // kept, the ones that found no room in the table.
  int pointsInFile = 0;
  int pointsCut = 0;
  // The read stopped at kPointsCountBound cases: the file holds more than were counted.
  bool morePointsInFile = false;
  // The user cancelled the read through its progress: nothing of it is to be kept.
  bool cancelled = false;
  // Lines passed over because they mix letters into numbers ("A4 4 0"): not points.
  int skippedLines = 0;
  // Rows of a file read by chosen columns that were passed over because a chosen column held
  // text, an error or nothing where another held a number (a value a format cannot hold
  // written as its digits, an empty cell): not points. Rows without any number in the
  // chosen columns (titles, headings, notes) are no data and not counted.
  int skippedRows = 0;
  // The same rows of a format whose reader keeps them, marked inactive (a dBASE record
  // whose chosen field is blank or text, read as 0).
  int inactiveRows = 0;
  // Rows passed over because a chosen cell held a number that is no finite value (an
  // infinity or NaN of a damaged or hostile file): not points, and told apart from text.
  int nonFiniteRows = 0;
  // Rows passed over because a chosen column of a text file held a number beyond +-1e300,
  // which the text readers take as missing (DataValueOf): not points.
  int beyondRangeRows = 0;
  // Rows passed over because a chosen cell held the missing value -12345.6789 (the mark a
  // stored file gives a missing cell): not points.
  int missingValueRows = 0;
  // Numbers of the points kept that the text readers took as 0, being nearer 0 than 1e-300.
  int nearZeroValues = 0;
  // Characters of the titles and names the read gave that the program's Windows-1252 lacks
  // (a UTF-8 or UTF-16 text's, a code page 850 label's): each is shown as '?'.
  int unheldCharacters = 0;
  // A file that breaks off (a record shorter than its fixed part, a file cut inside a
  // record, a file without its end): what came before is kept, and the user is told after
  // which row (1-based, as the file's own program numbers its rows; 0 before any) nothing
  // more could be read. Empty when the file is whole.
  std::optional<std::int64_t> damagedAfterRow;
  // A file shorter than its header says (a dBASE table counting records that are not
  // there): the records it holds are read and kept, and the user is told. The count the
  // header gives, as it gives it, and the whole records the file holds; 0 and 0 when the
  // file is whole.
  std::int64_t recordsInHeader = 0;
  std::int64_t recordsInFile = 0;

  // The points read, -1 when the read failed.
  int Count() const {
    return error == TReadError::kNone ? static_cast<int>(points.size()) : -1;
  }
};

// What a column lister answers for a file whose structure is broken (field lengths that do
// not add up, a header past the end of the file, a sheet without cells): the driver refuses
// such a file with the reading error before any column dialog opens.
inline constexpr int kListMalformed = -3;

// A whole-file reader: the points and titles of a file (title, X, Y and Z names).
using TWholeFileReader = std::function<TReadResult(const TReadArgs& args)>;

// A column of numbers read from a file: element 0 holds the count n, elements 1..n the
// values in file order. Empty when the column could not be read.
using TColumnArray = std::vector<long double>;
// The values a column array holds at most.
inline constexpr int kMaxColumnValues = 16383;

// Chosen columns of a file paired by row: one column array per chosen column, and the rows
// past the arrays' room (kMaxColumnValues values) that would have made pairs, so that the
// user hears what was left out. The file is counted up to kPointsCountBound rows.
struct TPairedColumns : std::vector<TColumnArray> {
  TPairedColumns() = default;
  TPairedColumns(std::vector<TColumnArray> arrays) : std::vector<TColumnArray>(std::move(arrays)) {}
  int rowsLeftOut = 0;
  bool moreLeftOut = false;  // the read stopped at the bound: the file holds more rows
};

struct TImportReaders {
  // The kind of the file; may complete a path without extension with the one that matched.
  std::function<int(std::string& path)> Detect;
  // The whole-file reader of each kind (index 1..24); empty where none exists yet.
  std::array<TWholeFileReader, kImportKindCount + 1> Read;
  // The column lister of each kind (index 1..24): one display string per column, whose
  // first characters name the column; returns the number listed, kListMalformed when the
  // file's structure is broken (its read would fail), another number below 1 when the file
  // offers no column.
  std::array<std::function<int(const std::string& path, std::vector<std::string>& list)>,
             kImportKindCount + 1>
      List;
  // Chosen columns of one sheet of a file of a kind (index 1..24), paired by row as the
  // kind's whole-file reader pairs them: (path, sheet, columns) gives one column array per
  // chosen column holding its values of the rows in which every chosen column holds a
  // number; empty when the file cannot be read. The column dialog's preview and the
  // two-column read take their columns so: read one at a time, columns that hold an empty,
  // error or text cell would pair the values of different rows.
  std::array<std::function<TPairedColumns(const std::string& path, int sheet, std::span<const int> columns)>,
             kImportKindCount + 1>
      ReadColumnPairs;
  // Reads a WK1 (8) or WK3 (12) worksheet as a matrix (x from the first row, y from the
  // first column), at most `capacity` points.
  std::function<TReadResult(const std::string& path, int capacity)> ReadMatrix;
  // Writes the table as a statistics-package file.
  std::function<TSavWriteResult(const TDataSession& session, const std::string& path)> WriteSav;
  // Writes X, Y and Z of a point table's active points (records 0..N) as a statistics-package
  // file (the evaluation table's and the residual graph's saves).
  std::function<TSavWriteResult(std::span<const TXYZPoint> table, const std::string& path)> WriteSavPoints;

  // The column dialog (user interface): lets the user choose the X, Y, Z and weight columns
  // of a file of the kind into `columns` (which holds the last choice); previewOn and
  // weightsAreSD are the dialog's two options, read and written back; `shown` is the name
  // the dialog shows for the file (the path, or what the user knows a temporary copy by).
  // 1 on OK.
  std::function<int(const std::string& path, const std::string& shown, int kind, int& previewOn,
                    int& weightsAreSD, TImportColumns& columns)>
      ChooseColumns;
  // The two-column dialog over the window that asked for the columns (`owner`): the X and Y
  // columns into ImportColX, ImportColY and their sheets.
  std::function<int(platform::Window owner, const std::string& path, int kind, TImportColumns& columns)>
      ChooseXYColumns;
};

TImportReaders& ImportReaders();
