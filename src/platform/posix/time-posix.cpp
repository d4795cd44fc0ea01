// Local time on POSIX.
#include <time.h>

#include "platform/Time.h"

namespace platform {

LocalTime toLocalTime(std::time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

LocalTime localNow() { return toLocalTime(std::time(nullptr)); }

std::time_t fromLocalTime(const LocalTime& t) {
  struct tm tm {};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

// The zh_CN locale separates hours, minutes and seconds with ":".
std::string timeSeparator() { return ":"; }

void sleepMs(int milliseconds) {
  struct timespec ts {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace platform
