#pragma once
// What the POSIX files and folders share: the path a system call takes, the
// text of an error number, writing all of a text, and a descriptor closed
// when it goes out of scope.
#include <unistd.h>

#include <string>
#include <system_error>

#include "platform/SystemPaths.h"

namespace platform {

// The path for a system call: prefix dropped, "\" turned into "/".
inline std::string nativePath(const std::string& path) {
  if (path.compare(0, kExtendedPathPrefix.size(), kExtendedPathPrefix) == 0)
    return systemPath(path.substr(kExtendedPathPrefix.size()));
  return systemPath(path);
}


inline std::string errorText(int err) { return std::error_code(err, std::generic_category()).message(); }

inline bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool closeChecked() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace platform
