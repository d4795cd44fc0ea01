// Building and sorting the script list of a database entry.
#include "package/ScriptList.h"

#include <algorithm>

#include "platform/CodePages.h"
#include "platform/Files.h"

namespace scriptlist {
namespace {

bool isPlainFile(const std::string& path) {
  const auto attrs = platform::fileAttributes(path);
  if (!attrs) return false;
  return !(*attrs & (platform::kAttrDirectory | platform::kAttrHidden | platform::kAttrSystem));
}

}  // namespace

std::vector<std::string> scriptList(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  std::vector<std::string> names;
  if (!platform::listDirectory(folder, &entries)) return names;
  for (const platform::DirEntry& entry : entries)
    if (!entry.isDirectory && isPlainFile(folder + "\\" + entry.name)) names.push_back(entry.name);
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return platform::compareLocaleNoCase(a, b) < 0;
  });
  return names;
}

}  // namespace scriptlist
