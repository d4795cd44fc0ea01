// The word sort of the zh_CN locale, ignoring case, as the script order
// needs it: punctuation before digits before letters, characters compared
// one by one; hyphen and apostrophe count only when all else is equal.
#include "base/TextCodec.h"
#include "platform/CodePages.h"

namespace platform {
namespace {

bool isIgnorable(char16_t c) { return c == u'-' || c == u'\''; }

// Rank of one character: punctuation, then digits, then letters, then the rest.
unsigned long rank(char16_t c) {
  if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  if (c >= u'0' && c <= u'9') return 0x10000 + c;
  if (c >= u'A' && c <= u'Z') return 0x20000 + c;
  if (c < 0x80) return c;
  return 0x30000 + c;
}

int compareRanks(const std::u16string& a, const std::u16string& b, bool withIgnorable) {
  size_t i = 0, j = 0;
  for (;;) {
    if (!withIgnorable) {
      while (i < a.size() && isIgnorable(a[i])) ++i;
      while (j < b.size() && isIgnorable(b[j])) ++j;
    }
    if (i == a.size() || j == b.size()) break;
    // In the tie-break an ignorable character ranks after everything else.
    const unsigned long ra = isIgnorable(a[i]) ? 0x40000 : rank(a[i]);
    const unsigned long rb = isIgnorable(b[j]) ? 0x40000 : rank(b[j]);
    if (ra != rb) return ra < rb ? -1 : 1;
    ++i;
    ++j;
  }
  const bool aDone = i == a.size(), bDone = j == b.size();
  if (aDone && bDone) return 0;
  return aDone ? -1 : 1;
}

}  // namespace

int compareLocaleNoCase(const std::string& a, const std::string& b) {
  const std::u16string ua = utf8ToUtf16(a), ub = utf8ToUtf16(b);
  if (int c = compareRanks(ua, ub, false)) return c;
  return compareRanks(ua, ub, true);
}

}  // namespace platform
