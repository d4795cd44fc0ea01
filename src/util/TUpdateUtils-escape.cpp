// "\u" escaping of the common CJK ideographs, one UTF-16 code unit at a time.
#include <cstdio>

#include "base/OvexError.h"
#include "base/TextCodec.h"
#include "util/TUpdateUtils.h"

namespace TUpdateUtils {

std::string Str_Gb2UniCode(const std::string& text) {
  std::u16string out;
  for (char16_t unit : utf8ToUtf16(text)) {
    if (unit < 0x4E00 || unit > 0x9FA5) {
      out.push_back(unit);
      continue;
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%4.4X", static_cast<unsigned>(unit));
    for (const char* c = escaped; *c; ++c) out.push_back(static_cast<char16_t>(*c));
  }
  return utf16ToUtf8(out);
}

std::string Unicode_str(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i + 4 <= text.size(); i += 4) {
    const std::string group = text.substr(i, 4);
    unsigned value = 0;
    for (char c : group) {
      int digit = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                         : -1;
      if (digit < 0) throw OvexError("'" + group + "' is not a valid hexadecimal number");
      value = value * 16 + static_cast<unsigned>(digit);
    }
    out.push_back(static_cast<char16_t>(value));
  }
  return utf16ToUtf8(out);
}

}  // namespace TUpdateUtils
