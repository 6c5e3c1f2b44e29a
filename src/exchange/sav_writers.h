// The two .sav writers, on ReadStat's writer: compressed (bytecode) cases, texts in UTF-8.
//
//   WriteOkapSav      the data table (Save As): XVAR, YVAR, ZVAR labelled with the axis
//                     names, ACTIVE ("State": 1 active, 0 inactive) and WEIGHT ("Weights"),
//                     which is the case-weight variable of a weighted table; the first 64
//                     characters of the data title are the file's id string. The program
//                     reads such a file back as import kind 24.
//   WriteOkapSavXYZ   a point table (the evaluation table, the residual graph): XVAR, YVAR
//                     and ZVAR of its active points, without id string or labels.
//
// Rows whose X, Y or Z is missing are not written. The file is made in memory and saved
// through a temporary file renamed at the end, so a failed write leaves an existing file as
// it was.
#pragma once

#include <span>
#include <string>

#include "app/data_titles.h"
#include "app/xyz_point.h"

enum class SavWriteStatus {
  kWritten,
  kCannotWrite,  // the file could not be made or saved
  kTooFewRows,   // fewer than 3 rows: nothing written, an existing file untouched
};

struct [[nodiscard]] TSavWriteResult {
  SavWriteStatus status = SavWriteStatus::kWritten;
  int tableRows = 0;  // the rows of the table handed in
  int casesWritten = 0;

  // As the save commands count: the table's rows, -1 when the file could not be written,
  // -2 for too few rows.
  int Code() const {
    switch (status) {
      case SavWriteStatus::kWritten: return tableRows;
      case SavWriteStatus::kCannotWrite: return -1;
      case SavWriteStatus::kTooFewRows: return -2;
    }
    return -1;
  }
};

// `table`: records 0..N of a point table (record 0 the header with the count and, in W,
// the weights flag).
TSavWriteResult WriteOkapSav(const std::string& path, std::span<const TXYZPoint> table,
                             const TDataTitles& titles);
TSavWriteResult WriteOkapSavXYZ(const std::string& path, std::span<const TXYZPoint> table);
