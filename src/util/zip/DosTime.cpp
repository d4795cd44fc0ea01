#include "util/zip/DosTime.h"

#include <algorithm>

#include "platform/Time.h"

namespace ziptime {

DosDateTime toDos(std::time_t t) {
  platform::LocalTime lt = platform::toLocalTime(t);
  if (lt.year < 1980) lt = {1980, 1, 1, 0, 0, 0};
  if (lt.year > 2107) lt = {2107, 12, 31, 23, 59, 58};
  const int date = ((lt.year - 1980) << 9) | (lt.month << 5) | lt.day;
  const int time = (lt.hour << 11) | (lt.minute << 5) | (lt.second / 2);
  return {static_cast<std::uint16_t>(date), static_cast<std::uint16_t>(time)};
}

std::time_t fromDos(std::uint16_t date, std::uint16_t time) {
  platform::LocalTime lt;
  lt.year = 1980 + (date >> 9);
  lt.month = std::clamp((date >> 5) & 0x0F, 1, 12);
  lt.day = std::clamp(date & 0x1F, 1, 31);
  lt.hour = std::min(time >> 11, 23);
  lt.minute = std::min((time >> 5) & 0x3F, 59);
  lt.second = std::min((time & 0x1F) * 2, 59);
  return platform::fromLocalTime(lt);
}

}  // namespace ziptime
