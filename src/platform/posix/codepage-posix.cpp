// The ANSI and OEM code pages on POSIX: both CP936, through iconv.
// A character the page cannot hold becomes "?", as the Windows conversion does.
#include <errno.h>
#include <iconv.h>

#include "base/TextCodec.h"
#include "platform/CodePages.h"

namespace platform {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts in, replacing each unconvertible input character by "?".
  std::string run(std::string_view in, bool fromUtf8, bool* lossless) {
    std::string out;
    out.resize(in.size() * 2 + 16);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t produced = 0;
    if (lossless) *lossless = true;
    while (srcLeft > 0) {
      char* dst = out.data() + produced;
      size_t dstLeft = out.size() - produced;
      const size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      produced = out.size() - dstLeft;
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL: skip one input character and put "?" in its place.
      if (lossless) *lossless = false;
      size_t skip = 1;
      if (fromUtf8) {
        const unsigned char c = static_cast<unsigned char>(*src);
        skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (skip > srcLeft) skip = srcLeft;
      }
      src += skip;
      srcLeft -= skip;
      if (produced + 4 > out.size()) out.resize(out.size() * 2);
      out[produced++] = '?';
    }
    out.resize(produced);
    return out;
  }

 private:
  iconv_t cd_;
};

Converter& toUtf8() {
  thread_local Converter c("UTF-8", "CP936");
  return c;
}
Converter& fromUtf8() {
  thread_local Converter c("CP936", "UTF-8");
  return c;
}

bool isAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string ansiToUtf8(std::string_view bytes) {
  if (isAscii(bytes)) return std::string(bytes);
  return toUtf8().run(bytes, false, nullptr);
}

std::string utf8ToAnsi(std::string_view text, bool* lossless) {
  if (isAscii(text)) {
    if (lossless) *lossless = true;
    return std::string(text);
  }
  return fromUtf8().run(text, true, lossless);
}

std::string oemToUtf8(std::string_view bytes) { return ansiToUtf8(bytes); }
std::string utf8ToOem(std::string_view text, bool* lossless) { return utf8ToAnsi(text, lossless); }

}  // namespace platform
