// Backups and an upgrade on a small file system (tmpfs with a size limit)
// that runs out of space part-way: a clear failure, no partial archive
// under a final name, and the existing archives and the client's files as
// they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "CommandRun.h"
#include "Reliability.h"

namespace fs = std::filesystem;
using namespace commandtest;
using namespace reliability;
using namespace testsupport;

namespace {

const char kUpgradeDone[] = "       升级完成            ";
const char kNoMount[] = "mounting a tmpfs is not permitted here (needs root)";

long long totalSize(const std::string& folder) {
  long long sum = 0;
  for (const auto& [name, size] : fileSizes(folder)) sum += size;
  return sum;
}

std::string invoiceRows(const Sandbox& box) { return box.sql("SELECT COUNT(*), SUM(ID) FROM ovex_znp.fp_kpxx"); }

}  // namespace

TEST(FullDisk, BackupThatRunsOutOfSpaceLeavesTheExistingArchivesAlone) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 3000, .seedSql = {}});
  const std::string rows = invoiceRows(f.box);
  // One backup on the ordinary disk gives the size of an archive.
  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  ASSERT_EQ(runTool(f.box.work(), "--backup").status, 0);
  ASSERT_TRUE(waitForDatabase(60000));
  const auto made = finalArchives(f.box.work() + "/数据备份");
  ASSERT_EQ(made.size(), 1u);
  const long long archiveSize = static_cast<long long>(fs::file_size(made[0]));

  TempDir scratch;
  // Room for an earlier archive and the staged data.zip, not for the new archive.
  SmallDisk disk(scratch / "work", archiveSize * 2 + archiveSize / 2);
  if (!disk.mounted()) GTEST_SKIP() << kNoMount;
  const std::string earlier = disk.path() + "/数据备份/" + fs::path(made[0]).filename().string();
  fs::create_directories(disk.path() + "/数据备份");
  fs::copy_file(made[0], earlier);
  fs::remove(made[0]);
  const std::string earlierMd5 = md5OfFile(earlier);
  const auto dataBefore = fileNames(f.box.dataDir());

  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  ToolRun run = runTool(disk.path(), "--backup");
  EXPECT_EQ(run.status, 2) << run.output;
  expectBackupFailedBecause(run, "磁盘已满");
  EXPECT_EQ(finalArchives(disk.path() + "/数据备份"), std::vector<std::string>{earlier});
  EXPECT_EQ(md5OfFile(earlier), earlierMd5);
  EXPECT_EQ(finalArchives(f.box.backups()).size(), 1u);  // the first backup's copy only
  EXPECT_EQ(fileNames(f.box.dataDir()), dataBefore);

  // Too small even for the staged data.zip.
  restartClientAndServer(f.box);
  SmallDisk tiny(scratch / "tiny", archiveSize / 2);
  ASSERT_TRUE(tiny.mounted());
  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  run = runTool(tiny.path(), "--backup");
  expectBackupFailedBecause(run, "磁盘已满");
  EXPECT_TRUE(finalArchives(tiny.path() + "/数据备份").empty());

  // The configured folder is the full one: the local archive is whole, the
  // second copy fails without leaving a partial one.
  restartClientAndServer(f.box);
  SmallDisk configured(scratch / "configured", archiveSize / 2);
  ASSERT_TRUE(configured.mounted());
  f.box.sql("UPDATE ovex_znp.sys_sjbf_pz SET BF_PATH = '" + configured.path() + "'");
  ASSERT_TRUE(waitUntilSoleInstallation(f.box)) << "another test's client or server stays";
  run = runTool(f.box.work(), "--backup");
  expectBackupFailedBecause(run, "Cannot create file");
  EXPECT_TRUE(finalArchives(configured.path()).empty());
  const auto local = finalArchives(f.box.work() + "/数据备份");
  ASSERT_EQ(local.size(), 1u);
  EXPECT_EQ(archiveProblem(local[0]), "");

  restartClientAndServer(f.box);
  EXPECT_EQ(invoiceRows(f.box), rows);
}

TEST(FullDisk, UpgradeThatCannotCopyTheDatabaseFailsAndKeepsIt) {
  TempDir scratch;
  SmallDisk disk(scratch / "disk", 400ll << 20);
  if (!disk.mounted()) GTEST_SKIP() << kNoMount;
  const std::string root = disk.path() + "/sandbox";
  struct Cleanup {
    std::string root;
    ~Cleanup() { Sandbox::destroy(root); }
  } cleanup{root};
  Sandbox box = Sandbox::create(root, {.version = "2.1.0", .invoiceRows = 3000, .seedSql = {}});
  const std::string rows = invoiceRows(box);
  // The tool works from the ordinary disk; only the client's disk is small.
  const std::string work = scratch / "work";
  makePackageIn(work + "/update", "3.0.1");
  const std::string service = readFile(box.serviceIni());
  const auto dbNames = fileNames(box.client() + "/db");
  // Room for about half a copy of the db folder.
  ASSERT_TRUE(disk.resize(disk.used() + totalSize(box.client() + "/db") / 2));

  ASSERT_TRUE(waitUntilSoleInstallation(box)) << "another test's client or server stays";
  const ToolRun run = runTool(work, "--upgrade");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_EQ(run.output.find(kUpgradeDone), std::string::npos) << run.output;
  EXPECT_EQ(readFile(box.serviceIni()), service);
  EXPECT_FALSE(fs::exists(box.client() + "/server/conf/updateManager.ini"));
  EXPECT_EQ(fileNames(box.client() + "/db"), dbNames);
  const auto archives = finalArchives(work + "/数据备份");
  ASSERT_EQ(archives.size(), 1u);
  EXPECT_EQ(archiveProblem(archives[0]), "");

  ASSERT_TRUE(disk.resize(400ll << 20));
  restartClientAndServer(box);
  EXPECT_EQ(invoiceRows(box), rows);
  EXPECT_EQ(box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "2.1.0\n");
}
