#include "util/zip/FileTree.h"

#include <algorithm>

#include "platform/Files.h"
#include "platform/SystemPaths.h"
#include "util/AsciiCase.h"
#include "util/Paths.h"
#include "util/zip/NameCoding.h"

namespace zipio {
namespace {

struct Walk {
  std::string exclude;
  const std::function<void()>& found;
  std::vector<FoundFile> files;

  void folder(const std::string& path, const std::string& prefix) {
    std::vector<platform::DirEntry> entries;
    if (!platform::listDirectory(path, &entries)) return;
    std::sort(entries.begin(), entries.end(),
              [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
    for (const platform::DirEntry& item : entries) {
      const std::string full = path + "/" + item.name;
      // What a link leads to counts: a file is taken, a folder is not walked.
      const auto attrs = platform::fileAttributes(full);
      if (!attrs || (*attrs & (platform::kAttrHidden | platform::kAttrSystem | platform::kAttrDevice))) continue;
      if (!item.isDirectory && (*attrs & platform::kAttrDirectory)) continue;
      const std::string name = prefix + item.name;
      if (item.isDirectory) {
        folder(full, name + "/");
      } else if (comparablePath(full) != exclude) {
        files.push_back({full, name, *attrs});
        if (found) found();
      }
    }
  }
};

}  // namespace

std::string comparablePath(const std::string& path) {
  return foldAscii(platform::systemPath(paths::resolvedPath(path)));
}

std::vector<FoundFile> collectFiles(const std::string& src, const std::string& exclude,
                                    const std::function<void()>& found) {
  Walk walk{comparablePath(exclude), found, {}};
  walk.folder(src, "");
  return std::move(walk.files);
}

}  // namespace zipio
