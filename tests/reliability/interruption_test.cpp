// The tool killed (SIGKILL) at many moments of a backup and of an upgrade
// in a sandbox client installation. After every kill: no incomplete archive
// under a final name, configuration files old or new and whole, the
// database old or new and whole under db (or, stopped between the two
// renames of the swap, whole beside it, put back by the next run); and the
// command run again succeeds.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <regex>
#include <set>

#include "CommandRun.h"
#include "Reliability.h"
#include "util/TUpdateUtils.h"

namespace fs = std::filesystem;
using namespace commandtest;
using namespace reliability;
using namespace testsupport;

namespace {

constexpr int kKillPoints = 16;
constexpr int kSwapPoints = 6;
const char kBackupDone[] = "            备份成功            ";
const char kUpgradeDone[] = "       升级完成            ";

// Checks every archive under a final name not checked before (or changed).
class ArchiveWatch {
 public:
  void check(const std::string& folder) {
    for (const std::string& archive : finalArchives(folder)) {
      const auto key = std::make_pair(archive, fs::file_size(archive));
      if (!seen_.insert(key).second) continue;
      EXPECT_EQ(archiveProblem(archive), "") << archive;
    }
  }

 private:
  std::set<std::pair<std::string, std::uintmax_t>> seen_;
};

const char kNotRunning[] = "检测到Parvia管理系统纳税人端未运行，请先运行....";

// Runs the command to its end. Other tests on this machine may end every
// server stand-in by name (the tool itself does); when the client or the
// server was found not running, they are started again and the run repeated.
int runToEnd(const Sandbox& box, const std::string& option, int* status, std::string* output,
             const std::function<void(int ms)>& watch = {}) {
  int ms = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (!waitUntilSoleInstallation(box)) ADD_FAILURE() << "another test's client or server stays";
    ms = timedRun(box.work(), option, status, output, watch);
    if (output->find(kNotRunning) == std::string::npos) break;
    restartClientAndServer(box);
  }
  return ms;
}

int killDelay(int fullMs, int point) { return fullMs * (2 * point + 1) / (2 * kKillPoints); }

std::string invoiceRows(const Sandbox& box) { return box.sql("SELECT COUNT(*), SUM(ID) FROM ovex_znp.fp_kpxx"); }

std::string withVersion(std::string service, const std::string& from, const std::string& to) {
  const std::string key = "CurrentVersion=";
  const auto at = service.find(key + from + "\r\n");
  if (at != std::string::npos) service.replace(at + key.size(), from.size(), to);
  return service;
}

// The identity of a folder, 0 when it does not exist.
ino_t inodeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Every file of older is in newer (the scripts only add tables).
void expectAllFiles(const std::map<std::string, long long>& older, const std::map<std::string, long long>& newer,
                    const std::string& where) {
  for (const auto& [name, size] : older) EXPECT_TRUE(newer.count(name)) << name << " missing in " << where;
}

bool isUpdateManagerIniFor(const std::string& text, const std::string& version) {
  static const std::regex shape(
      "#\\[Update Manager Config\\]\r\n#\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n"
      "updateStatus=\r\ndataFileName=\r\nzipFileName=(.*)\r\n");
  std::smatch m;
  return std::regex_match(text, m, shape) && m[1] == "\\u5347\\u7EA7\\u5305" + version + ".zip";
}

}  // namespace

TEST(Interruption, KilledBackupLeavesOnlyCompleteArchivesAndRunsAgain) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 3000, .seedSql = {}});
  const std::string rows = invoiceRows(f.box);
  const std::string local = f.box.work() + "/数据备份";
  int status = 0;
  std::string output;
  const int fullMs = runToEnd(f.box, "--backup", &status, &output);
  ASSERT_EQ(status, 0) << output;
  ASSERT_TRUE(waitForDatabase(60000));

  ArchiveWatch archives;
  int killed = 0;
  for (int point = 0; point < kKillPoints; ++point) {
    const int delay = killDelay(fullMs, point);
    SCOPED_TRACE("backup killed after " + std::to_string(delay) + " ms of " + std::to_string(fullMs));
    ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
    killed += runAndKill(f.box.work(), "--backup", delay);
    archives.check(local);
    archives.check(f.box.backups());

    restartClientAndServer(f.box);
    EXPECT_EQ(invoiceRows(f.box), rows);
    runToEnd(f.box, "--backup", &status, &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output, std::string(kBackupDone) + "\n");
    ASSERT_TRUE(waitForDatabase(60000));
    archives.check(local);
    archives.check(f.box.backups());
  }
  std::cout << "backup: " << killed << " of " << kKillPoints << " runs killed, full run " << fullMs << " ms, "
            << finalArchives(local).size() << " archives\n";
  EXPECT_GE(killed, kKillPoints - 1);
  // Every archive of the configured folder has its twin in the working
  // directory; a kill between the two copies leaves the local one alone.
  std::set<std::string> localNames;
  for (const auto& path : finalArchives(local)) localNames.insert(fs::path(path).filename().string());
  for (const auto& path : finalArchives(f.box.backups()))
    EXPECT_TRUE(localNames.count(fs::path(path).filename().string())) << path;
}

TEST(Interruption, KilledUpgradeLosesNothingAndRunsAgain) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 3000, .seedSql = {}});
  const std::string rows = invoiceRows(f.box);
  const std::string K = f.box.client();
  const std::string local = f.box.work() + "/数据备份";
  const std::string managerIni = K + "/server/conf/updateManager.ini";
  const std::string workingCopy = K + "/db_updating_T";

  std::string version = "3.0.0";
  makePackage(f.box, version);
  int status = 0;
  std::string output;
  // A run to the end is timed, and notes when the working copy takes the
  // place of the db folder, so that kills land around the swap. Every rerun
  // measures again: the kills follow the machine as its load changes.
  int fullMs = 0, swapAt = -1;
  const auto measuredRun = [&] {
    int seen = -1;
    const ino_t dbBefore = inodeOf(K + "/db");
    const int ms = runToEnd(f.box, "--upgrade", &status, &output, [&](int at) {
      if (seen < 0 && inodeOf(K + "/db") != dbBefore) seen = at;
    });
    if (status != 0) return;
    fullMs = ms;
    if (seen >= 0) swapAt = seen;
  };
  measuredRun();
  ASSERT_EQ(status, 0) << output;
  restartClientAndServer(f.box);
  ASSERT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), version + "\n");

  ArchiveWatch archives;
  // Spread over the whole run, then from the end of the working copy's
  // server to the copy made back after the swap.
  const auto delayOf = [&](int point) {
    if (point < kKillPoints) return killDelay(fullMs, point);
    // The run may end within a few milliseconds of the swap: no point after its end.
    const int last = std::min(swapAt + 100, fullMs - 10);
    return swapAt - 200 + (last - swapAt + 200) * (point - kKillPoints) / (kSwapPoints - 1);
  };
  const int points = kKillPoints + (swapAt >= 0 ? kSwapPoints : 0);
  int killed = 0, betweenRenames = 0, newDb = 0, disturbed = 0;
  for (int point = 0; point < points; ++point) {
    const int delay = delayOf(point);
    SCOPED_TRACE("upgrade killed after " + std::to_string(delay) + " ms of " + std::to_string(fullMs));
    const std::string previous = version;
    version = "3.1." + std::to_string(point);
    makePackage(f.box, version);
    const std::string oldService = readFile(f.box.serviceIni());
    const std::string oldManager = readFile(managerIni);
    const auto oldDb = fileSizes(f.box.client() + "/db");

    ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
    ForeignWatch foreign(f.box);
    killed += runAndKill(f.box.work(), "--upgrade", delay);

    // Configuration files: the old or the new one, whole.
    const std::string service = readFile(f.box.serviceIni());
    EXPECT_TRUE(service == oldService || service == withVersion(oldService, previous, version)) << service;
    ASSERT_TRUE(fs::exists(managerIni));
    const std::string manager = readFile(managerIni);
    EXPECT_TRUE(manager == oldManager || isUpdateManagerIniFor(manager, version)) << manager;
    archives.check(local);
    archives.check(f.box.backups());

    // The database: old or the complete new one under db; or, stopped
    // between the renames, the old one whole beside it and the new one
    // whole in the working copy, and the next run puts the old one back.
    const auto db = fileSizes(K + "/db");
    if (db.empty()) {
      ++betweenRenames;
      EXPECT_EQ(fileSizes(K + "/db_old_T"), oldDb);
      expectAllFiles(oldDb, fileSizes(workingCopy), "the working copy");
      stopServers(fs::path(K).parent_path().string());
      f.box.startClient();
      timedRun(f.box.work(), "--upgrade", &status, &output);
      EXPECT_NE(output.find(kNotRunning), std::string::npos) << output;
      EXPECT_EQ(fileSizes(K + "/db"), oldDb);
    } else if (db != oldDb) {
      ++newDb;
      expectAllFiles(oldDb, db, "the new db folder");
    }

    if (foreign.seen()) {
      // Another installation's server was about: what the database reads
      // say is not about this one. Bring this one up to date and go on.
      ++disturbed;
      std::cout << "kill point " << delay << " ms disturbed by another test's installation" << std::endl;
      restartClientAndServer(f.box);
      runToEnd(f.box, "--upgrade", &status, &output);
      restartClientAndServer(f.box);
      continue;
    }
    restartClientAndServer(f.box);
    EXPECT_EQ(invoiceRows(f.box), rows);
    const std::string dbVersion = f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx");
    EXPECT_TRUE(dbVersion == previous + "\n" || dbVersion == version + "\n") << dbVersion;

    measuredRun();
    restartClientAndServer(f.box);
    if (foreign.seen()) {
      ++disturbed;
      std::cout << "kill point " << delay << " ms: the rerun was disturbed by another test's installation" << std::endl;
      continue;
    }
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find(kUpgradeDone), std::string::npos) << output;
    EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), version + "\n");
    EXPECT_EQ(invoiceRows(f.box), rows);
    EXPECT_NE(readFile(f.box.serviceIni()).find("\r\nCurrentVersion=" + version + "\r\n"), std::string::npos);
  }
  std::cout << "upgrade: " << killed << " of " << points << " runs killed, full run " << fullMs
            << " ms, db swapped at " << swapAt << " ms; " << newDb << " kills left the new db, " << betweenRenames
            << " stopped between the renames, " << disturbed << " disturbed by other tests\n";
  EXPECT_GE(killed, points - 2);
  EXPECT_LE(disturbed, points / 2) << "too busy a machine to tell";
  EXPECT_GE(swapAt, 0) << "the measured run never swapped the db folder";
}

TEST(Interruption, SwapStoppedBetweenItsRenamesIsUndoneByTheNextRun) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 300, .seedSql = {}});
  const std::string K = f.box.client();
  const std::string rows = invoiceRows(f.box);
  int status = 0;
  std::string output;
  makePackage(f.box, "3.0.0");
  runToEnd(f.box, "--upgrade", &status, &output);
  ASSERT_EQ(status, 0) << output;
  // What a stop between the two renames leaves: no db, the old database
  // beside it, the updated one (here: the same) in the working copy.
  stopServers(fs::path(K).parent_path().string());
  const auto db = fileSizes(K + "/db");
  fs::rename(K + "/db", K + "/db_old_T");
  ASSERT_TRUE(fs::is_directory(K + "/db_updating_T/data"));
  f.box.startClient();

  makePackage(f.box, "3.0.1");
  timedRun(f.box.work(), "--upgrade", &status, &output);
  // The server could not start without its folder: the run ends as it does
  // when none runs, with the old database back in place.
  EXPECT_EQ(status, 2) << output;
  EXPECT_NE(output.find(kNotRunning), std::string::npos) << output;
  EXPECT_EQ(fileSizes(K + "/db"), db);
  EXPECT_FALSE(fs::exists(K + "/db_old_T"));
  restartClientAndServer(f.box);
  EXPECT_EQ(invoiceRows(f.box), rows);
  runToEnd(f.box, "--upgrade", &status, &output);
  EXPECT_EQ(status, 0) << output;
  restartClientAndServer(f.box);
  EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "3.0.1\n");
}

namespace {

std::vector<std::string> foldersNamed(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.is_directory() && e.path().filename().string().rfind(prefix, 0) == 0) found.push_back(e.path().string());
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

TEST(Interruption, KilledRestoreServesTheOldOrTheRestoredDataAndLosesNothing) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 3000, .seedSql = {}});
  const std::string backedUp = invoiceRows(f.box);
  const std::string local = f.box.work() + "/数据备份";
  const std::string db = f.box.client() + "/db";
  int status = 0;
  std::string output;
  runToEnd(f.box, "--backup", &status, &output);
  ASSERT_EQ(status, 0) << output;
  ASSERT_TRUE(waitForDatabase(60000));
  const auto made = finalArchives(local);
  ASSERT_EQ(made.size(), 1u);
  const std::vector<std::string> restore = {"--restore", made[0]};
  // The data as it is now differs from the backup's.
  const auto changeRows = [&] {
    f.box.sql("DELETE FROM ovex_znp.fp_kpxx WHERE ID > 1000");
    return invoiceRows(f.box);
  };
  const std::string changed = changeRows();

  // The measured run notes when the data directory is being swapped.
  int swapAt = -1;
  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  const int fullMs = timedRun(f.box.work(), restore, &status, &output, [&](int ms) {
    if (swapAt < 0 && !foldersNamed(db, "data_before_restore_").empty()) swapAt = ms;
  });
  ASSERT_EQ(status, 0) << output;
  ASSERT_GE(swapAt, 0);
  EXPECT_EQ(invoiceRows(f.box), backedUp);

  ArchiveWatch archives;
  std::vector<int> delays;
  for (int point = 0; point < kKillPoints / 2; ++point) delays.push_back(killDelay(fullMs, point) * 2);
  for (int k = 0; k < 3; ++k) delays.push_back(swapAt - 10 + 10 * k);
  int killed = 0, midSwap = 0;
  for (const int delay : delays) {
    SCOPED_TRACE("restore killed after " + std::to_string(delay) + " ms of " + std::to_string(fullMs));
    if (invoiceRows(f.box) == backedUp) changeRows();
    const size_t before = foldersNamed(db, "data_before_restore_").size();
    ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
    killed += runAndKill(f.box.work(), restore, delay);
    archives.check(local);
    archives.check(f.box.backups());

    // Every data directory that was moved aside is still there, whole.
    const auto aside = foldersNamed(db, "data_before_restore_");
    EXPECT_GE(aside.size(), before);
    for (const auto& folder : aside) EXPECT_EQ(fileNames(folder), fileNames(aside.front())) << folder;
    if (!fs::exists(f.box.dataDir())) {
      // Cut between the two renames: no server can start, and the next
      // restore, given the client folder, puts the data as it was back first.
      ++midSwap;
      ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
      timedRun(f.box.work(), {"--restore", made[0], f.box.client()}, &status, &output);
      EXPECT_EQ(status, 0) << output;
      EXPECT_NE(output.find("an interrupted restore had left no data directory: "), std::string::npos) << output;
    }
    restartClientAndServer(f.box);
    const std::string rows = invoiceRows(f.box);
    EXPECT_TRUE(rows == changed || rows == backedUp) << rows;
  }
  std::cout << "restore: " << killed << " of " << delays.size() << " runs killed, full run " << fullMs
            << " ms, swap at " << swapAt << " ms, " << midSwap << " cut between the renames\n";
  EXPECT_GE(killed, static_cast<int>(delays.size()) - 2);

  // And then it runs to its end.
  changeRows();
  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  timedRun(f.box.work(), restore, &status, &output);
  EXPECT_EQ(status, 0) << output;
  EXPECT_EQ(invoiceRows(f.box), backedUp);
  EXPECT_FALSE(fs::exists(db + "/data_restoring_T"));
}
