#pragma once
// Local time, the locale's time separator, and waiting.
#include <ctime>
#include <string>

namespace platform {

struct LocalTime {
  int year, month, day, hour, minute, second;
};
LocalTime localNow();
LocalTime toLocalTime(std::time_t t);
std::time_t fromLocalTime(const LocalTime& t);
// The locale's time separator (":" in zh_CN).
std::string timeSeparator();
void sleepMs(int milliseconds);

}  // namespace platform
