// Facts about the machine that the data status window shows: the processor family and the
// memory available.
#pragma once

#include <string>

// "Pentium" for the x86 processors of this program's platform (the name the system has
// always given every processor from that family on), otherwise "Unknown".
std::string ProcessorName();

// Available physical memory and available swap space in bytes, from /proc/meminfo
// (-1 when it cannot be read).
long long AvailablePhysicalMemory();
long long AvailablePageFile();

// The figure as the status window shows it: "%.3lf Mb" of bytes / 1048576.
std::string MegabytesText(long long bytes);
