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
// Rows whose X, Y or Z is missing are not written. A value of a written row that the
// file's doubles cannot hold (HeldAsDouble: 1e400 would be infinite, 1e-400 zero) or that is
// one of the format's marks (-DBL_MAX the system-missing value, DBL_MAX and the double next
// to -DBL_MAX the ends of missing ranges) or whose double is the program's missing value
// refuses the save, naming the first (SavWriteStatus::kValueNotHeld): the file would give
// back another number or none. The file is made in memory and saved through a
// temporary file renamed at the end, so a failed write leaves an existing file as it was.
// Each variable's print format shows all its values as they were written (SavPrintFormat).
#pragma once

#include <span>
#include <string>

#include "app/data_titles.h"
#include "app/import_readers.h"
#include "app/xyz_point.h"

// `table`: records 0..N of a point table (record 0 the header with the count and, in W,
// the weights flag).
TSavWriteResult WriteOkapSav(const std::string& path, std::span<const TXYZPoint> table,
                             const TDataTitles& titles);
TSavWriteResult WriteOkapSavXYZ(const std::string& path, std::span<const TXYZPoint> table);

// The print format under which a statistics package shows every value of a variable as it was
// written (the shortest digits that give its double back): "F10.2" for 5400013.11, where the
// package's default F8.2 showed 5400013, "F13.11" for 0.00086080047, "F1.0" for 0 and 1. Where
// no F format (at most 40 characters, 16 decimals) shows them all without a double's binary
// remainder (431491.99 beside 0.00086080047), an E format with the significant digits they
// need, at most 15. Values that are no finite number are passed over; without any, "F8.2".
std::string SavPrintFormat(std::span<const double> values);
