#include "app/system_facts.h"

#include <fstream>
#include <sstream>

#include "app/c_format.h"

namespace {

// A "Name: value kB" line of /proc/meminfo, in bytes.
long long MemInfo(const std::string& name) {
  std::ifstream in("/proc/meminfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(name + ":", 0) != 0) continue;
    std::istringstream fields(line.substr(name.size() + 1));
    long long kb = -1;
    fields >> kb;
    return kb < 0 ? -1 : kb * 1024;
  }
  return -1;
}

}  // namespace

std::string ProcessorName() {
#if defined(__x86_64__) || defined(__i386__)
  return "Pentium";
#else
  return "Unknown";
#endif
}

long long AvailablePhysicalMemory() { return MemInfo("MemAvailable"); }
long long AvailablePageFile() { return MemInfo("SwapFree"); }

std::string MegabytesText(long long bytes) {
  return CFormat("%.3lf Mb", static_cast<double>(bytes) / 1048576.0);
}
