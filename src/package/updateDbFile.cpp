// The database update: scripts run against a working copy of the client's
// db folder, served by the copy's own server, which then replaces db.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/TZNPBf.h"
#include "dbclient/TDbConnection.h"
#include "package/EntryPaths.h"
#include "package/ScriptList.h"
#include "package/TZNPOp.h"
#include "package/UpdateXML.h"
#include "platform/Platform.h"
#include "util/DirectoryOps.h"
#include "util/OvexError.h"
#include "util/Screen.h"
#include "util/TUpdateUtils.h"

namespace {

const char kServerName[] = "ovexsqld.exe";
constexpr int kServerStartWaitMs = 3000;
// A server on a copy of a killed server's files may run crash recovery
// before it listens; a server that was ended may take a moment to go.
constexpr int kServerBoundMs = 60000;
constexpr int kPollMs = 200;

// Polls until the condition holds or the bound has passed; window messages
// are handled between the polls.
bool waitUntil(const std::function<bool()>& condition, int boundMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    screen::processMessages();
    platform::sleepMs(kPollMs);
  }
}

bool serverAcceptsConnection() {
  try {
    auto connection = TDbUtils::getOvexZnpConnection();
    connection->Connect();
    connection->Disconnect();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool serverGone() { return TUpdateUtils::findProcess(kServerName) < 0; }

void emptyWorkingCopy(const std::string& workingCopy) {
  if (!directoryExists(workingCopy)) return;
  deleteDirectoryTree(workingCopy);
  createDirectoryPath(workingCopy);
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
  std::FILE* file = platform::openDataFile(path, "rb");
  if (!file) return std::nullopt;
  const auto size = platform::dataFileSize(file);
  std::fclose(file);
  return size;
}

// The first regular file below from (as a path relative to it) that is not
// found below to with the same size; empty when every file arrived.
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
    const auto expected = fileSize(from + path);
    if (expected && fileSize(to + path) != expected) return path;
  }
  return {};
}

// The copy passes over files it cannot write (a full disk); a working copy
// that lacks part of the database must never go on to replace it.
void checkWorkingCopy(const std::string& dbFolder, const std::string& workingCopy) {
  const std::string missing = firstMissingFile(dbFolder, workingCopy);
  if (!missing.empty())
    throw OvexError("The working copy of the database is not complete: \"" + dbFolder + missing +
                    "\" could not be copied to \"" + workingCopy + missing + "\"");
}

// Replaces db by the working copy and makes sure nothing of it was left out:
// a db folder mixing old and new data files must not be taken for a success.
void replaceDatabaseFolder(const std::string& dbFolder, const std::string& workingCopy) {
  if (!directoryExists(dbFolder)) return;
  deleteDirectoryTree(dbFolder);
  createDirectoryPath(dbFolder);
  copyDirectoryTree(workingCopy, dbFolder);
  const std::string missing = firstMissingFile(workingCopy, dbFolder);
  if (!missing.empty())
    throw OvexError("The database folder was not replaced completely: \"" + dbFolder + missing +
                    "\" could not be copied from \"" + workingCopy + missing + "\"");
}

}  // namespace

namespace TupdateOp {

void updateDbFile(const TUpdateFile& uf, const std::string& ovexZNPDir) {
  const std::string scratch = entrypaths::scratchFolder();
  const std::string unpackFolder = scratch + entrypaths::stem(uf.fileName);
  TUpdateUtils::unzip(scratch + uf.fileName, unpackFolder);
  const std::vector<std::string> scripts = scriptlist::scriptList(unpackFolder);

  const std::string workingCopy = ovexZNPDir + "/db_updating_T";
  const std::string dbFolder = ovexZNPDir + "/db";
  // The copy does not follow links: a folder reached through one would be
  // missing from the working copy, and so from db once it is replaced.
  const std::string link = firstFolderLink(dbFolder);
  if (!link.empty())
    throw OvexError("The database folder \"" + link + "\" is a link to a folder elsewhere; its working copy cannot hold its files");
  emptyWorkingCopy(workingCopy);
  copyDirectoryTree(dbFolder, workingCopy);
  checkWorkingCopy(dbFolder, workingCopy);

  TUpdateUtils::startExeProcess(workingCopy + "/bin/ovexsqld.exe");
  platform::sleepMs(kServerStartWaitMs);
  // Not ready in time: the first script's connect reports it.
  if (!scripts.empty()) waitUntil(serverAcceptsConnection, kServerBoundMs);
  for (const std::string& script : scripts) {
    runSqlFile(unpackFolder + "\\" + script);
    screen::processMessages();
  }

  TUpdateUtils::killProcess(kServerName);
  waitUntil(serverGone, kServerBoundMs);
  replaceDatabaseFolder(dbFolder, workingCopy);
}

}  // namespace TupdateOp
