// The system's ANSI and OEM code pages. A character the page cannot hold
// becomes the page's default character "?".
#include <windows.h>

#include "platform/CodePages.h"
#include "platform/win32/wide-win32.h"

namespace platform {
namespace {

std::string toUtf8(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return std::string();
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return fromWide(wide);
}

std::string fromUtf8(UINT codePage, std::string_view text, bool* lossless) {
  if (lossless) *lossless = true;
  if (text.empty()) return std::string();
  const std::wstring wide = toWide(text);
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, &usedDefault);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      &usedDefault);
  if (lossless) *lossless = !usedDefault;
  return out;
}

}  // namespace

std::string ansiToUtf8(std::string_view bytes) { return toUtf8(CP_ACP, bytes); }
std::string utf8ToAnsi(std::string_view text, bool* lossless) { return fromUtf8(CP_ACP, text, lossless); }
std::string oemToUtf8(std::string_view bytes) { return toUtf8(CP_OEMCP, bytes); }
std::string utf8ToOem(std::string_view text, bool* lossless) { return fromUtf8(CP_OEMCP, text, lossless); }

}  // namespace platform
