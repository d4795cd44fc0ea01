#include "backup/DataRestore.h"

#include <cstdio>
#include <vector>

#include "backup/BackupArchive.h"
#include "base/OvexError.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "util/DirectoryOps.h"
#include "util/Paths.h"

namespace {

std::string stampNow() {
  const platform::LocalTime t = platform::localNow();
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year % 10000, t.month % 100, t.day % 100,
                t.hour % 100, t.minute % 100, t.second % 100);
  return text;
}

bool entryExists(const std::string& path) { return platform::fileAttributes(path).has_value(); }

void removeTree(const std::string& path) {
  if (directoryExists(path)) deleteDirectoryTree(path);
}

void move(const std::string& from, const std::string& to) {
  if (!platform::renameEntry(from, to))
    throw OvexError("\"" + from + "\" cannot be renamed to \"" + to + "\" (is a program still using it?)");
}

}  // namespace

RestoreFolders restoreFolders(const std::string& dataDir) {
  const std::string beside = paths::directoryPart(dataDir);
  RestoreFolders folders{dataDir, paths::joinPath(beside, "data_restoring_T"), ""};
  // Two restores within one second must not meet.
  for (;;) {
    folders.before = paths::joinPath(beside, "data_before_restore_" + stampNow());
    if (!entryExists(folders.before)) return folders;
    platform::sleepMs(1000);
  }
}

// What a restore cut off before left of its unpacking is never anyone's
// only copy: the data directory is replaced only by a complete one.
void unpackRestoredData(const std::string& dataZip, const RestoreFolders& folders, Progress& progress) {
  removeTree(folders.restoring);
  if (entryExists(folders.restoring))
    throw OvexError("\"" + folders.restoring + "\", left by an earlier restore, cannot be removed");
  try {
    createDirectoryPath(folders.restoring);
    unpackDataArchive(dataZip, folders.restoring, progress);
  } catch (...) {
    try {
      removeTree(folders.restoring);
    } catch (...) {
    }
    throw;
  }
}

void swapInRestoredData(const RestoreFolders& folders) {
  const bool hadData = entryExists(folders.data);
  if (hadData) move(folders.data, folders.before);
  if (platform::renameEntry(folders.restoring, folders.data)) return;
  const std::string failure = "\"" + folders.restoring + "\" cannot be renamed to \"" + folders.data + "\"";
  if (hadData && !platform::renameEntry(folders.before, folders.data))
    throw OvexError(failure + ", nor \"" + folders.before + "\" back: the data from before the restore is there");
  throw OvexError(failure + " (is a program still using it?)");
}

std::string putBackInterruptedRestore(const std::string& dataDir) {
  const RestoreFolders folders = restoreFolders(dataDir);
  if (entryExists(folders.data) || !directoryExists(folders.restoring)) return "";
  const std::string beside = paths::directoryPart(dataDir);
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(beside, &entries);
  std::string newest;  // the stamps sort by time
  for (const auto& entry : entries)
    if (entry.isDirectory && entry.name.rfind("data_before_restore_", 0) == 0 && entry.name > newest) newest = entry.name;
  if (newest.empty()) return "";
  const std::string before = paths::joinPath(beside, newest);
  move(before, folders.data);
  return before;
}

void putPreviousDataBack(const RestoreFolders& folders) {
  // Renamed aside first: a restored file that cannot be deleted must not
  // keep the data from before out of its place.
  if (entryExists(folders.data)) move(folders.data, folders.restoring);
  if (entryExists(folders.before)) move(folders.before, folders.data);
  try {
    removeTree(folders.restoring);
  } catch (...) {
  }
}
