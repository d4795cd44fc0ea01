#include "util/zip/FileTree.h"

#include "platform/Platform.h"
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
    const auto items = platform::listFolder(path);
    if (!items) return;
    for (const platform::FolderItem& item : *items) {
      if (item.kind == platform::FolderItem::kOther) continue;
      const std::string full = path + "/" + item.name;
      const auto attrs = platform::fileAttributes(full);
      if (!attrs || (*attrs & (platform::kAttrHidden | platform::kAttrSystem))) continue;
      const std::string name = prefix + item.name;
      if (item.kind == platform::FolderItem::kFolder) {
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
