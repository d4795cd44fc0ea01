#include "backup/BackupArchive.h"

#include <cstdio>
#include <map>
#include <memory>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "util/DirectoryOps.h"
#include "util/TUpdateUtils.h"
#include "util/zip/ArchiveListing.h"
#include "util/zip/CentralDirectory.h"
#include "util/zip/FileTree.h"
#include "util/zip/NameCoding.h"

namespace {

const char kPartSuffix[] = ".part";

void removeQuietly(const std::string& path) {
  try {
    if (fileExists(path)) deleteFile(path);
  } catch (...) {
  }
}

}  // namespace

namespace {
const char kArchiveStep[] = "writing the backup archive";
}

void writeBackupArchive(const std::string& staging, const std::string& archive, const std::string& sameBytesAs,
                        Progress& progress) {
  if (fileExists(archive)) {
    TUpdateUtils::zip(staging, archive, progress, kArchiveStep);
    return;
  }
  const std::string part = archive + kPartSuffix;
  removeQuietly(part);
  try {
    if (!sameBytesAs.empty()) {
      if (!platform::copyFileReplace(sameBytesAs, part)) throw OvexError("Cannot create file \"" + archive + "\"");
    } else {
      TUpdateUtils::zip(staging, part, progress, kArchiveStep);
    }
    if (!platform::renameEntry(part, archive)) throw OvexError("Cannot create file \"" + archive + "\"");
  } catch (...) {
    removeQuietly(part);
    throw;
  }
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

// Size of a file as it is now, or -1 when it cannot be opened.
long long currentSize(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(platform::openDataFile(path, "rb"));
  if (!file) return -1;
  const auto size = platform::dataFileSize(file.get());
  return size ? static_cast<long long>(*size) : -1;
}

}  // namespace

// The zip rules pass over files that cannot be opened and folders that are
// links (a database moved to another disk); a backup that silently lacks
// data is no backup, so no folder may be a link and every file found in the
// data directory must be in the archive with its full size. A data
// directory that is missing or holds no file would give an empty archive:
// no backup.
void zipDataDirectory(const std::string& dbPath, const std::string& dataZip, Progress& progress) {
  if (!directoryExists(dbPath)) throw OvexError("The data directory \"" + dbPath + "\" does not exist");
  const std::string link = firstFolderLink(dbPath);
  if (!link.empty())
    throw OvexError("The data folder \"" + link + "\" is a link to a folder elsewhere; the backup cannot hold its files");
  TUpdateUtils::zip(dbPath, dataZip, progress, "zipping the data directory");
  std::map<std::string, std::uint64_t> stored;
  {
    std::unique_ptr<std::FILE, FileCloser> archive(platform::openDataFile(dataZip, "rb"));
    if (!archive) throw OvexError("Cannot open file \"" + dataZip + "\"");
    for (const auto& entry : zipio::readCentralDirectory(archive.get())) stored[entry.rawName] = entry.size;
  }
  const auto files = zipio::collectFiles(dbPath, dataZip, [] {});
  if (files.empty()) throw OvexError("The data directory \"" + dbPath + "\" holds no file");
  for (const auto& file : files) {
    const auto it = stored.find(zipname::encode(file.name).bytes);
    const long long size = currentSize(file.path);
    if (it == stored.end() || size < 0 || it->second != static_cast<std::uint64_t>(size))
      throw OvexError("The data file \"" + file.path + "\" could not be read completely");
  }
}

void unpackDataArchive(const std::string& dataZip, const std::string& folder, Progress& progress) {
  const std::vector<zipio::ListedEntry> entries = zipio::listArchive(dataZip);
  if (!TUpdateUtils::unzip(dataZip, folder, progress, "unpacking the data"))
    throw OvexError("\"" + dataZip + "\" cannot be unpacked into \"" + folder + "\"");
  for (const auto& entry : entries) {
    if (entry.folder) continue;
    const auto rel = zipname::confinedPath(entry.name);
    const long long size = rel ? currentSize(folder + "/" + *rel) : -1;
    if (size < 0 || static_cast<std::uint64_t>(size) != entry.size)
      throw OvexError("The data file \"" + entry.name + "\" of \"" + dataZip + "\" could not be unpacked into \"" +
                      folder + "\"");
  }
}
