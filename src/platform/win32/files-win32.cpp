// Last-write times, renames and the data files of the archive code on Windows.
#include <windows.h>

#include <io.h>
#include <share.h>

#include <algorithm>
#include <cstdio>

#include "platform/Files.h"
#include "platform/win32/wide-win32.h"

namespace platform {
namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochDifference = 116444736000000000LL;

std::time_t toTimeT(const FILETIME& ft) {
  const std::int64_t ticks = (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<std::time_t>((ticks - kEpochDifference) / 10000000LL);
}

FILETIME toFileTime(std::time_t t) {
  const std::int64_t ticks = static_cast<std::int64_t>(t) * 10000000LL + kEpochDifference;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

}  // namespace

std::optional<std::time_t> lastWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return toTimeT(data.ftLastWriteTime);
}

bool setLastWriteTime(const std::string& path, std::time_t t) {
  HANDLE h = CreateFileW(widePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const FILETIME ft = toFileTime(t);
  const BOOL ok = SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
  return ok != 0;
}

bool renameEntry(const std::string& from, const std::string& to) {
  return MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), 0) != 0;
}

std::FILE* openDataFile(const std::string& path, const char* mode) {
  return _wfsopen(widePath(path).c_str(), toWide(mode).c_str(), _SH_DENYNO);
}

bool seekDataFile(std::FILE* file, std::uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

std::optional<std::uint64_t> dataFileSize(std::FILE* file) {
  const __int64 size = _filelengthi64(_fileno(file));
  if (size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

std::optional<DataFileInfo> dataFileInfo(std::FILE* file) {
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  BY_HANDLE_FILE_INFORMATION info;
  if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) return std::nullopt;
  const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return DataFileInfo{size, toTimeT(info.ftLastWriteTime)};
}

}  // namespace platform
