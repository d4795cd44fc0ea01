// Whole-file reads and writes on Windows, with the system's reasons for failures.
#include <windows.h>

#include "platform/Files.h"
#include "platform/win32/wide-win32.h"

namespace platform {
namespace {

bool fail(FileError* error) {
  const DWORD code = GetLastError();
  if (error) {
    error->kind = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? FileErrorKind::kNotFound
                  : code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION
                      ? FileErrorKind::kAccessDenied
                      : FileErrorKind::kOther;
    error->message = systemMessage(code);
  }
  return false;
}

bool writeAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

bool writeFile(const std::wstring& path, DWORD creation, DWORD attrs, const std::string& bytes,
               FileError* error, bool flush = false) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, creation, attrs, nullptr);
  if (file == INVALID_HANDLE_VALUE) return fail(error);
  const bool ok = writeAll(file, bytes) && (!flush || FlushFileBuffers(file));
  if (!ok) fail(error);
  CloseHandle(file);
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

// Fails as opening the file for writing would: a read-only file is refused
// to every user (Wine lets root through, Windows never does).
bool mayWrite(const std::wstring& path, DWORD attrs, FileError* error) {
  if (attrs & FILE_ATTRIBUTE_READONLY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return fail(error);
  }
  HANDLE probe = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return fail(error);
  CloseHandle(probe);
  return true;
}

}  // namespace

bool readWholeFile(const std::string& path, std::string* bytes, FileError* error) {
  HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return fail(error);
  bytes->clear();
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) bytes->append(buffer, got);
  if (!ok) fail(error);
  CloseHandle(file);
  return ok;
}

bool writeNewFile(const std::string& path, const std::string& bytes, FileError* error) {
  return writeFile(widePath(path), CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, bytes, error);
}

// The new content goes to a file beside the old one, flushed to disk, and
// ReplaceFileW puts it in the old one's place, which keeps the old file's
// attributes, security and creation time. A failure leaves the old file whole.
bool replaceFileContent(const std::string& path, const std::string& bytes, FileError* error) {
  const std::wstring target = widePath(path);
  const DWORD attrs = GetFileAttributesW(target.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return fail(error);
  if (!mayWrite(target, attrs, error)) return false;
  const std::wstring temp = target + L".new~";
  SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);  // a leftover of a run cut off
  DeleteFileW(temp.c_str());
  if (!writeFile(temp, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, bytes, error, true)) return false;
  if (ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    const DWORD now = GetFileAttributesW(target.c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & kept) != (attrs & kept))
      SetFileAttributesW(target.c_str(), (now & ~kept) | (attrs & kept));
    return true;
  }
  const DWORD code = GetLastError();
  // The old file is gone and the new one still has its temporary name.
  if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT && MoveFileExW(temp.c_str(), target.c_str(), 0)) return true;
  DeleteFileW(temp.c_str());
  SetLastError(code);
  return fail(error);
}

}  // namespace platform
