// The data backup: stop the server, archive its data directory, and leave
// the backup archive in the working directory and in the configured folder.
#include "backup/TZNPBf.h"
#include "base/ClientLayout.h"

#include <cstdio>

#include "backup/BackupArchive.h"
#include "backup/BackupManifest.h"
#include "base/OvexError.h"
#include "dbclient/TDbUtils.h"
#include "platform/Time.h"
#include "util/DirectoryOps.h"
#include "util/Paths.h"
#include "util/Progress.h"
#include "util/TUpdateUtils.h"

namespace {

const int kServerExitWaitMs = 3000;
const int kServerGoneLimitMs = 60000;

std::string twoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string readOrEmpty(std::string (*read)()) {
  try {
    return read();
  } catch (...) {
    return std::string();
  }
}

// Ends the server and waits until none of its processes is left, so that
// every data file is closed before it is read.
void stopServer(Progress& progress) {
  try {
    TUpdateUtils::killProcess(clientlayout::kServerName, progress);
    platform::sleepMs(kServerExitWaitMs);
  } catch (...) {
  }
  for (int waited = 0; TUpdateUtils::findProcess(clientlayout::kServerName, progress) != -1; waited += 100) {
    if (waited >= kServerGoneLimitMs) throw OvexError("The database server did not stop; its data files are still in use");
    platform::sleepMs(100);
  }
}

std::string archiveName(const std::string& version) {
  const platform::LocalTime t = platform::localNow();
  return "ovex_znp_data_离线备份_" + version + "_" + std::to_string(t.year) + twoDigits(t.month) +
         twoDigits(t.day) + twoDigits(t.hour) + twoDigits(t.minute) + twoDigits(t.second) + ".zip";
}

bool hasDotDotPart(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !paths::isSeparator(path[i])) continue;
    if (path.compare(start, i - start, "..") == 0) return true;
    start = i + 1;
  }
  return false;
}

}  // namespace

bool usableBackupFolder(const std::string& folder) { return paths::isAbsolute(folder) && !hasDotDotPart(folder); }

namespace TZNPBf {

void bf(const std::string& currentPath, const std::string& dbPath) { bf(currentPath, dbPath, noProgress()); }

std::string bf(const std::string& currentPath, const std::string& dbPath, Progress& progress) {
  const std::string staging = currentPath + "/bf";
  const std::string dataZip = currentPath + "/bf" + "/data.zip";
  const std::string manifest = currentPath + "/bf/cc";
  const std::string localFolder = currentPath + "/数据备份";

  if (directoryExists(staging)) deleteDirectoryTree(staging);
  createDirectoryPath(staging);

  const std::string version = readOrEmpty(getDbVersion);
  const std::string folder = readOrEmpty(getBackupPath);

  stopServer(progress);
  zipDataDirectory(dbPath, dataZip, progress);

  if (fileExists(manifest)) deleteFile(manifest);
  writeBackupManifest(manifest, version, dataArchiveDigest(dataZip));

  if (!directoryExists(localFolder)) createDirectoryPath(localFolder);
  const std::string name = archiveName(version);
  const std::string localArchive = localFolder + "/" + name;
  writeBackupArchive(staging, localArchive, std::string(), progress);
  platform::sleepMs(100);
  // With no usable configured folder there is nowhere sensible for the
  // second copy: the local archive is the backup.
  if (usableBackupFolder(folder))
    writeBackupArchive(staging, folder + "/" + name, localArchive);
  else
    progress.note(folder.empty() ? "No backup folder is configured; the backup is kept in 数据备份 only"
                                : "The configured backup folder \"" + folder +
                                      "\" is not an absolute path without \"..\"; the backup is kept in 数据备份 only");
  return localArchive;
}

}  // namespace TZNPBf
