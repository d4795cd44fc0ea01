// Where the database server keeps its data: two levels up from its
// executable, then "/data".
#include <vector>

#include "app/mian.h"
#include "platform/Platform.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Absolute form of a path with "." and ".." parts resolved and repeated
// separators collapsed; the separators that remain are kept as written.
std::string absolutePath(const std::string& path) {
  std::string full = path;
  if (full.empty() || !isSeparator(full[0])) full = platform::currentDirectory() + "/" + full;
  std::vector<std::string> parts;
  std::vector<char> separators;
  size_t i = 0;
  while (i < full.size()) {
    const char sep = full[i];
    while (i < full.size() && isSeparator(full[i])) ++i;
    size_t end = i;
    while (end < full.size() && !isSeparator(full[end])) ++end;
    const std::string part = full.substr(i, end - i);
    i = end;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
        separators.pop_back();
      }
      continue;
    }
    parts.push_back(part);
    separators.push_back(sep);
  }
  if (parts.empty()) return "/";
  std::string out;
  for (size_t k = 0; k < parts.size(); ++k) out += separators[k] + parts[k];
  return out;
}

}  // namespace

std::string parentDirectory(const std::string& path) {
  const std::string full = absolutePath(path);
  const size_t cut = full.find_last_of("\\/");
  if (cut == 0) return full.substr(0, 1);  // directly below the root
  return full.substr(0, cut);
}

std::string dataDirectoryOf(const std::string& serverExePath) {
  return parentDirectory(parentDirectory(serverExePath)) + "/data";
}
