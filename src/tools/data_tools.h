// Small tools of the Table menu on the XYZ data table: the text of the "Basic Data Table
// Statistics" window, the removal of inactive points and the clearing of the table.
#pragma once

#include <string>
#include <vector>

#include "app/data_statistics.h"
#include "app/data_titles.h"

struct TDataSession;

// The statistics window's coded lines: the description (when there is one), for each axis
// its name and minimum, maximum, range, weighted mean and standard deviation (numbers of 12
// characters), then the date, the time and the data's file source.
std::vector<std::string> StatisticsText(const TDataStats& stats, const TDataTitles& titles,
                                        const std::string& source, const std::string& date,
                                        const std::string& time);

// Squeezes the inactive points out of the table, keeping the order of the others; the
// header count and the row count become the number kept. Nothing happens (false) when the
// statistics count every point of the table active. The fit results stay: inactive points
// took no part in them.
bool RemoveInactivePoints(TDataSession& session);

// Empties the table: no rows, no statistics, no fit results, no titles, no file source,
// nothing unsaved.
void ClearDataTable(TDataSession& session);
