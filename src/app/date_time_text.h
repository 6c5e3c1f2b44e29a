// Today's date and the time of day as the program prints them in headers and reports.
#pragma once

#include <ctime>
#include <string>

// "%s %d, %d": month abbreviation (Jan .. Dec), day, four-digit year, e.g. "Mar 7, 2024".
std::string DateString(const std::tm& when);
// "%d:%02d:%02d %s" on a 12-hour clock: the hour minus 12 when above 12 (hours 0 to 12 as
// they are), minutes, seconds, "PM" from hour 12 on, else "AM": 12:05:09 PM, 0:30:00 AM.
std::string TimeString(const std::tm& when);

// The same for the present local time.
std::string DateString();
std::string TimeString();
