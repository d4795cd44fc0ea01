#include "package/DatabaseSwap.h"

#include "base/OvexError.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "util/DirectoryOps.h"

namespace dbswap {
namespace {

// A file another program still holds for a moment (a scanner, an ending
// server) makes a folder rename fail on Windows; it is tried again.
constexpr int kRenameTries = 25;
constexpr int kRenameRetryMs = 200;

bool renameFolder(const std::string& from, const std::string& to) {
  for (int attempt = 1;; ++attempt) {
    if (platform::renameEntry(from, to)) return true;
    if (attempt == kRenameTries) return false;
    platform::sleepMs(kRenameRetryMs);
  }
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

std::string oldFolderOf(const std::string& dbFolder) { return dbFolder + "_old_T"; }

// The swap has been made; what follows only tidies up. A leftover old
// folder goes with the next swap, a partial working copy is emptied by the
// next update.
void tidyAfterSwap(const std::string& dbFolder, const std::string& workingCopy) {
  try {
    deleteDirectoryTree(oldFolderOf(dbFolder));
  } catch (const OvexError&) {
  }
  try {
    copyDirectoryTree(dbFolder, workingCopy);
  } catch (const OvexError&) {
  }
}

}  // namespace

void removeLeftover(const std::string& dbFolder) {
  const std::string old = oldFolderOf(dbFolder);
  if (!directoryExists(old) || !directoryExists(dbFolder)) return;
  deleteDirectoryTree(old);
  if (directoryExists(old))
    throw OvexError("The folder " + quoted(old) + " left by an earlier update cannot be removed; the database folder was not replaced");
}

void replaceDatabaseFolder(const std::string& dbFolder, const std::string& workingCopy) {
  if (!directoryExists(dbFolder)) return;
  const std::string old = oldFolderOf(dbFolder);
  removeLeftover(dbFolder);
  if (!renameFolder(dbFolder, old))
    throw OvexError("The database folder " + quoted(dbFolder) + " could not be moved aside; it keeps the old database, and " +
                    quoted(workingCopy) + " holds the updated one");
  if (!renameFolder(workingCopy, dbFolder)) {
    if (renameFolder(old, dbFolder))
      throw OvexError("The working copy " + quoted(workingCopy) + " could not take the place of " + quoted(dbFolder) +
                      ", which keeps the old database");
    throw OvexError("The database folder " + quoted(dbFolder) + " could not be replaced: " + quoted(old) +
                    " holds the old database and " + quoted(workingCopy) + " the updated one");
  }
  tidyAfterSwap(dbFolder, workingCopy);
}

bool restoreInterruptedSwap(const std::string& dbFolder) {
  const std::string old = oldFolderOf(dbFolder);
  if (directoryExists(dbFolder) || !directoryExists(old)) return false;
  return renameFolder(old, dbFolder);
}

}  // namespace dbswap
