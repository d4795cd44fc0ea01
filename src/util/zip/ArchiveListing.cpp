#include "util/zip/ArchiveListing.h"

#include <memory>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "util/zip/CentralDirectory.h"
#include "util/zip/NameCoding.h"

namespace zipio {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::vector<ListedEntry> listArchive(const std::string& zipFile) {
  std::unique_ptr<std::FILE, FileCloser> archive(platform::openDataFile(zipFile, "rb"));
  if (!archive) throw OvexError("\"" + zipFile + "\" cannot be opened");
  std::vector<CentralEntry> entries;
  try {
    entries = readCentralDirectory(archive.get());
  } catch (const OvexError& error) {
    throw OvexError("\"" + zipFile + "\" is no readable Zip archive: " + error.what());
  }
  std::vector<ListedEntry> listed;
  for (const CentralEntry& e : entries) {
    ListedEntry entry;
    entry.name = zipname::decode({e.rawName, e.extra, e.flags, e.versionMadeBy});
    entry.size = e.size;
    entry.folder = (!entry.name.empty() && (entry.name.back() == '/' || entry.name.back() == '\\')) ||
                   (e.externalAttributes & platform::kAttrDirectory);
    listed.push_back(std::move(entry));
  }
  return listed;
}

}  // namespace zipio
