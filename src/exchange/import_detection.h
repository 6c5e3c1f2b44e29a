// The import kind of a data file (kinds 1-24 of app/import_readers.h), found from its
// name and its first bytes: the extension chooses a probe (a file without one is tried with
// each known extension in turn), a file no probe accepts is read as text when it is text,
// and a text file's kind is the number of its columns.
#pragma once

#include <string>

// The kind of the file, -1 when there is no name or the file is missing or empty, 0 when
// no kind accepts it. A path without an extension that matched with one of the candidate
// extensions gets that extension appended.
int DetectImportFileType(std::string& path);

// The probes: each answers its kind, 0 (not this format) or -1 (missing or empty file).
// ProbeAsciiColumns: 1-4, the most columns of lines five to ten and, below 4, of the data
// lines after them.
int ProbeAsciiColumns(const std::string& path);
int ProbeSpreadsheet(const std::string& path);   // 6-12, 14, 15 (Lotus, Quattro, sibling)
int ProbeDbase(const std::string& path);         // 5
int ProbeExcelBiff(const std::string& path);     // 13 (BIFF), 20 (compound-file workbook)
int ProbeDif(const std::string& path);           // 16-19 by the number of vectors
int ProbeNotebook(const std::string& path);      // 21 data worksheet, 22 Excel sheet
int ProbeOkapSav(const std::string& path);       // 23, or 24 for the program's own files
