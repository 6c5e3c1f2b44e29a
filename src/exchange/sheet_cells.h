// The cells of a spreadsheet file, decoded once into one list in file order, and what the
// worksheet, notebook and workbook readers do with them. Every family of worksheet file
// (Lotus WK1/WK3, Quattro WQ1/WB1, Excel BIFF and its workbooks) decodes into this list
// (lotus_cells.h, biff_cells.h); the readers differ only in how they put the cells of one
// row together, because the formats store cells in different orders:
//
//   ReadRowsInFileOrder   Lotus and BIFF files hold their cells row by row: one pass.
//   MergeColumnRuns       WQ1 files hold them column by column: one run per chosen
//                         column, joined on the row number.
//   ColumnByRow +         WB1 files and workbooks: each chosen column gathered into an
//   StoreColumnArrays     array indexed by row, then the arrays stored index by index.
//
// Cells carry the value the reader may store: a number cell whose value is not finite
// (a damaged or hostile file) or is the missing value is decoded as a cell that holds no
// number, of its own kind so that the rows it breaks are told apart; the double nearest
// +-1e300 is +-1e300 (DataValueOfDouble). A file that breaks off keeps the cells before the
// break (TSheetCells::cut), and the readers say after which row (NoteSheetDamage).
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_titles.h"
#include "app/import_readers.h"

enum class TCellKind : std::uint8_t {
  kNumber,    // a number, or the numeric result of a formula
  kLabel,     // text
  kNoNumber,   // a cell that shows no number: an error, a text formula result
  kNotFinite,  // a number cell holding an infinity or NaN
  kMissingValue,  // a number cell holding the missing value -12345.6789, a stored file's
                  // mark of a missing cell
};

struct TSheetCell {
  std::int32_t sheet = 0, row = 0, column = 0;
  TCellKind kind = TCellKind::kNumber;
  long double value = 0;   // kNumber
  std::uint32_t text = 0;  // kLabel: index into TSheetCells::texts
};

struct TSheetCells {
  std::vector<TSheetCell> cells;  // in file order
  std::vector<std::string> texts;
  // Per text: its characters the program's Windows-1252 lacks, replaced by '?' when the file's
  // own code (UTF-16, code page 850) was converted.
  std::vector<int> replaced;
  // The file ended inside a record, or a record was shorter than its fixed part: the cells
  // before it are kept.
  bool cut = false;

  void Number(int sheet, int row, int column, long double value);
  void Label(int sheet, int row, int column, std::string text, int replacedCharacters = 0);
  void NoNumber(int sheet, int row, int column, TCellKind kind = TCellKind::kNoNumber);
  std::string_view Text(const TSheetCell& c) const { return texts[c.text]; }
};

// A row-indexed column: element r is the value of row r, kNoCell where the row holds no
// number, kNotFiniteCell where it holds an infinity or NaN (a cell, but no usable value),
// ExprErrorValue where it holds the missing value.
inline const long double kNoCell = std::numeric_limits<long double>::quiet_NaN();
inline const long double kNotFiniteCell = std::numeric_limits<long double>::infinity();
using TRowArray = std::vector<long double>;
inline bool HasCell(long double v) { return v == v; }

// Where labels may name the data: the Lotus and BIFF files look at rows 0 to 100 only,
// WB1 notebooks at any row; WQ1 files have no title line.
struct TTitleRule {
  int lastRow = 100;
  bool title = true;
};
inline constexpr int kAnyRow = std::numeric_limits<int>::max();

// The titles of a sheet: when row 0 holds exactly one label, that label is the title (80
// characters); the first other label of each of the X, Y and Z columns names that column
// (40 characters). Labels are read in file order up to a later sheet or a row past
// rule.lastRow.
// `unheld`, when given, receives the characters of the labels taken that Windows-1252 lacks.
TDataTitles SheetTitles(const TSheetCells& cells, int sheet, int colX, int colY, int colZ,
                        TTitleRule rule = {}, int* unheld = nullptr);

// A file whose cells broke off (TSheetCells::cut) before the end of `sheet` (no cell of a
// later sheet was decoded): result.damagedAfterRow becomes the 1-based row of the sheet's
// last cell read (0 when none was). The readers below note it themselves; the readers that
// store ColumnByRow arrays call it.
void NoteSheetDamage(const TSheetCells& cells, int sheet, TReadResult& result);

// Where a file whose cells broke off (TSheetCells::cut) broke off within `sheet`: the cells
// the break cut off are those that would have come after the last cell read, in the order
// the file holds them (row by row, or column by column). A row that makes no point because
// such a cell is missing is told with the break (NoteSheetDamage), not also as a skipped
// row. Nothing is lost when the file is whole or a later sheet was reached.
class TSheetBreak {
 public:
  TSheetBreak(const TSheetCells& cells, int sheet, bool byColumn);
  // Whether the cell at (row, column) of the sheet lay beyond the break.
  bool Lost(int row, int column) const;
  // Whether a row with no cell in some of `columns` (negative: not chosen) lost one of
  // those to the break; `holds(k)` says whether columns[k] holds a cell in the row.
  template <typename Holds>
  bool LostRow(int row, std::span<const int> columns, Holds holds) const {
    for (std::size_t k = 0; k < columns.size(); ++k)
      if (columns[k] >= 0 && !holds(k) && Lost(row, columns[k])) return true;
    return false;
  }

 private:
  bool broke_ = false;
  bool byColumn_ = false;
  int lastRow_ = -1, lastColumn_ = -1;
  std::vector<int> columnsRead_;  // the columns of the sheet that hold a cell, sorted
};

// The one-pass read: the cells of args.sheet in file order (a later sheet ends the read);
// a new row (the row number changes, or the column falls) starts the point over; a point
// is complete when the X, Y, Z (and W) columns all gave numbers, and a weight that is not
// above 0 becomes 1.
void ReadRowsInFileOrder(const TSheetCells& cells, const TReadArgs& args, TReadResult& result);

// The numbers of one column's run: from the column's first cell on the sheet to the first
// cell of another column or sheet, labels and cells without a number passed over.
std::vector<const TSheetCell*> ColumnRun(const TSheetCells& cells, int sheet, int column);

// The column-by-column read: the X run's rows, each joined with the Y, Z (and W) cells of
// the same row; a row missing from any of them gives no point (told as skipped unless the
// missing cell lay beyond where the file broke off). Weights not above 0 become 1.
void MergeColumnRuns(const TSheetCells& cells, const TReadArgs& args, TReadResult& result);

// A column as an array indexed by row (at most 65536 rows): the numbers of the column's run
// (runOnly) or of every cell of the column on the sheet, and kNotFiniteCell for its cells
// that hold an infinity or NaN.
TRowArray ColumnByRow(const TSheetCells& cells, int sheet, int column, bool runOnly);

// Stores index-aligned arrays: row i is a point when X, Y, Z (and W) all hold a number (a
// row missing one is counted, apart when a chosen cell held kNotFiniteCell, and not at
// all when the missing cell lay beyond `where` the sheet broke off);
// W = |w| (1 without a W array) and, when the digital filter keeps every point, a negative
// w marks the point inactive. The file gave weights when a W array was read and
// `weightsFlag` is set.
void StoreColumnArrays(const TRowArray& x, const TRowArray& y, const TRowArray& z,
                       const TRowArray* w, bool weightsFlag, const TReadArgs& args,
                       const TSheetBreak& where, TReadResult& result);

// The chosen columns of a sheet paired by row as ColumnByRow gathers them (runOnly as
// there): the rows in which every chosen column holds a number, in row order, one array per
// column (element 0 the count).
TPairedColumns SheetColumnPairs(const TSheetCells& cells, int sheet, std::span<const int> columns,
                                           bool runOnly);

// Which cells of a column the one-column reader takes.
enum class TColumnScope {
  kToLaterSheet,  // every number cell of the column on the sheet, up to a later sheet
  kRun,           // the column's run (ColumnRun)
};
TColumnArray SheetColumnValues(const TSheetCells& cells, int sheet, int column, TColumnScope scope);

// The column list of the column dialog: one entry per column 0-230 of each sheet that holds
// a cell, "%-2s:" with the column letters, or in the sheet form "%-4s:" with the sheet
// letter, "!" and the letters; then the texts of the column's labels in rows 0-100, each
// after a blank, while at least `minRoom` characters of room remain within 47. Entries are
// listed sheet by sheet in column order, at most `capacity` of them. Returns the number
// listed when at least 2, else 0 (and the list empty).
struct TListForm {
  bool sheetForm = false;
  std::size_t minRoom = 6;
};
int ListSheetColumns(const TSheetCells& cells, TListForm form, std::vector<std::string>& list,
                     std::size_t capacity = 512);

// The sheet letter of a 0-based sheet ("A" .. "Z"); sheets past Z are not listed.
inline constexpr int kListedSheets = 26;
// Columns past this are neither listed nor given an X value by the matrix read.
inline constexpr int kListedColumns = 231;
