// File attributes on POSIX: read-only is the owner's missing write bit,
// hidden is a leading "." in the name, system never occurs; pipes, sockets
// and devices are marked as devices.
#include <sys/stat.h>

#include "platform/Files.h"
#include "platform/SystemPaths.h"

namespace platform {
namespace {

bool nameIsHidden(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  const std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  return name.size() > 0 && name[0] == '.' && name != "." && name != "..";
}

}  // namespace

std::optional<std::uint32_t> fileAttributes(const std::string& path) {
  const std::string p = systemPath(path);
  struct stat st;
  if (stat(p.c_str(), &st) != 0) return std::nullopt;
  std::uint32_t attrs = 0;
  if (S_ISDIR(st.st_mode))
    attrs |= kAttrDirectory;
  else if (S_ISREG(st.st_mode))
    attrs |= kAttrArchive;
  else
    attrs |= kAttrDevice;
  if (!(st.st_mode & S_IWUSR)) attrs |= kAttrReadOnly;
  if (nameIsHidden(p)) attrs |= kAttrHidden;
  return attrs;
}

bool setFileAttributes(const std::string& path, std::uint32_t attrs) {
  const std::string p = systemPath(path);
  struct stat st;
  if (stat(p.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attrs & kAttrReadOnly)
    mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  return chmod(p.c_str(), mode) == 0;
}

}  // namespace platform
