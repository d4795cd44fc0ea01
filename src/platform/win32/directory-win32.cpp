// Directory services on Windows, through the wide file APIs.
#include <windows.h>

#include "platform/Files.h"
#include "platform/win32/wide-win32.h"

namespace platform {

bool listDirectory(const std::string& path, std::vector<DirEntry>* entries) {
  std::wstring pattern = widePath(path);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return false;
  entries->clear();
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entries->push_back({fromWide(name), folder && !link, link});
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return true;
}

bool isLink(const std::string& path) {
  const DWORD attrs = GetFileAttributesW(widePath(path).c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool createDirectory(const std::string& path) {
  return CreateDirectoryW(widePath(path).c_str(), nullptr) != 0;
}

bool removeDirectory(const std::string& path) { return RemoveDirectoryW(widePath(path).c_str()) != 0; }

DeleteResult deleteFileEntry(const std::string& path, std::string* message) {
  const std::wstring p = widePath(path);
  const DWORD attrs = GetFileAttributesW(p.c_str());
  // A link to a folder is removed as a folder; its target stays.
  const bool folderLink = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) &&
                          (attrs & FILE_ATTRIBUTE_REPARSE_POINT);
  if (folderLink ? RemoveDirectoryW(p.c_str()) : DeleteFileW(p.c_str())) return DeleteResult::kDeleted;
  const DWORD code = GetLastError();
  if (code != ERROR_SHARING_VIOLATION) return DeleteResult::kFailed;
  if (message) *message = systemMessage(code);
  return DeleteResult::kSharingViolation;
}

bool copyFileReplace(const std::string& from, const std::string& to) {
  return CopyFileW(widePath(from).c_str(), widePath(to).c_str(), FALSE) != 0;
}

bool sameEntry(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::string* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    HANDLE h = CreateFileW(widePath(*paths[i]).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(h, &info[i]);
    CloseHandle(h);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace platform
