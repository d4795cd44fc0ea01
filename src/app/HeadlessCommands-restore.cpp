// UpdateOvexZNP --restore ARCHIVE [CLIENT_FOLDER]: the data of a backup
// archive in the place of the client's data directory. Nothing is changed
// before the archive has been checked and, when the server runs, the data
// backed up as the Backup command does; a failure before the restored
// server serves puts the data directory as it was back and starts the
// server on it.
#include <chrono>
#include <exception>
#include <functional>

#include "app/HeadlessCommands.h"
#include "app/ScratchFolder.h"
#include "app/Screen.h"
#include "app/mian.h"
#include "backup/BackupCheck.h"
#include "backup/DataRestore.h"
#include "backup/TZNPBf.h"
#include "base/ClientLayout.h"
#include "base/OvexError.h"
#include "dbclient/TDbConnection.h"
#include "dbclient/TDbUtils.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/SystemPaths.h"
#include "platform/Time.h"
#include "util/DirectoryOps.h"
#include "util/TUpdateUtils.h"
#include "util/zip/FileTree.h"

namespace {

// A server on restored files may run crash recovery before it listens; an
// ended one may take a moment to let its files and port go.
constexpr int kServerBoundMs = 60000;
constexpr int kPollMs = 200;
constexpr int kServerAppearMs = 10000;

struct RestoreTarget {
  std::string serverPath;
  std::string dataDir;
  bool serverRunning;
};

bool waitUntil(const std::function<bool()>& condition, int boundMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    platform::sleepMs(kPollMs);
  }
}

bool serverRuns() { return TUpdateUtils::findProcess(clientlayout::kServerName, screen::progress()) != -1; }

bool serverAnswers() {
  try {
    auto connection = TDbUtils::getOvexZnpConnection();
    connection->Connect();
    connection->Disconnect();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

RestoreTarget findTarget(const std::string& clientFolder) {
  const std::string running = runningServerPath();
  if (!running.empty()) {
    const RestoreTarget target{running, dataDirectoryOf(running), true};
    if (!clientFolder.empty() &&
        zipio::comparablePath(target.dataDir) != zipio::comparablePath(clientFolder + clientlayout::kDataFolder))
      throw OvexError("The running database server serves \"" + target.dataDir + "\", not the data of \"" +
                      clientFolder + "\"; nothing was changed");
    return target;
  }
  if (clientFolder.empty())
    throw OvexError(std::string("No database server (") + clientlayout::kServerName +
                    ") runs: give the client folder whose db\\data is to be restored; nothing was changed");
  const std::string serverPath = clientFolder + clientlayout::kServerProgram;
  if (!fileExists(serverPath))
    throw OvexError("\"" + clientFolder + "\" is no client folder: it has no " + (clientlayout::kServerProgram + 1) +
                    "; nothing was changed");
  return {serverPath, dataDirectoryOf(serverPath), false};
}

void endServer() {
  TUpdateUtils::killProcess(clientlayout::kServerName, screen::progress());
  if (!waitUntil([] { return !serverRuns() && !serverAnswers(); }, kServerBoundMs))
    throw OvexError("The database server did not stop; nothing was restored");
}

// Starts the server and waits until it takes logins; false when it does not
// in time, or has ended (it takes a moment to appear under its name).
bool startServer(const RestoreTarget& target) {
  TUpdateUtils::startExeProcess(target.serverPath, screen::progress());
  const auto started = std::chrono::steady_clock::now();
  bool seen = false, ended = false;
  const bool answers = waitUntil(
      [&] {
        if (serverAnswers()) return true;
        const bool runs = serverRuns();
        seen = seen || runs;
        ended = !runs && (seen || std::chrono::steady_clock::now() - started > std::chrono::milliseconds(kServerAppearMs));
        return ended;
      },
      kServerBoundMs);
  return answers && !ended;
}

// After a failure that left the data directory as it was.
std::string serverAgain(const RestoreTarget& target) {
  return startServer(target) ? "the server serves the data as it was"
                              : "the server was started on the data as it was but does not answer";
}

// The restored data is served and holds the version that cc names.
void checkRestoredServer(const RestoreTarget& target, const BackupContents& backup) {
  if (!startServer(target)) throw OvexError("the server did not start on the restored data");
  std::string version;
  try {
    version = getDbVersion();
  } catch (const std::exception& e) {
    throw OvexError(std::string("the database version of the restored data cannot be read: ") + e.what());
  }
  if (!backup.version.empty() && version != backup.version)
    throw OvexError("the restored data says version \"" + version + "\", cc says \"" + backup.version + "\"");
}

// The restored data in place; on any failure the data as it was is back.
void restoreInto(const RestoreTarget& target, const BackupContents& backup, const RestoreFolders& folders,
                 Progress& progress) {
  try {
    unpackRestoredData(backup.dataZip, folders, progress);
    swapInRestoredData(folders);
  } catch (const std::exception& e) {
    throw OvexError(std::string(e.what()) + ". Nothing was restored; " + serverAgain(target));
  }
  try {
    checkRestoredServer(target, backup);
  } catch (const std::exception& e) {
    const std::string reason = e.what();
    try {
      endServer();
      putPreviousDataBack(folders);
    } catch (const std::exception& undo) {
      throw OvexError("The restore failed: " + reason + ". Putting the data from before back failed too: " +
                      undo.what());
    }
    throw OvexError("The restore failed: " + reason + ". The data from before the restore is back in \"" +
                    folders.data + "\"; " + serverAgain(target));
  }
}


// Held while the restore runs, as the window's commands hold it: another
// copy of the tool must not stop, back up or replace the same data meanwhile.
class CommandLock {
 public:
  CommandLock() {
    if (!platform::takeCommandLock())
      throw OvexError("Another copy of the tool is running a command; nothing was changed");
  }
  ~CommandLock() { platform::releaseCommandLock(); }
  CommandLock(const CommandLock&) = delete;
  CommandLock& operator=(const CommandLock&) = delete;
};

}  // namespace

bool restoreCommand(const std::string& archive, const std::string& clientFolder) {
  Progress& progress = screen::progress();
  CommandLock lock;
  const RestoreTarget target = findTarget(clientFolder);
  if (!target.serverRunning) {
    const std::string putBack = putBackInterruptedRestore(target.dataDir);
    if (!putBack.empty())
      screen::showMessage("an interrupted restore had left no data directory: " + putBack + " is back in its place");
  }
  ScratchFolder scratch(commandScratchFolder("restore"));
  const BackupContents backup = checkBackupArchive(archive, scratch.path(), progress);
  printBackupContents(archive, backup);
  if (!backup.problems.empty()) {
    screen::showMessage("nothing was changed");
    return false;
  }

  std::string safetyCopy;
  if (target.serverRunning) {
    try {
      safetyCopy = TZNPBf::bf(platform::currentDirectory(), target.dataDir, progress);
    } catch (const std::exception& e) {
      throw OvexError(std::string("The backup of the current data failed: ") + e.what() + ". Nothing was restored; " +
                      serverAgain(target));
    }
  }
  endServer();
  const RestoreFolders folders = restoreFolders(target.dataDir);
  restoreInto(target, backup, folders, progress);

  screen::showMessage("restored into: " + folders.data);
  if (platform::fileAttributes(folders.before))
    screen::showMessage("the data from before the restore: " + folders.before);
  if (!safetyCopy.empty()) screen::showMessage("its backup: " + safetyCopy);
  screen::showMessage("the server serves the restored data" +
                      (backup.version.empty() ? std::string() : ", version " + backup.version));
  return true;
}
