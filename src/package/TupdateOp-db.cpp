// The database update: scripts run against a working copy of the client's
// db folder, served by the copy's own server, which then replaces db.
#include "package/TupdateOp.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "base/OvexError.h"
#include "package/DatabaseSwap.h"
#include "package/EntryPaths.h"
#include "package/ScriptList.h"
#include "package/UpdateXML.h"
#include "package/WorkingCopyServer.h"
#include "package/runSqlFile.h"
#include "platform/Files.h"
#include "util/DirectoryOps.h"
#include "util/TUpdateUtils.h"

namespace {

void emptyWorkingCopy(const std::string& workingCopy) {
  if (!directoryExists(workingCopy)) return;
  deleteDirectoryTree(workingCopy);
  createDirectoryPath(workingCopy);
}

struct FileStamp {
  std::uint64_t size;
  std::time_t lastWrite;
  bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(const std::string& path) {
  std::FILE* file = platform::openDataFile(path, "rb");
  if (!file) return std::nullopt;
  const auto info = platform::dataFileInfo(file);
  std::fclose(file);
  if (!info) return std::nullopt;
  return FileStamp{info->size, info->lastWrite};
}

// The first regular file below from (as a path relative to it) that is not
// found below to with the same size and last-write time (the copy takes
// both over); empty when every file arrived. A file the copy could not
// replace keeps its own time even where it has the same size.
std::string firstMissingFile(const std::string& from, const std::string& to, const std::string& rel = "") {
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(from + rel, &entries);
  for (const platform::DirEntry& entry : entries) {
    const std::string path = rel + "/" + entry.name;
    if (entry.isLink) continue;
    if (entry.isDirectory) {
      const std::string missing = firstMissingFile(from, to, path);
      if (!missing.empty()) return missing;
      continue;
    }
    const auto expected = stampOf(from + path);
    if (expected && stampOf(to + path) != expected) return path;
  }
  return {};
}

// The copy passes over files it cannot write (a full disk, a file left from
// an earlier copy that cannot be replaced); a working copy that lacks part
// of the database must never go on to replace it.
void checkWorkingCopy(const std::string& dbFolder, const std::string& workingCopy) {
  const std::string missing = firstMissingFile(dbFolder, workingCopy);
  if (!missing.empty())
    throw OvexError("The working copy of the database is not complete: \"" + dbFolder + missing +
                    "\" could not be copied to \"" + workingCopy + missing + "\"");
}

void runScripts(const std::string& unpackFolder, const std::vector<std::string>& scripts, Progress& progress,
                const std::string& entryName) {
  ProgressStep shown(progress, "running the scripts of " + entryName, scripts.size(), Progress::Unit::kItems);
  for (size_t i = 0; i < scripts.size(); ++i) {
    shown.advance(i, scripts[i]);
    progress.note(outcomeLine(scripts[i], runSqlFile(unpackFolder + "\\" + scripts[i], progress)));
    progress.idle();
  }
  shown.advance(scripts.size());
}

}  // namespace

namespace TupdateOp {

void updateDbFile(const TUpdateFile& uf, const std::string& ovexZNPDir, Progress& progress) {
  const std::string scratch = entrypaths::scratchFolder();
  const std::string unpackFolder = scratch + entrypaths::stem(uf.fileName);
  TUpdateUtils::unzip(scratch + uf.fileName, unpackFolder);
  const std::vector<std::string> scripts = scriptlist::scriptList(unpackFolder);

  const std::string workingCopy = ovexZNPDir + "/db_updating_T";
  const std::string dbFolder = ovexZNPDir + "/db";
  // Without a db folder the working copy may be the only copy of the
  // database there is (a swap that stopped part-way): it is left alone.
  if (!directoryExists(dbFolder)) throw OvexError("The specified path was not found");
  dbswap::removeLeftover(dbFolder);
  // The copy does not follow links: a folder reached through one would be
  // missing from the working copy, and so from db once it is replaced.
  const std::string link = firstFolderLink(dbFolder);
  if (!link.empty())
    throw OvexError("The database folder \"" + link + "\" is a link to a folder elsewhere; its working copy cannot hold its files");
  emptyWorkingCopy(workingCopy);
  copyDirectoryTree(dbFolder, workingCopy, progress, "copying the database");
  checkWorkingCopy(dbFolder, workingCopy);

  workingcopyserver::runWithServer(workingCopy, !scripts.empty(),
                                   [&] { runScripts(unpackFolder, scripts, progress, uf.fileName); }, progress);
  dbswap::replaceDatabaseFolder(dbFolder, workingCopy);
}

}  // namespace TupdateOp
