// Paths on Windows: "/" is a separator too and becomes "\" at the system call.
#include <windows.h>

#include <cctype>

#include "platform/SystemPaths.h"
#include "platform/win32/wide-win32.h"

namespace platform {
namespace {

bool isDriveLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

std::string withoutTrailingSeparator(std::string path) {
  if (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

}  // namespace

std::string systemPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

std::size_t driveLength(const std::string& path) {
  const std::string p = systemPath(path);
  std::size_t start = 0;
  if (p.compare(0, kExtendedPathPrefix.size(), kExtendedPathPrefix) == 0) start = kExtendedPathPrefix.size();
  if (p.size() >= start + 2 && isDriveLetter(p[start]) && p[start + 1] == ':') return start + 2;
  return 0;
}

bool driveExists(const std::string& path) {
  const std::size_t n = driveLength(path);
  if (n == 0) return false;
  const std::wstring root = toWide(systemPath(path).substr(n - 2, 2) + "\\");
  return GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR;
}

bool fullPath(const std::string& path, std::string* out, std::string* error) {
  // An empty or blank path names nothing; Windows refuses to resolve it.
  // It is joined to the current folder, as elsewhere, so that the path
  // checks that follow report it as invalid.
  if (path.find_first_not_of(' ') == std::string::npos) {
    *out = currentDirectory() + "\\" + path;
    return true;
  }
  const std::wstring in = widePath(path);
  DWORD size = GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
  if (size == 0) {
    if (error) *error = systemMessage(GetLastError());
    return false;
  }
  std::wstring buffer(size, L'\0');
  size = GetFullPathNameW(in.c_str(), size, buffer.data(), nullptr);
  if (size == 0 || size >= buffer.size()) {
    if (error) *error = systemMessage(GetLastError());
    return false;
  }
  buffer.resize(size);
  *out = fromWide(buffer);
  return true;
}

std::string currentDirectory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(size, L'\0');
  const DWORD n = GetCurrentDirectoryW(size, buffer.data());
  buffer.resize(n < size ? n : 0);
  return fromWide(buffer);
}

std::string temporaryDirectory() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH + 1) return currentDirectory();
  return withoutTrailingSeparator(fromWide(std::wstring(buffer, n)));
}

std::string executableDirectory() {
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0) return currentDirectory();
  buffer.resize(n);
  return fromWide(buffer.substr(0, buffer.rfind(L'\\')));
}

}  // namespace platform
