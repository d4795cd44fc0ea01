// Files the tool cannot read or replace: an unreadable data file, client
// files and configuration that cannot be replaced (immutable), a package
// folder that cannot be read. Each ends as the tool's rules say, and
// nothing the client had is lost.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "CommandRun.h"
#include "Reliability.h"

namespace fs = std::filesystem;
using namespace commandtest;
using namespace reliability;
using namespace testsupport;

namespace {

const char kUpgradeDone[] = "       升级完成            ";
// Root reads and writes everything; without these capabilities the tool cannot.
const char kWithoutOverride[] =
    "setpriv --inh-caps=-dac_override,-dac_read_search --bounding-set=-dac_override,-dac_read_search";

bool canDropCapabilities() { return geteuid() == 0 && commandExists("setpriv"); }

void makeMutable(const std::string& path) { runCommand("chattr -i " + shellQuote(path)); }

}  // namespace

TEST(LockedFiles, UnreadableDataFileFailsTheUpgradeBeforeAnythingChanges) {
  if (!canDropCapabilities()) GTEST_SKIP() << "needs root and setpriv to drop capabilities";
  SandboxFixture f;
  makePackage(f.box, "3.0.1");
  const std::string locked = f.box.dataDir() + "/ovex_znp/locked.dat";
  writeFile(locked, "rows the backup must not lose");
  fs::permissions(locked, fs::perms::none);
  const std::string service = readFile(f.box.serviceIni());
  writeFile(f.box.client() + "/server/lib/plain.txt", "old");

  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  const ToolRun run = runTool(f.box.work(), "--upgrade", kWithoutOverride);
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find(locked), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find(kUpgradeDone), std::string::npos);
  EXPECT_TRUE(finalArchives(f.box.work() + "/数据备份").empty());
  EXPECT_TRUE(finalArchives(f.box.backups()).empty());
  EXPECT_EQ(readFile(f.box.serviceIni()), service);
  EXPECT_EQ(readFile(f.box.client() + "/server/lib/plain.txt"), "old");
  EXPECT_FALSE(fs::exists(f.box.client() + "/db_updating_T"));
}

TEST(LockedFiles, ImmutableClientFileIsKeptAndImmutableServiceIniStopsTheRun) {
  SandboxFixture f;
  makePackage(f.box, "3.0.1");
  const std::string K = f.box.client();
  writeFile(K + "/server/lib/plain.txt", "old");
  if (!makeImmutable(K + "/server/lib/plain.txt")) GTEST_SKIP() << "chattr +i is not supported here";
  ASSERT_TRUE(makeImmutable(f.box.serviceIni()));
  const std::string service = readFile(f.box.serviceIni());

  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  const ToolRun run = runTool(f.box.work(), "--upgrade");
  makeMutable(K + "/server/lib/plain.txt");
  makeMutable(f.box.serviceIni());
  // service.ini cannot be rewritten: the run ends with that error and the
  // file keeps its content.
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("Cannot create file \"" + K + "\\server\\conf\\service.ini\". "), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find(kUpgradeDone), std::string::npos);
  EXPECT_EQ(readFile(f.box.serviceIni()), service);
  // A client file that cannot be replaced is passed over; the other files
  // of the entry arrive.
  EXPECT_EQ(readFile(K + "/server/lib/plain.txt"), "old");
  EXPECT_TRUE(fs::exists(K + "/server/lib/发票.dll"));
  if (fs::exists(K + "/server/lib/发票.dll")) {
    EXPECT_EQ(readFile(K + "/server/lib/发票.dll"), "new dll 3.0.1");
  }
  // The database changes were made and the old database is in the backup.
  ASSERT_EQ(finalArchives(f.box.work() + "/数据备份").size(), 1u);
  EXPECT_EQ(archiveProblem(finalArchives(f.box.work() + "/数据备份")[0]), "");
}

TEST(LockedFiles, DatabaseFolderThatCannotTakeNewFilesIsReplacedWholeAndOneThatCannotMoveStays) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 500, .seedSql = {}});
  makePackage(f.box, "3.0.1");
  const std::string K = f.box.client();
  const std::string rows = f.box.sql("SELECT COUNT(*), SUM(ID) FROM ovex_znp.fp_kpxx");
  // No file can be added to or removed from the database's folder; the
  // package's scripts create a table there. The tool never writes into db,
  // so this does not stand in its way.
  const std::string tables = K + "/db/data/ovex_znp";
  if (!makeImmutable(tables)) GTEST_SKIP() << "chattr +i is not supported here";
  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  ToolRun run = runTool(f.box.work(), "--upgrade");
  makeMutable(K + "/db_old_T/data/ovex_znp");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find(kUpgradeDone), std::string::npos) << run.output;
  EXPECT_FALSE(fileNames(K + "/db/data/ovex_znp").empty());
  restartClientAndServer(f.box);
  EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "3.0.1\n");
  EXPECT_EQ(f.box.sql("SELECT COUNT(*), SUM(ID) FROM ovex_znp.fp_kpxx"), rows);

  // A db folder that cannot be moved (as when a program holds its files):
  // the run fails, db keeps the database it had, the working copy has the
  // updated one.
  makePackage(f.box, "3.0.2");
  const auto dbBefore = fileNames(K + "/db");
  ASSERT_TRUE(makeImmutable(K + "/db"));
  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  run = runTool(f.box.work(), "--upgrade");
  makeMutable(K + "/db");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("could not be moved aside; it keeps the old database"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find(kUpgradeDone), std::string::npos);
  EXPECT_EQ(fileNames(K + "/db"), dbBefore);
  EXPECT_FALSE(fileNames(K + "/db_updating_T/data/ovex_znp").empty());
  const auto archives = finalArchives(f.box.work() + "/数据备份");
  ASSERT_EQ(archives.size(), 2u);
  for (const auto& archive : archives) EXPECT_EQ(archiveProblem(archive), "") << archive;
  restartClientAndServer(f.box);
  EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "3.0.1\n");
}

TEST(LockedFiles, UnreadablePackageFolderFailsOnTheManifestAndChangesNothing) {
  if (!canDropCapabilities()) GTEST_SKIP() << "needs root and setpriv to drop capabilities";
  SandboxFixture f;
  makePackage(f.box, "3.0.1");
  fs::permissions(f.box.work() + "/update", fs::perms::none);
  const std::string service = readFile(f.box.serviceIni());

  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  const ToolRun run = runTool(f.box.work(), "--upgrade", kWithoutOverride);
  fs::permissions(f.box.work() + "/update", fs::perms::owner_all);
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("Line: 0"), std::string::npos) << run.output;
  EXPECT_EQ(readFile(f.box.serviceIni()), service);
  EXPECT_FALSE(fs::exists(f.box.client() + "/server/conf/updateManager.ini"));
  EXPECT_FALSE(fs::exists(f.box.client() + "/server/lib/发票.dll"));
  EXPECT_EQ(finalArchives(f.box.work() + "/数据备份").size(), 1u);
}
