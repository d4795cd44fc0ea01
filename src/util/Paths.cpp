#include "util/Paths.h"

#include <vector>

#include "base/OvexError.h"
#include "platform/SystemPaths.h"

namespace paths {
namespace {

bool isNetworkPath(const std::string& path) {
  return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

// "\\server\share" and the separator after it, when there is one.
std::size_t networkRootLength(const std::string& path) {
  std::size_t i = 2;
  for (int name = 0; name < 2; ++name) {
    while (i < path.size() && !isSeparator(path[i])) ++i;
    if (i < path.size()) ++i;
  }
  return i;
}

}  // namespace

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool hasExtendedPrefix(std::string_view path) {
  return path.substr(0, platform::kExtendedPathPrefix.size()) == platform::kExtendedPathPrefix;
}

std::string withoutPrefix(const std::string& path) {
  return hasExtendedPrefix(path) ? path.substr(platform::kExtendedPathPrefix.size()) : path;
}

std::size_t rootLength(const std::string& path) {
  if (hasExtendedPrefix(path)) return platform::kExtendedPathPrefix.size() + rootLength(withoutPrefix(path));
  if (isNetworkPath(path)) return networkRootLength(path);
  std::size_t n = platform::driveLength(path);
  if (n < path.size() && isSeparator(path[n]) && (n == 0 || !isSeparator(path[n - 1]))) ++n;
  return n;
}

bool isAbsolute(const std::string& path) {
  const std::string rest = withoutPrefix(path);
  if (isNetworkPath(rest)) return true;
  return platform::driveLength(rest) > 0 && isSeparator(rest[rootLength(rest) - 1]);
}

std::string withoutTrailingSeparator(const std::string& path) {
  if (!path.empty() && isSeparator(path.back())) return path.substr(0, path.size() - 1);
  return path;
}

std::string directoryPart(const std::string& path) {
  const std::size_t root = rootLength(path);
  const std::size_t cut = path.find_last_of("\\/");
  if (cut == std::string::npos || cut < root) return path.substr(0, root);
  return path.substr(0, cut + 1 == root ? root : cut);
}

std::string fileNamePart(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (!dir.empty() && isSeparator(dir.back())) return dir + name;
  return dir + "/" + name;
}

std::string absolutePath(const std::string& path) {
  std::string out, error;
  if (!platform::fullPath(path, &out, &error)) throw OvexError(error);
  return out;
}

std::string resolvedPath(const std::string& path) {
  std::string full = path;
  if (!isAbsolute(path)) {
    // A drive alone or a separator alone is resolved by the system (the
    // drive's current directory, the current drive's root).
    const std::size_t anchor = rootLength(path);
    full = joinPath(absolutePath(anchor == 0 ? "." : path.substr(0, anchor)), path.substr(anchor));
  }
  const std::size_t root = rootLength(full);
  std::string out = full.substr(0, root);
  std::vector<std::size_t> partStarts;  // where each kept part begins in out, its separator included
  std::size_t i = root;
  while (i < full.size()) {
    const std::size_t run = i;
    while (i < full.size() && isSeparator(full[i])) ++i;
    std::size_t end = i;
    while (end < full.size() && !isSeparator(full[end])) ++end;
    const std::string part = full.substr(i, end - i);
    i = end;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!partStarts.empty()) {
        out.resize(partStarts.back());
        partStarts.pop_back();
      }
      continue;
    }
    partStarts.push_back(out.size());
    if (!out.empty() && !isSeparator(out.back())) out += run < i ? full[run] : '/';
    out += part;
  }
  return out;
}

std::string parentDirectory(const std::string& path) { return directoryPart(resolvedPath(path)); }

}  // namespace paths
