// What the statistics-package (.sav) writers answer. They live in the import subsystem,
// above the shell; the shell's save commands and the tools that save point tables call them
// through TImportReaders and read this answer.
#pragma once

#include <string>

// What a statistics-package writer did. A value the file's 64-bit numbers cannot hold
// refuses the whole save: a .sav file has no other place for it (a worksheet keeps such a
// value as a label of its digits), and a save that dropped the point would leave a file
// that no longer gives the table back.
enum class SavWriteStatus {
  kWritten,
  kCannotWrite,      // the file could not be made or saved
  kTooFewRows,       // fewer than 3 rows: nothing written, an existing file untouched
  kValueNotHeld,     // a value the format cannot hold: nothing written (refused* say which)
};

struct [[nodiscard]] TSavWriteResult {
  SavWriteStatus status = SavWriteStatus::kWritten;
  int tableRows = 0;  // the rows of the table handed in
  int casesWritten = 0;
  // kValueNotHeld: the first such value, its row (1-based) and its variable's axis ("X",
  // "Y", "Z" or "W").
  int refusedRow = 0;
  const char* refusedAxis = "";
  long double refusedValue = 0;

  // As the save commands count: the table's rows, -1 when the file could not be written
  // (or a value refused it), -2 for too few rows.
  int Code() const {
    switch (status) {
      case SavWriteStatus::kWritten: return tableRows;
      case SavWriteStatus::kCannotWrite:
      case SavWriteStatus::kValueNotHeld: return -1;
      case SavWriteStatus::kTooFewRows: return -2;
    }
    return -1;
  }
};

// The message of a kValueNotHeld result: "Row 3, X: 1E+400 Cannot Be Held by a .sav
// File\nNothing Was Written".
std::string SavRefusalText(const TSavWriteResult& result);
