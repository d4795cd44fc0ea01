// Directory and file operations. The rules (checks, error texts, what fails
// silently) live here; the file system is reached through the platform layer.
#include "util/DirectoryOps.h"

#include <cstdio>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "platform/SystemPaths.h"
#include "util/AsciiCase.h"
#include "util/PathValidation.h"
#include "util/Paths.h"
#include "util/Progress.h"

using namespace pathcheck;
using namespace paths;

namespace {

// Creates the parent levels first; false when this level does not exist
// afterwards, so that the levels below it are not attempted.
bool createLevels(const std::string& path) {
  const std::string dir = withoutTrailingSeparator(path);
  if (dir.size() <= platform::driveLength(dir) || directoryExists(dir)) return true;
  const std::string parent = directoryPart(dir);
  if (parent.empty() || parent == dir) return true;
  if (!createLevels(parent)) return false;
  return platform::createDirectory(dir) || directoryExists(dir);
}

void requireDrive(const std::string& absolute) {
  const std::string path = withoutPrefix(absolute);
  if (platform::driveLength(path) == 0 || !platform::driveExists(path))
    throw OvexError("The drive cannot be found");
}

// Deletes a file; a refusal is retried once with its attributes made normal
// (a link's attributes are its target's and stay untouched).
void deleteEntry(const std::string& path, bool isLink) {
  std::string ignored;
  if (platform::deleteFileEntry(path, &ignored) == platform::DeleteResult::kDeleted || isLink) return;
  platform::setFileAttributes(path, platform::kAttrNormal);
  platform::deleteFileEntry(path, &ignored);
}

// Post-order removal; every failure is passed over.
void deleteTree(const std::string& dir) {
  platform::setFileAttributes(dir, platform::kAttrNormal);  // lets its entries go
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(dir, &entries);
  for (const platform::DirEntry& entry : entries) {
    const std::string path = joinPath(dir, entry.name);
    if (entry.isDirectory) {
      deleteTree(path);
      continue;
    }
    deleteEntry(path, entry.isLink);
  }
  platform::removeDirectory(dir);
}

std::uint64_t fileSize(const std::string& path) {
  std::FILE* file = platform::openDataFile(path, "rb");
  if (!file) return 0;
  const std::uint64_t size = platform::dataFileSize(file).value_or(0);
  std::fclose(file);
  return size;
}

// The bytes of the files a copy of the tree takes in.
std::uint64_t treeSize(const std::string& from, const std::string& skip) {
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(from, &entries);
  std::uint64_t total = 0;
  for (const platform::DirEntry& entry : entries) {
    const std::string source = joinPath(from, entry.name);
    if (!entry.isDirectory)
      total += fileSize(source);
    else if (!platform::sameEntry(source, skip))
      total += treeSize(source, skip);
  }
  return total;
}

// The bytes a copy has passed, reported after each file when anyone watches.
struct CopyTally {
  ProgressStep* step = nullptr;
  std::uint64_t done = 0;

  void copied(const std::string& file) {
    if (!step) return;
    done += fileSize(file);
    step->advance(done);
  }
};

// Pre-order copy; skip names the destination when it lies inside the source.
void copyTree(const std::string& from, const std::string& to, const std::string& skip, CopyTally& tally) {
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(from, &entries);
  for (const platform::DirEntry& entry : entries) {
    const std::string source = joinPath(from, entry.name);
    const std::string target = joinPath(to, entry.name);
    if (!entry.isDirectory) {
      platform::copyFileReplace(source, target);
      tally.copied(source);
    } else if (!platform::sameEntry(source, skip)) {
      platform::createDirectory(target);
      copyTree(source, target, skip, tally);
    }
  }
}

// The folder that holds a file path must exist.
std::string requireParentFolder(const std::string& path) {
  const std::string absolute = absolutePath(path);
  if (!directoryExists(directoryPart(absolute))) throw OvexError("The specified path was not found");
  return absolute;
}

}  // namespace

bool directoryExists(const std::string& path) {
  const auto attrs = platform::fileAttributes(withoutPrefix(path));
  return attrs && (*attrs & platform::kAttrDirectory);
}

bool fileExists(const std::string& path) {
  const auto attrs = platform::fileAttributes(withoutPrefix(path));
  return attrs && !(*attrs & platform::kAttrDirectory);
}

void createDirectoryPath(const std::string& path) {
  const std::string absolute = absolutePath(path);
  validatePath({path, absolute}, PathKind::kDirectory);
  requireDrive(absolute);
  createLevels(withoutPrefix(absolute));
}

void deleteDirectoryTree(const std::string& path) {
  const std::string absolute = absolutePath(path);
  if (fileExists(absolute)) throw OvexError("The specified directory name is invalid");
  validatePath({path, absolute}, PathKind::kDirectory);
  if (!directoryExists(absolute)) throw OvexError("The specified path was not found");
  const std::string dir = withoutPrefix(absolute);
  // A link to a folder goes by itself: what it leads to is not ours to empty.
  const std::string self = dir.size() > platform::driveLength(dir) + 1 ? withoutTrailingSeparator(dir) : dir;
  if (platform::isLink(self))
    deleteEntry(self, true);
  else
    deleteTree(dir);
}

void copyDirectoryTree(const std::string& source, const std::string& destination) {
  copyDirectoryTree(source, destination, noProgress(), "");
}

void copyDirectoryTree(const std::string& source, const std::string& destination, Progress& progress,
                       const std::string& step) {
  const std::string from = absolutePath(source);
  const std::string to = absolutePath(destination);
  validatePath({source, from}, PathKind::kDirectory);
  validatePath({destination, to}, PathKind::kDirectory);
  if (!directoryExists(from)) throw OvexError("The specified path was not found");
  if (equalNoCase(withoutTrailingSeparator(from), withoutTrailingSeparator(to)))
    throw OvexError("The source directory is the same as the destination directory");
  createDirectoryPath(to);
  CopyTally tally;
  if (!progress.showsAmounts()) {
    copyTree(withoutPrefix(from), withoutPrefix(to), to, tally);
    return;
  }
  ProgressStep shown(progress, step, treeSize(withoutPrefix(from), to), Progress::Unit::kBytes);
  tally.step = &shown;
  copyTree(withoutPrefix(from), withoutPrefix(to), to, tally);
}

void deleteFile(const std::string& path) {
  validatePath({path}, PathKind::kFile);
  const std::string absolute = requireParentFolder(path);
  std::string message;
  if (platform::deleteFileEntry(absolute, &message) == platform::DeleteResult::kSharingViolation)
    throw OvexError(message);
}

std::string firstFolderLink(const std::string& dir) {
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(dir, &entries);
  for (const platform::DirEntry& entry : entries) {
    const std::string path = joinPath(dir, entry.name);
    if (entry.isLink && directoryExists(path)) return path;
    if (entry.isDirectory) {
      const std::string found = firstFolderLink(path);
      if (!found.empty()) return found;
    }
  }
  return {};
}
