// Readers of dBASE III+/IV tables (import kind 5): the field lister of the column dialog,
// the one-field reader of the preview and the two-column read, and the whole-file reader.
// Only numeric ("N") and float ("F") fields are listed; a field's text is converted as a
// decimal number in the C locale, and text that is not a number reads as 0.
//
// Fields are numbered from 1 by their position among all descriptors, so a text field keeps
// its number though it is not listed. A character field's length has two bytes (the second
// is 0 in dBASE tables; FoxPro and Clipper use it for fields longer than 255). The header's
// counts and lengths are checked against the file before use: a table whose field lengths
// do not add up to its record length, whose header is shorter than one descriptor block or
// longer than the file is malformed. Records the header counts beyond the file's end are
// not there: those the file holds are read, and the read says how many were missing.
// Every record of the file is counted: those the table has no room for are cut and counted,
// as by every reader.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/import_readers.h"

// Reads the 1-based fields args.colX, colY, colZ (and colW, -1 none) of every record. A
// deleted record, and one whose X, Y and Z are all 0, is stored inactive; a weight that is
// not above 0 becomes 1. The names are the chosen fields' names.
TReadResult ReadDbase(const TReadArgs& args);

// One entry "%3d %s" (field number, name; at most 19 characters) per numeric field, in
// descriptor order. Returns the number listed; kListMalformed when the table is malformed,
// -1 when it holds fewer than two descriptors or fewer than two numeric fields; -2 when it
// cannot be opened.
int ListDbaseFields(const std::string& path, std::vector<std::string>& list);

// The values of one 1-based field over the records not deleted; empty when the file cannot
// be read or has no such field.
TColumnArray ReadDbaseColumn(const std::string& path, int field);

// The 1-based fields of the records not deleted, paired record by record: the records in
// which every one of them holds a number, one array per field (element 0 the count); empty
// when the file cannot be read or has no such field.
TPairedColumns ReadDbaseColumnPairs(const std::string& path, int sheet, std::span<const int> fields);
