#pragma once
// MS-DOS date and time fields in local time, two-second resolution.
#include <cstdint>
#include <ctime>

namespace ziptime {

struct DosDateTime {
  std::uint16_t date;
  std::uint16_t time;
};

DosDateTime toDos(std::time_t t);
std::time_t fromDos(std::uint16_t date, std::uint16_t time);

}  // namespace ziptime
