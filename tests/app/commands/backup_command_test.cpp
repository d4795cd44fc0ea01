// The Backup command end to end: UpdateOvexZNP --backup in a sandbox client
// installation with a real database server.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "CommandRun.h"
#include "MariaDbServer.h"
#include "platform/Platform.h"
#include "util/TUpdateUtils.h"

namespace fs = std::filesystem;
using namespace commandtest;
using namespace testsupport;

namespace {

const char kDone[] = "            备份成功            ";
const char kFailed[] = "备份失败，请重试....";
const char kNotRunning[] = "检测到Parvia管理系统纳税人端未运行，请先运行....";

std::string sqlEscaped(std::string text) {
  for (size_t i = 0; (i = text.find('\\', i)) != std::string::npos; i += 2) text.insert(i, 1, '\\');
  return text;
}

std::vector<std::string> archivesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& f : filesBelow(folder))
    if (f.size() > 4 && f.substr(f.size() - 4) == ".zip") names.push_back(f);
  return names;
}

// Unpacks the backup archive and returns the folder holding cc and data.zip.
std::string unpackBackup(const std::string& archive, const std::string& into) {
  EXPECT_EQ(runCommand("unzip -q -o " + shellQuote(archive) + " -d " + shellQuote(into)).status, 0);
  return into;
}

}  // namespace

TEST(BackupCommand, WritesTwoIdenticalRestorableArchivesAndRestartsTheServer) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 50, .seedSql = {}});
  const std::string rowsBefore = f.box.sql("SELECT COUNT(*), SUM(id) FROM ovex_znp.fp_kpxx");

  const ToolRun run = runTool(f.box.work(), "--backup");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.lines, std::vector<std::string>{kDone});

  const auto local = archivesIn(f.box.work() + "/数据备份");
  ASSERT_EQ(local.size(), 1u);
  EXPECT_EQ(archivesIn(f.box.backups()), local);
  const std::string& name = local[0];
  EXPECT_EQ(name.rfind("ovex_znp_data_离线备份_2.1.0_", 0), 0u) << name;
  EXPECT_EQ(name.size(), std::string("ovex_znp_data_离线备份_2.1.0_").size() + 14 + 4);
  const std::string localArchive = f.box.work() + "/数据备份/" + name;
  EXPECT_EQ(md5OfFile(localArchive), md5OfFile(f.box.backups() + "/" + name));
  EXPECT_EQ(runCommand("unzip -tq " + shellQuote(localArchive)).status, 0);
  EXPECT_EQ(runCommand("unzip -Z1 " + shellQuote(localArchive) + " | sort").output, "cc\ndata.zip\n");
  EXPECT_EQ(filesBelow(f.box.work()).size(), 3u);  // bf/cc, bf/data.zip and the archive

  // The manifest names the version and the digest of the data.zip beside it.
  TempDir out;
  unpackBackup(localArchive, out.path());
  const std::string cc = readFile(out / "cc");
  const std::string md5 = md5OfFile(out / "data.zip");
  EXPECT_NE(cc.find("\r\n#created by updateOvexZnp\r\nDBVersion=2.1.0\r\nMD5=" + md5 + "\r\n"), std::string::npos) << cc;
  EXPECT_EQ(cc.rfind("#created time is ", 0), 0u);

  // The server runs again and serves the same rows.
  ASSERT_TRUE(waitForDatabase(30000));
  EXPECT_EQ(f.box.sql("SELECT COUNT(*), SUM(id) FROM ovex_znp.fp_kpxx"), rowsBefore);

  EXPECT_TRUE(f.box.serverRunning());

  // Restore proof: data.zip unpacked into a fresh folder and served gives the same rows.
  MariaDbServer restored(out / "restore", 53307);
  fs::remove_all(restored.dataDir());
  ASSERT_TRUE(TUpdateUtils::unzip(out / "data.zip", restored.dataDir()));
  restored.start();
  EXPECT_EQ(restored.sql("SELECT COUNT(*), SUM(id) FROM ovex_znp.fp_kpxx"), rowsBefore);
  EXPECT_EQ(restored.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "2.1.0\n");
}

TEST(BackupCommand, ServerNotRunningWritesNothing) {
  SandboxFixture f;
  f.box.endServer();
  const ToolRun run = runTool(f.box.work(), "--backup");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.lines, std::vector<std::string>{kNotRunning});
  EXPECT_TRUE(filesBelow(f.box.work()).empty());
}

TEST(BackupCommand, MissingConfiguredFolderFailsAfterTheLocalArchiveAndLeavesServerStopped) {
  SandboxFixture f;
  f.box.sql("UPDATE ovex_znp.sys_sjbf_pz SET BF_PATH = '" + sqlEscaped(f.box.forTool(f.box.backups() + "/missing")) + "'");
  const ToolRun run = runTool(f.box.work(), "--backup");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.lines, std::vector<std::string>{kFailed});
  EXPECT_EQ(archivesIn(f.box.work() + "/数据备份").size(), 1u);
  EXPECT_FALSE(fs::exists(f.box.backups() + "/missing"));
  EXPECT_FALSE(f.box.serverRunning());
}

TEST(BackupCommand, SecondBackupKeepsTheFirstAndUnusableConfiguredFolderSkipsTheSecondCopy) {
  SandboxFixture f;
  ASSERT_EQ(runTool(f.box.work(), "--backup").status, 0);
  ASSERT_TRUE(waitForDatabase(30000));
  fs::create_directories(f.box.work() + "/relative");
  const std::string kept = "; the backup is kept in 数据备份 only";
  // Neither the root of the drive nor a folder found from the working
  // folder gets the copy; the headless output says why.
  const std::string dotDot = f.box.forTool(f.box.backups() + "/../backups");
  const std::string notAbsolute = "\" is not an absolute path without \"..\"" + kept;
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"UPDATE ovex_znp.sys_sjbf_pz SET BF_PATH = 'relative'", "The configured backup folder \"relative" + notAbsolute},
      {"UPDATE ovex_znp.sys_sjbf_pz SET BF_PATH = '../../../..'", "The configured backup folder \"../../../.." + notAbsolute},
      {"UPDATE ovex_znp.sys_sjbf_pz SET BF_PATH = '" + sqlEscaped(dotDot) + "'",
       "The configured backup folder \"" + dotDot + notAbsolute},
      {"DELETE FROM ovex_znp.sys_sjbf_pz", "No backup folder is configured" + kept},
  };

  size_t local = 1;
  for (const auto& [statement, note] : rows) {
    SCOPED_TRACE(statement);
    f.box.sql(statement);
    const ToolRun run = runTool(f.box.work(), "--backup");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.lines, (std::vector<std::string>{note, kDone}));
    EXPECT_EQ(archivesIn(f.box.work() + "/数据备份").size(), ++local);
    ASSERT_TRUE(waitForDatabase(30000));
  }
  EXPECT_EQ(archivesIn(f.box.backups()).size(), 1u);
  EXPECT_TRUE(archivesIn(f.box.work() + "/relative").empty());
  for (const auto& name : archivesIn(f.box.work() + "/数据备份"))
    EXPECT_FALSE(fs::exists(f.box.driveRoot() + "/" + name)) << name;
}

TEST(BackupCommand, UnreadableDataFileFailsTheBackup) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to drop capabilities";
  if (windowsToolDriver()) GTEST_SKIP() << "Wine run as root reads files that its user may not";
  if (!commandExists("setpriv")) GTEST_SKIP() << "setpriv is missing";
  SandboxFixture f;
  const std::string locked = f.box.dataDir() + "/ovex_znp/locked.dat";
  writeFile(locked, "rows the backup must not lose");
  fs::permissions(locked, fs::perms::none);
  // Root reads everything; without these capabilities the tool cannot.
  const ToolRun run = runTool(f.box.work(), "--backup",
                              "setpriv --inh-caps=-dac_override,-dac_read_search "
                              "--bounding-set=-dac_override,-dac_read_search");
  EXPECT_EQ(run.lines, std::vector<std::string>{kFailed}) << run.output;
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(archivesIn(f.box.work() + "/数据备份").empty());
  EXPECT_TRUE(archivesIn(f.box.backups()).empty());
}

TEST(BackupCommand, MissingOrEmptyDataDirectoryFailsTheBackup) {
  SandboxFixture f;
  const std::string data = f.box.dataDir(), away = data + "-away";
  for (const bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "empty" : "missing");
    fs::rename(data, away);  // the server goes on with the files it has open
    if (empty) fs::create_directory(data);
    const ToolRun run = runTool(f.box.work(), "--backup");
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_EQ(run.lines, std::vector<std::string>{kFailed});
    EXPECT_TRUE(archivesIn(f.box.work() + "/数据备份").empty());
    EXPECT_TRUE(archivesIn(f.box.backups()).empty());
    fs::remove_all(data);
    fs::rename(away, data);
    f.box.startServer();
  }
}
