// File attributes on Windows, as the file system keeps them.
#include <windows.h>

#include "platform/Files.h"
#include "platform/win32/wide-win32.h"

namespace platform {

std::optional<std::uint32_t> fileAttributes(const std::string& path) {
  const DWORD attrs = GetFileAttributesW(widePath(path).c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return static_cast<std::uint32_t>(attrs);
}

bool setFileAttributes(const std::string& path, std::uint32_t attrs) {
  const std::uint32_t settable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  DWORD value = attrs & settable;
  if (value == 0) value = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesW(widePath(path).c_str(), value) != 0;
}

}  // namespace platform
