// The Backup command end to end: UpdateOvexZNP --backup in a sandbox client
// installation with a real database server.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "CommandRun.h"
#include "MariaDbServer.h"
#include "platform/Files.h"
#include "util/TUpdateUtils.h"

namespace fs = std::filesystem;
using namespace commandtest;
using namespace testsupport;

namespace {

const char kDone[] = "            备份成功            ";
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

bool hasLine(const ToolRun& run, const std::string& line) {
  return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end();
}

// A line that begins with prefix, "" when there is none.
std::string lineStarting(const ToolRun& run, const std::string& prefix) {
  for (const auto& line : run.lines)
    if (line.rfind(prefix, 0) == 0) return line;
  return "";
}

// A damaged copy of a backup archive under its own name in folder (see damage_backup.py).
std::string damagedCopy(const std::string& archive, const std::string& folder, const std::string& mode) {
  const std::string script = std::string(OVEX_COMMAND_TEST_DIR) + "/damage_backup.py";
  const auto r = runCommand("python3 " + shellQuote(script) + " " + shellQuote(archive) + " " + shellQuote(folder) +
                            " " + mode);
  EXPECT_EQ(r.status, 0) << r.output;
  return folder + "/" + fs::path(archive).filename().string();
}

std::string invoiceRows(const Sandbox& box) { return box.sql("SELECT COUNT(*), SUM(id) FROM ovex_znp.fp_kpxx"); }

// The one backup archive that --backup has just made.
std::string freshBackup(const SandboxFixture& f) {
  const ToolRun run = runTool(f.box.work(), "--backup");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(waitForDatabase(30000));
  const auto local = archivesIn(f.box.work() + "/数据备份");
  EXPECT_EQ(local.size(), 1u);
  return local.empty() ? "" : f.box.work() + "/数据备份/" + local[0];
}

std::vector<std::string> foldersBeside(const std::string& dataDir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(dataDir).parent_path()))
    if (e.is_directory()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
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
  // Not a terminal: one plain progress line per step.
  ASSERT_FALSE(run.progress.empty());
  EXPECT_EQ(run.progress[0].rfind("progress: zipping the data directory: ", 0), 0u) << run.progress[0];

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

  // --verify finds it whole and says what it holds.
  const ToolRun verify = runTool(f.box.work(), "--verify " + shellQuote(f.box.forTool(localArchive)));
  EXPECT_EQ(verify.status, 0) << verify.output;
  EXPECT_TRUE(hasLine(verify, "version: 2.1.0")) << verify.output;
  EXPECT_EQ(lineStarting(verify, "made: ").size(), std::string("made: 2026-01-01 00:00:00").size()) << verify.output;
  EXPECT_NE(lineStarting(verify, "data: "), "") << verify.output;
  EXPECT_TRUE(hasLine(verify, "the archive is whole: cc matches data.zip, every entry reads completely"));
  EXPECT_FALSE(fs::exists(f.box.work() + "/verify_T"));
}

TEST(VerifyCommand, DamagedBackupIsRefusedWithTheReason) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 50, .seedSql = {}});
  const std::string archive = freshBackup(f);
  const std::string name = fs::path(archive).filename().string();
  struct Case {
    const char* mode;
    std::string problem;  // how the reason begins
  } cases[] = {
      {"md5", "problem: the MD5 of data.zip is "},
      {"crc", "problem: data.zip: entry \""},
      {"outer", "problem: entry \"data.zip\": "},
  };
  for (const Case& c : cases) {
    const std::string damaged = damagedCopy(archive, f.box.root() + "/damaged-" + c.mode, c.mode);
    const ToolRun run = runTool(f.box.work(), "--verify " + shellQuote(f.box.forTool(damaged)));
    EXPECT_EQ(run.status, 1) << c.mode << "\n" << run.output;
    EXPECT_NE(lineStarting(run, c.problem), "") << c.mode << "\n" << run.output;
  }
  // A backup under another name is no backup of this tool's.
  const std::string renamed = f.box.root() + "/backup.zip";
  fs::copy_file(archive, renamed);
  const ToolRun run = runTool(f.box.work(), "--verify " + shellQuote(f.box.forTool(renamed)));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(lineStarting(run, "problem: the name \"backup.zip\" is not that of a backup archive"), "") << run.output;
  EXPECT_EQ(runTool(f.box.work(), "--verify " + shellQuote(f.box.forTool(f.box.root() + "/none.zip"))).status, 1);
  EXPECT_EQ(archivesIn(f.box.work() + "/数据备份"), std::vector<std::string>{name});
}

TEST(RestoreCommand, BringsBackTheRowsOfTheBackupAndKeepsTheDataAsItWas) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 50, .seedSql = {}});
  const std::string rowsBackedUp = invoiceRows(f.box);
  const std::string archive = freshBackup(f);
  f.box.sql("DELETE FROM ovex_znp.fp_kpxx WHERE id > 20");
  const std::string rowsNow = invoiceRows(f.box);
  ASSERT_NE(rowsNow, rowsBackedUp);

  const ToolRun run = runTool(f.box.work(), "--restore " + shellQuote(f.box.forTool(archive)));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(hasLine(run, "the server serves the restored data, version 2.1.0")) << run.output;
  EXPECT_TRUE(std::any_of(run.progress.begin(), run.progress.end(),
                          [](const std::string& line) { return line.rfind("progress: unpacking the data: ", 0) == 0; }))
      << run.output;
  EXPECT_TRUE(f.box.serverRunning());
  EXPECT_EQ(invoiceRows(f.box), rowsBackedUp);

  // The data as it was stays beside, and was backed up first as --backup does.
  const auto folders = foldersBeside(f.box.dataDir());
  ASSERT_EQ(folders.size(), 3u) << testing::PrintToString(folders);  // bin, data, data_before_restore_<stamp>
  const std::string before = folders[2];
  EXPECT_EQ(before.rfind("data_before_restore_", 0), 0u) << before;
  EXPECT_EQ(before.size(), std::string("data_before_restore_").size() + 14);
  const std::string db = fs::path(f.box.dataDir()).parent_path().string();
  EXPECT_TRUE(hasLine(run, "the data from before the restore: " + f.box.forTool(db) + "/" + before)) << run.output;
  EXPECT_EQ(filesBelow(fs::path(f.box.dataDir()).parent_path() / before), filesBelow(f.box.dataDir()));
  EXPECT_EQ(archivesIn(f.box.work() + "/数据备份").size(), 2u);
  EXPECT_EQ(archivesIn(f.box.backups()).size(), 2u);
  EXPECT_FALSE(fs::exists(f.box.work() + "/restore_T"));

  // Restoring the backup made before the restore undoes it.
  const auto archives = archivesIn(f.box.work() + "/数据备份");
  const std::string undo = f.box.work() + "/数据备份/" + archives[1];
  ASSERT_EQ(runTool(f.box.work(), "--restore " + shellQuote(f.box.forTool(undo))).status, 0);
  EXPECT_EQ(invoiceRows(f.box), rowsNow);
}

TEST(RestoreCommand, DamagedArchiveOrFailedUnpackingLeavesTheDataAsItWasAndServed) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 50, .seedSql = {}});
  const std::string archive = freshBackup(f);
  f.box.sql("DELETE FROM ovex_znp.fp_kpxx WHERE id > 20");
  const std::string rowsNow = invoiceRows(f.box);
  const auto dataFiles = filesBelow(f.box.dataDir());

  // Refused by the check: nothing is stopped or written.
  const std::string damaged = damagedCopy(archive, f.box.root() + "/damaged", "md5");
  ToolRun run = runTool(f.box.work(), "--restore " + shellQuote(f.box.forTool(damaged)));
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(hasLine(run, "nothing was changed")) << run.output;
  EXPECT_EQ(archivesIn(f.box.work() + "/数据备份").size(), 1u);
  EXPECT_EQ(foldersBeside(f.box.dataDir()), (std::vector<std::string>{"bin", "data"}));
  EXPECT_TRUE(f.box.serverRunning());
  EXPECT_EQ(invoiceRows(f.box), rowsNow);

  // Whole by the check, but its unpacking fails part-way: the data as it was
  // is served again.
  const std::string clash = damagedCopy(archive, f.box.root() + "/clash", "clash");
  run = runTool(f.box.work(), "--restore " + shellQuote(f.box.forTool(clash)));
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("Nothing was restored; the server serves the data as it was"), std::string::npos)
      << run.output;
  EXPECT_EQ(foldersBeside(f.box.dataDir()), (std::vector<std::string>{"bin", "data"}));
  ASSERT_TRUE(waitForDatabase(30000));
  EXPECT_TRUE(f.box.serverRunning());
  EXPECT_EQ(invoiceRows(f.box), rowsNow);
  EXPECT_EQ(archivesIn(f.box.work() + "/数据备份").size(), 2u);  // the backup before the restore
}

TEST(RestoreCommand, WithNoServerRunningTakesTheClientFolder) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 50, .seedSql = {}});
  const std::string rowsBackedUp = invoiceRows(f.box);
  const std::string archive = freshBackup(f);
  f.box.sql("DELETE FROM ovex_znp.fp_kpxx");
  f.box.endServer();
  const std::string quoted = shellQuote(f.box.forTool(archive));

  ToolRun run = runTool(f.box.work(), "--restore " + quoted);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("give the client folder"), std::string::npos) << run.output;
  run = runTool(f.box.work(), "--restore " + quoted + " " + shellQuote(f.box.forTool(f.box.backups())));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("is no client folder"), std::string::npos) << run.output;
  EXPECT_EQ(foldersBeside(f.box.dataDir()), (std::vector<std::string>{"bin", "data"}));

  // As a restore cut off between its two renames leaves it: no data
  // directory, the data as it was and the restored data beside it.
  const std::string db = fs::path(f.box.dataDir()).parent_path().string();
  fs::rename(f.box.dataDir(), db + "/data_before_restore_20260101000000");
  fs::create_directory(db + "/data_restoring_T");
  run = runTool(f.box.work(), "--restore " + quoted + " " + shellQuote(f.box.forTool(f.box.client())));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(hasLine(run, "an interrupted restore had left no data directory: " + f.box.forTool(f.box.client()) +
                               "\\db/data_before_restore_20260101000000 is back in its place"))
      << run.output;
  EXPECT_TRUE(f.box.serverRunning());
  EXPECT_EQ(invoiceRows(f.box), rowsBackedUp);
  EXPECT_EQ(foldersBeside(f.box.dataDir()).size(), 3u);
  EXPECT_EQ(archivesIn(f.box.work() + "/数据备份").size(), 1u);  // no server: nothing to back up first
  EXPECT_EQ(lineStarting(run, "its backup: "), "");
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
  expectBackupFailedBecause(run, "Cannot create file");
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
  expectBackupFailedBecause(run, "locked.dat");
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
    expectBackupFailedBecause(run, "data");
    EXPECT_TRUE(archivesIn(f.box.work() + "/数据备份").empty());
    EXPECT_TRUE(archivesIn(f.box.backups()).empty());
    fs::remove_all(data);
    fs::rename(away, data);
    f.box.startServer();
  }
}
