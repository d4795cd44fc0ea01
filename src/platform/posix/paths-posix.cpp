// Paths on POSIX: "\" is a separator too and becomes "/" at the system call.
#include <unistd.h>

#include <cstdlib>

#include "platform/Platform.h"

namespace platform {

std::string systemPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

std::string currentDirectory() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

std::string temporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? std::string(tmp) : std::string("/tmp");
}

std::string executableDirectory() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return currentDirectory();
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/'));
}

}  // namespace platform
