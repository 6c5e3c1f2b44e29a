// The XYZ data table written out: the data text file of Save As, the text put on the
// clipboard, and the WK1 and WK3 worksheet images of the clipboard copy and of Save As.
//
// The data text (read back by the ASCII XYZ reader): the title and the X, Y and Z names as
// four quoted lines, then one line per point with X, Y, Z and the status character, and
// " W" with the weight when the table is weighted. A value equal to the missing value is
// written as 0 and makes the point inactive ('*'). Lines end with CR LF; numbers are
// written in the C locale.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/data_titles.h"
#include "app/value_not_held.h"
#include "app/xyz_point.h"

struct TDataSession;

// The Save As text (15 significant digits in fields of 23).
std::string DataFileText(std::span<const TXYZPoint> table, const TDataTitles& titles);
// The clipboard text (16 significant digits in fields of 24).
std::string DataClipboardText(std::span<const TXYZPoint> table, const TDataTitles& titles);

// The first value of the table a worksheet form's numbers cannot hold (WorksheetHoldsValue:
// in WK1 a value beyond a double's range, one a double would make 0, or one whose double is
// the missing value, which would come back as a missing cell; WK3 holds every finite
// value), as written (a missing value is written as 0); none when all are held.
std::optional<TValueNotHeld> FirstValueNotHeld(std::span<const TXYZPoint> table, int form);

// The characters of the titles that a worksheet's labels cannot hold, each once (they come
// back as '?'); empty when every one is held.
std::string TitleCharactersNotHeld(const TDataTitles& titles);

// The points written inactive (marked so, or holding a missing value, written as 0) that
// come back active when a worksheet, which has no place for the mark, is read: all but those
// whose values the pre-scan marks inactive again (beyond +-1e300).
int InactivePointsWritten(std::span<const TXYZPoint> table);

// The worksheet image (form 1 WK1, 3 WK3): the title at column 0 of row 0, the names in
// columns 0-2 of row 1, point i in row i + 1 (X, Y, Z and, when weighted, W in column 3),
// every value a number. Empty when a value is not held (FirstValueNotHeld): an image that
// would not give the table back is not made.
std::vector<std::uint8_t> DataWorksheet(std::span<const TXYZPoint> table,
                                        const TDataTitles& titles, int form);

// The same for a session's XYZ data table and its titles.
std::string DataTableToText(const TDataSession& session);
std::vector<std::uint8_t> DataTableToWorksheet(const TDataSession& session, int form);

// Writes the data text of the session's table to a file (through a temporary file, so that
// a failed write leaves an existing file as it was). Returns the points written, -1 on
// failure.
[[nodiscard]] int WriteDataText(const TDataSession& session, const std::string& path);
// Writes a worksheet image of the table; false on failure (also when a value is not held).
[[nodiscard]] bool WriteDataWorksheet(const TDataSession& session, const std::string& path, int form);
