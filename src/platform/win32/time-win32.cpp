// Local time and the locale's time separator on Windows.
#include <windows.h>

#include <time.h>

#include "platform/Time.h"
#include "platform/win32/wide-win32.h"

namespace platform {

LocalTime toLocalTime(std::time_t t) {
  struct tm tm {};
  localtime_s(&tm, &t);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

LocalTime localNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

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

std::string timeSeparator() {
  wchar_t buffer[8] = L"";
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer, 8) <= 1) return ":";
  return fromWide(buffer);
}

void sleepMs(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds)); }

}  // namespace platform
