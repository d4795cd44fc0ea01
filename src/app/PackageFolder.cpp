#include "app/PackageFolder.h"

#include <vector>

#include "platform/Files.h"

namespace {

bool qualifies(const std::string& path) {
  const auto attrs = platform::fileAttributes(path);
  const std::uint32_t excluded =
      platform::kAttrDirectory | platform::kAttrHidden | platform::kAttrSystem | platform::kAttrDevice;
  return attrs && !(*attrs & excluded);
}

}  // namespace

std::string lastPackageFile(const std::string& packageFolder) {
  std::vector<platform::DirEntry> entries;
  if (!platform::listDirectory(packageFolder, &entries)) return std::string();
  std::string last;
  for (const auto& entry : entries)
    if (qualifies(packageFolder + entry.name)) last = entry.name;
  return last;
}
