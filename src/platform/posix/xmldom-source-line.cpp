// Finding and decoding the source line that a load failure names.
#include "platform/posix/xmldom-source-line.h"

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "base/TextCodec.h"

namespace platform::xmldom {
namespace {

constexpr std::size_t kMaxLineBytes = 1024;
constexpr std::size_t kChunk = 64 * 1024;

enum class Form { Bytes, Utf16LE, Utf16BE };

// Reads the file in chunks and hands every code unit to the walker.
class LineWalker {
 public:
  LineWalker(Form form, int target) : form_(form), target_(target) {}

  // Returns false once the target line is complete.
  bool feed(unsigned unit, const char* raw, std::size_t rawLen) {
    if (pendingCR_) {
      pendingCR_ = false;
      if (unit == '\n') return true;  // second half of CR LF
    }
    if (unit == '\r' || unit == '\n') {
      pendingCR_ = unit == '\r';
      if (line_ == target_) return false;
      ++line_;
      return true;
    }
    if (line_ == target_) {
      if (text_.size() + rawLen > kMaxLineBytes) return false;
      text_.append(raw, rawLen);
    }
    return true;
  }
  const std::string& text() const { return text_; }
  Form form() const { return form_; }

 private:
  Form form_;
  int target_;
  int line_ = 1;
  bool pendingCR_ = false;
  std::string text_;
};

std::string declaredEncoding(const std::string& head) {
  if (head.rfind("<?xml", 0) != 0) return {};
  const std::size_t end = head.find("?>");
  const std::string decl = head.substr(0, end);
  std::size_t at = decl.find("encoding");
  if (at == std::string::npos) return {};
  at = decl.find_first_of("\"'", at);
  if (at == std::string::npos) return {};
  const std::size_t close = decl.find(decl[at], at + 1);
  if (close == std::string::npos) return {};
  std::string name = decl.substr(at + 1, close - at - 1);
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  if (upper == "GB2312" || upper == "GBK") return "CP936";
  return name;
}

std::string convert(const std::string& bytes, const std::string& from) {
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(bytes.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(bytes.data());
  std::size_t srcLeft = bytes.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) break;
    if (dstLeft == 0) break;
    // An undecodable byte becomes "?".
    *dst++ = '?';
    --dstLeft;
    ++src;
    --srcLeft;
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

bool isUtf8Name(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  return name == "UTF-8" || name == "UTF8";
}

std::string sanitizeUtf8(const std::string& bytes) {
  if (isValidUtf8(bytes)) return bytes;
  std::string out;
  for (unsigned char c : bytes) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

std::string sourceLine(const std::string& sysPath, int line) {
  const int fd = ::open(sysPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string buf(kChunk, '\0');
  ssize_t n = ::read(fd, buf.data(), buf.size());
  if (n <= 0) {
    ::close(fd);
    return {};
  }
  std::size_t len = static_cast<std::size_t>(n), pos = 0;
  Form form = Form::Bytes;
  const auto u = [&](std::size_t i) { return static_cast<unsigned char>(buf[i]); };
  if (len >= 2 && u(0) == 0xFF && u(1) == 0xFE) form = Form::Utf16LE, pos = 2;
  else if (len >= 2 && u(0) == 0xFE && u(1) == 0xFF) form = Form::Utf16BE, pos = 2;
  else if (len >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF) pos = 3;
  const std::string encoding = form == Form::Bytes ? declaredEncoding(buf.substr(pos, std::min<std::size_t>(len - pos, 256))) : "";

  LineWalker walker(form, line);
  const std::size_t step = form == Form::Bytes ? 1 : 2;
  bool going = true;
  while (going) {
    for (; going && pos + step <= len; pos += step) {
      unsigned unit = u(pos);
      if (form == Form::Utf16LE) unit = u(pos) | (u(pos + 1) << 8);
      if (form == Form::Utf16BE) unit = (u(pos) << 8) | u(pos + 1);
      going = walker.feed(unit, buf.data() + pos, step);
    }
    if (!going) break;
    // Keep an odd trailing byte of UTF-16 for the next chunk.
    const std::string rest = buf.substr(pos, len - pos);
    std::copy(rest.begin(), rest.end(), buf.begin());
    n = ::read(fd, buf.data() + rest.size(), buf.size() - rest.size());
    if (n <= 0) break;
    len = rest.size() + static_cast<std::size_t>(n);
    pos = 0;
  }
  ::close(fd);
  const std::string& raw = walker.text();
  if (form == Form::Utf16LE) return convert(raw, "UTF-16LE");
  if (form == Form::Utf16BE) return convert(raw, "UTF-16BE");
  if (!encoding.empty() && !isUtf8Name(encoding)) {
    const std::string decoded = convert(raw, encoding);
    if (!decoded.empty()) return decoded;
  }
  return sanitizeUtf8(raw);
}

}  // namespace platform::xmldom
