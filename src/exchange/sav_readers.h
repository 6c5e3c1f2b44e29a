// The import routines of the statistics package's .sav files (import kinds 23 and 24), on
// the two passes of sav_file.h:
//
//   ProbeOkapSav (import_detection.h)   23, or 24 for the program's own files: exactly the
//                                       five numeric variables XVAR, YVAR, ZVAR, ACTIVE,
//                                       WEIGHT in this order
//   ListOkapVariables                   the column dialog's list of numeric variables
//   ReadOkapVariable(s)                 the preview and two-column reads
//   ReadOkapSav                         kind 23: the variables the user chose
//   ReadOkapSavOwn                      kind 24: the program's own five variables
//
// Variables are numbered from 1 by their position in the file (string variables take a
// number but are never listed). A value is missing when it is the system-missing value
// or, except in the program's own files, one of its variable's missing values or ranges.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/import_readers.h"

// True for the dictionary of a file this program wrote (import kind 24).
struct TSavDictionary;
bool IsOwnSavDictionary(const TSavDictionary& dictionary);

// "%d %s" (number, name) per numeric variable, then " [label]" with the label cut to 40
// characters when it has one; at most `capacity` entries. Returns the number listed (0
// when the file cannot be read).
int ListOkapVariables(const std::string& path, std::vector<std::string>& list,
                      std::size_t capacity = 512);

// The chosen variables read case by case, keeping only the cases in which all of them are
// present; the arrays carry their count in element 0. Returns the number of cases kept,
// -1 when the file cannot be opened, -2 when it or a variable cannot be read.
int ReadOkapVariables(const std::string& path, const std::vector<int>& variables,
                      std::vector<TColumnArray>& arrays);
int ReadOkapVariablePair(const std::string& path, int x, int y, TColumnArray& xs, TColumnArray& ys);
int ReadOkapVariables3(const std::string& path, int x, int y, int z, TColumnArray& xs,
                       TColumnArray& ys, TColumnArray& zs);

// The chosen variables as the column dialog's preview and the two-column read take them, as
// ReadOkapVariables reads them, with the cases past the arrays' room counted. Empty on failure.
TPairedColumns ReadOkapColumnPairs(const std::string& path, std::span<const int> variables);

// The import road's one-column read: one element per case (at most 16383), the missing
// value where the case has none, so that columns read one at a time stay aligned case by
// case as the three-variable read keeps them. Empty when the file or variable cannot be read.
TColumnArray ReadOkapVariable(const std::string& path, int variable);

// Kind 23: args.colX, colY, colZ and colW (-1: none) are variable numbers. The title is the
// file's id string without trailing blanks, tabs and line ends; the names are the chosen
// variables' labels (40 characters) or their names. A case is a point when X, Y, Z (and W)
// are present; W = |w|, and a negative w marks the point inactive when the digital filter
// keeps every point. Fails (kMalformed) when a variable cannot be resolved or the file holds
// no case.
[[nodiscard]] TReadResult ReadOkapSav(const TReadArgs& args);

// Kind 24: the five variables of the program's own files, read without the variables'
// missing values; a case with the system-missing value in X, Y, Z or WEIGHT is no point.
// ACTIVE 0 marks the point inactive (when the digital filter keeps every point), W =
// |WEIGHT|, and the file gave weights only when it has a case-weight variable.
[[nodiscard]] TReadResult ReadOkapSavOwn(const TReadArgs& args);
