// Case-insensitive word sort in the user's locale.
#include <windows.h>

#include "platform/CodePages.h"
#include "platform/win32/wide-win32.h"

namespace platform {

int compareLocaleNoCase(const std::string& a, const std::string& b) {
  const std::wstring wa = toWide(a), wb = toWide(b);
  const int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(), static_cast<int>(wa.size()),
                               wb.data(), static_cast<int>(wb.size()));
  return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

}  // namespace platform
