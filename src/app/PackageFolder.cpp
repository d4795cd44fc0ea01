#include "app/PackageFolder.h"

#include <algorithm>
#include <vector>

#include "platform/Platform.h"
#include "util/AsciiCase.h"

namespace {

bool qualifies(const std::string& path) {
  const auto attrs = platform::fileAttributes(path);
  return attrs && !(*attrs & (platform::kAttrDirectory | platform::kAttrHidden | platform::kAttrSystem));
}

}  // namespace

std::string lastPackageFile(const std::string& packageFolder) {
  std::vector<platform::DirEntry> entries;
  if (!platform::listDirectory(packageFolder, &entries)) return std::string();
  // The listing has no stable order here; the usual Windows file system
  // returns names sorted without regard to case.
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return foldAscii(a.name) < foldAscii(b.name);
  });
  std::string last;
  for (const auto& entry : entries)
    if (qualifies(packageFolder + entry.name)) last = entry.name;
  return last;
}
