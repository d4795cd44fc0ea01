// Paths on POSIX: "\" is a separator too and becomes "/" at the system call.
// The root "/" is the only drive; a path that begins with two separators is
// a network path without a drive.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/SystemPaths.h"
#include "platform/posix/fd-posix.h"

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

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Resolves "." and ".." of an absolute "/" path; ".." stops at the top.
std::string resolveDots(const std::string& path, size_t keep) {
  std::vector<std::string> parts;
  size_t i = keep;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    const std::string part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out = path.substr(0, keep);
  for (size_t k = 0; k < parts.size(); ++k) out += (k ? "/" : "") + parts[k];
  return out;
}

}  // namespace

std::size_t driveLength(const std::string& path) {
  if (path.empty() || !isSeparator(path[0])) return 0;
  if (path.size() > 1 && isSeparator(path[1])) return 0;  // network path
  return 1;
}

bool driveExists(const std::string& path) {
  struct stat st;
  return driveLength(path) == 1 && stat("/", &st) == 0;
}

bool fullPath(const std::string& path, std::string* out, std::string* error) {
  if (path.compare(0, kExtendedPathPrefix.size(), kExtendedPathPrefix) == 0) {
    *out = path;
    return true;
  }
  std::string p = systemPath(path);
  size_t keep = 1;
  if (p.size() >= 2 && p[0] == '/' && p[1] == '/') {
    keep = 2;
  } else if (p.empty() || p[0] != '/') {
    const std::string cwd = currentDirectory();
    if (cwd.empty()) {
      *error = errorText(errno);
      return false;
    }
    p = cwd + "/" + p;
  }
  const bool trailing = !path.empty() && isSeparator(path.back());
  std::string resolved = resolveDots(p, keep);
  if (trailing && resolved.size() > keep) resolved += '/';
  *out = resolved;
  return true;
}

}  // namespace platform
