#include "app/date_time_text.h"

#include "app/c_format.h"

namespace {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

std::string DateString(const std::tm& when) {
  static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int month = when.tm_mon >= 0 && when.tm_mon < 12 ? when.tm_mon : 0;
  return CFormat("%s %d, %d", kMonths[month], when.tm_mday, when.tm_year + 1900);
}

std::string TimeString(const std::tm& when) {
  const int hour = when.tm_hour > 12 ? when.tm_hour - 12 : when.tm_hour;
  return CFormat("%d:%02d:%02d %s", hour, when.tm_min, when.tm_sec,
                 when.tm_hour > 11 ? "PM" : "AM");
}

std::string DateString() { return DateString(LocalNow()); }
std::string TimeString() { return TimeString(LocalNow()); }
