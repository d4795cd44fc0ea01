// Last-write times, renames and the data files of the archive code on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/Files.h"
#include "platform/SystemPaths.h"

namespace platform {

std::optional<std::time_t> lastWriteTime(const std::string& path) {
  struct stat st;
  if (stat(systemPath(path).c_str(), &st) != 0) return std::nullopt;
  return st.st_mtime;
}

bool setLastWriteTime(const std::string& path, std::time_t t) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = t;
  times[1].tv_nsec = 0;
  return utimensat(AT_FDCWD, systemPath(path).c_str(), times, 0) == 0;
}

bool renameEntry(const std::string& from, const std::string& to) {
  return rename(systemPath(from).c_str(), systemPath(to).c_str()) == 0;
}

// A pipe, socket or device is never a data file: it is refused at once,
// without waiting for a writer or reader on its other end.
std::FILE* openDataFile(const std::string& path, const char* mode) {
  const std::string m = mode;
  const bool plus = m.find('+') != std::string::npos;
  int flags = plus ? O_RDWR : m[0] == 'r' ? O_RDONLY : O_WRONLY;
  if (m[0] == 'w') flags |= O_CREAT | O_TRUNC;
  if (m[0] == 'a') flags |= O_CREAT | O_APPEND;
  const int fd = open(systemPath(path).c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    close(fd);
    errno = EINVAL;
    return nullptr;
  }
  std::FILE* file = fdopen(fd, mode);
  if (!file) close(fd);
  return file;
}

bool seekDataFile(std::FILE* file, std::uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::optional<std::uint64_t> dataFileSize(std::FILE* file) {
  struct stat st;
  if (fstat(fileno(file), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<DataFileInfo> dataFileInfo(std::FILE* file) {
  struct stat st;
  if (fstat(fileno(file), &st) != 0) return std::nullopt;
  return DataFileInfo{static_cast<std::uint64_t>(st.st_size), st.st_mtime};
}

}  // namespace platform
