// The GBK check of the XML document object on Windows: a file that
// declares GBK must hold code page 936 text only.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/win32/wide-win32.h"
#include "platform/win32/xmldom-checks.h"

namespace platform::xmldom {
namespace {

constexpr UINT kGbk = 936;
constexpr std::size_t kMaxLineBytes = 1024;

// The encoding named by the XML declaration, upper case; "" when the file
// starts with a byte-order mark or has no such declaration.
std::string declaredEncoding(const std::string& bytes) {
  if (bytes.rfind("<?xml", 0) != 0) return {};
  const std::string decl = bytes.substr(0, std::min(bytes.find("?>"), static_cast<std::size_t>(256)));
  std::size_t at = decl.find("encoding");
  if (at == std::string::npos || (at = decl.find_first_of("\"'", at)) == std::string::npos) return {};
  const std::size_t close = decl.find(decl[at], at + 1);
  if (close == std::string::npos) return {};
  std::string name = decl.substr(at + 1, close - at - 1);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  return name;
}

bool defined(const char* bytes, int len) {
  return MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes, len, nullptr, 0) > 0;
}

// Offset of the first byte sequence that code page 936 does not define.
std::size_t firstUndefined(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const int len = IsDBCSLeadByteEx(kGbk, static_cast<BYTE>(bytes[i])) ? 2 : 1;
    if (i + len > bytes.size() || !defined(bytes.data() + i, len)) break;
    i += len;
  }
  return i;
}

std::string decoded(const std::string& bytes) {
  if (bytes.empty()) return {};
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(MultiByteToWideChar(kGbk, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  return fromWide(wide);
}

// Line number (CR LF, CR and LF each end a line) and text of the line at offset.
void locate(const std::string& bytes, std::size_t offset, XmlLoadError* error) {
  int line = 1;
  std::size_t start = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (bytes[i] != '\n' && bytes[i] != '\r') continue;
    if (bytes[i] == '\r' && i + 1 < offset && bytes[i + 1] == '\n') ++i;
    ++line;
    start = i + 1;
  }
  const std::size_t end = std::min(bytes.find_first_of("\r\n", offset), start + kMaxLineBytes);
  error->line = line;
  error->sourceLine = decoded(bytes.substr(start, std::min(end, bytes.size()) - start));
}

}  // namespace

std::string gbkAsUtf8(const std::string& bytes) {
  const std::string encoding = declaredEncoding(bytes);
  if (encoding != "GBK" && encoding != "GB2312" && encoding != "CP936") return bytes;
  if (bytes.size() >= 0x7FFFFFFF) return bytes;
  const int n = MultiByteToWideChar(kGbk, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(kGbk, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  std::string text = fromWide(wide);
  const std::size_t at = text.find_first_of("\"'", text.find("encoding"));
  const std::size_t close = text.find(text[at], at + 1);
  return text.replace(at + 1, close - at - 1, "UTF-8");
}

bool gbkIsValid(const std::string& bytes, XmlLoadError* error) {
  const std::string encoding = declaredEncoding(bytes);
  if (encoding != "GBK" && encoding != "GB2312" && encoding != "CP936") return true;
  if (bytes.size() < 0x7FFFFFFF && defined(bytes.data(), static_cast<int>(bytes.size()))) return true;
  const std::size_t bad = firstUndefined(bytes);
  if (bad == bytes.size()) return true;
  if (!error) return false;
  error->reason = "Bytes that are not GBK text:";
  for (std::size_t i = bad; i < std::min(bad + 4, bytes.size()); ++i) {
    char hex[8];
    std::snprintf(hex, sizeof hex, " 0x%02X", static_cast<unsigned char>(bytes[i]));
    error->reason += hex;
  }
  locate(bytes, bad, error);
  return false;
}

}  // namespace platform::xmldom
