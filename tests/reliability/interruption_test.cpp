// The tool killed (SIGKILL) at many moments of a backup and of an upgrade
// in a sandbox client installation. After every kill: no incomplete archive
// under a final name, configuration files old or new and whole, the
// database old, new, or (mid-replacement) whole in the working copy with a
// backup beside it; and the command run again succeeds.
#include <gtest/gtest.h>

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
constexpr int kReplacementPoints = 6;
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
  // The measured run also notes when the db folder is being replaced (its
  // server program is missing), so that further kills land in that step.
  int replaceFrom = -1, replaceTo = -1;
  const std::string dbServer = K + "/db/bin/ovexsqld.exe";
  const int fullMs = runToEnd(f.box, "--upgrade", &status, &output, [&](int ms) {
    const bool present = fs::exists(dbServer);
    if (!present && replaceFrom < 0) replaceFrom = ms;
    if (present && replaceFrom >= 0 && replaceTo < 0) replaceTo = ms;
  });
  ASSERT_EQ(status, 0) << output;
  restartClientAndServer(f.box);
  ASSERT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), version + "\n");

  ArchiveWatch archives;
  std::vector<int> delays;
  for (int point = 0; point < kKillPoints; ++point) delays.push_back(killDelay(fullMs, point));
  if (replaceFrom >= 0) {
    if (replaceTo < replaceFrom) replaceTo = replaceFrom + 100;
    for (int k = 0; k < kReplacementPoints; ++k)
      delays.push_back(replaceFrom - 40 + (replaceTo - replaceFrom + 80) * k / (kReplacementPoints - 1));
  }
  int killed = 0, midReplacement = 0, newDb = 0, disturbed = 0;
  for (size_t point = 0; point < delays.size(); ++point) {
    const int delay = delays[point];
    SCOPED_TRACE("upgrade killed after " + std::to_string(delay) + " ms of " + std::to_string(fullMs));
    const std::string previous = version;
    version = "3.1." + std::to_string(point);
    makePackage(f.box, version);
    const std::string oldService = readFile(f.box.serviceIni());
    const std::string oldManager = readFile(managerIni);
    const size_t archivesBefore = finalArchives(local).size();
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

    // The database: old, the complete new one, or being replaced with the
    // whole working copy and the backup of the old one beside it.
    const auto db = fileSizes(K + "/db");
    const auto copy = fileSizes(workingCopy);
    if (db != oldDb && db != copy) {
      ++midReplacement;
      for (const auto& [name, size] : oldDb) EXPECT_TRUE(copy.count(name)) << name << " missing in the working copy";
      EXPECT_GT(finalArchives(local).size(), archivesBefore);
      // The operator puts the working copy in place of db.
      fs::remove_all(K + "/db");
      fs::copy(workingCopy, K + "/db", fs::copy_options::recursive);
    } else if (db != oldDb) {
      ++newDb;
    }

    if (foreign.seen()) {
      // Another installation's server was about: what the database reads
      // say is not about this one. Bring this one up to date and go on.
      ++disturbed;
      std::cout << "kill point " << delay << " ms disturbed by another test's installation\n";
      restartClientAndServer(f.box);
      runToEnd(f.box, "--upgrade", &status, &output);
      restartClientAndServer(f.box);
      continue;
    }
    restartClientAndServer(f.box);
    EXPECT_EQ(invoiceRows(f.box), rows);
    const std::string dbVersion = f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx");
    EXPECT_TRUE(dbVersion == previous + "\n" || dbVersion == version + "\n") << dbVersion;

    runToEnd(f.box, "--upgrade", &status, &output);
    restartClientAndServer(f.box);
    if (foreign.seen()) {
      ++disturbed;
      std::cout << "kill point " << delay << " ms: the rerun was disturbed by another test's installation\n";
      continue;
    }
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find(kUpgradeDone), std::string::npos) << output;
    EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), version + "\n");
    EXPECT_EQ(invoiceRows(f.box), rows);
    EXPECT_NE(readFile(f.box.serviceIni()).find("\r\nCurrentVersion=" + version + "\r\n"), std::string::npos);
  }
  std::cout << "upgrade: " << killed << " of " << delays.size() << " runs killed, full run " << fullMs
            << " ms, db replaced from " << replaceFrom << " to " << replaceTo << " ms; " << midReplacement
            << " kills during the db replacement, " << newDb << " after it, " << disturbed
            << " disturbed by other tests\n";
  EXPECT_GE(killed, static_cast<int>(delays.size()) - 2);
  EXPECT_LE(disturbed, static_cast<int>(delays.size()) / 2) << "too busy a machine to tell";
  EXPECT_GE(replaceFrom, 0) << "the measured run never replaced the db folder";
}
