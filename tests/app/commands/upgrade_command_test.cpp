// The Upgrade command end to end: UpdateOvexZNP --upgrade in a sandbox
// client installation, with a package made by the test.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <map>
#include <regex>

#include "CommandRun.h"
#include "platform/CodePages.h"

namespace fs = std::filesystem;
using namespace commandtest;
using namespace testsupport;

namespace {

const char kConfirm[] = "点击[OK]开始升级，升级过程中花费几分钟，请耐心等待...";
const char kDone[] = "       升级完成            ";
const char kNotRunning[] = "检测到Parvia管理系统纳税人端未运行，请先运行....";
const char kBusy[] = "   正在处理中，请稍等.....";
// A run that would hang is ended, and then fails the case.
const char kBounded[] = "timeout 300";
// What the test package's scripts come to, in the order they run.
const std::vector<std::string> kScriptLines = {
    "1.sql: 1 statement, 0 rejected", "10.sql: 2 statements, 0 rejected",
    "2.sql: 3 statements, 1 rejected: Table 'ovex_znp.no_such_table' doesn't exist"};

std::vector<std::string> linesOfRun(std::vector<std::string> lines) {
  std::vector<std::string> out = {kConfirm};
  out.insert(out.end(), kScriptLines.begin(), kScriptLines.end());
  out.insert(out.end(), lines.begin(), lines.end());
  return out;
}

// manifest: a file to use as update.xml; options: further arguments of the
// package builder, already quoted.
void makePackage(const Sandbox& box, const std::string& version, const std::string& manifest = "",
                 const std::string& options = "") {
  const auto r = makeTestPackage(box.work() + "/update", version,
                                 (manifest.empty() ? "" : "--manifest " + shellQuote(manifest) + " ") + options);
  ASSERT_EQ(r.status, 0) << r.output;
}

// The client's files but the database's, with their content.
std::map<std::string, std::string> clientFiles(const Sandbox& box) {
  std::map<std::string, std::string> files;
  for (const auto& name : filesBelow(box.client()))
    if (name.rfind("db/", 0) != 0) files[name] = readFile(box.client() + "/" + name);
  return files;
}

std::string gbkText(const std::string& path) { return platform::ansiToUtf8(readFile(path)); }

}  // namespace

TEST(UpgradeCommand, AppliesEveryEntryRecordsTheVersionAndRestartsTheClient) {
  SandboxFixture f;
  writeFile(f.box.client() + "/server/lib/plain.txt", "old");
  writeFile(f.box.client() + "/server/lib/kept.txt", "kept");
  makePackage(f.box, "3.0.1");

  const ToolRun run = runTool(f.box.work(), "--upgrade");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.lines, linesOfRun({kDone}));
  // One plain progress line per step, and one per script.
  std::vector<std::string> steps;
  for (const auto& line : run.progress) steps.push_back(line.substr(0, line.find(": ", 10)));
  EXPECT_EQ(steps, (std::vector<std::string>{"progress: zipping the data directory", "progress: writing the backup archive",
                                             "progress: copying the database", "progress: running the scripts of db.zip",
                                             "progress: running the scripts of db.zip",
                                             "progress: running the scripts of db.zip"}));
  EXPECT_EQ(run.progress.back(), "progress: running the scripts of db.zip: 3 of 3, 2.sql");

  const std::string K = f.box.client();
  // Common files merged over the target, the old target copied aside.
  EXPECT_EQ(readFile(K + "/server/lib/发票.dll"), "new dll 3.0.1");
  EXPECT_EQ(readFile(K + "/server/lib/模板/增值税.xml"), "<t/>");
  EXPECT_EQ(readFile(K + "/server/lib/plain.txt"), "new");
  EXPECT_EQ(readFile(K + "/server/lib/kept.txt"), "kept");
  EXPECT_EQ(readFile(K + "/server/lib_bak_T/plain.txt"), "old");
  // The updater entry goes to updater/lib whatever its setUpPath says.
  EXPECT_EQ(readFile(K + "/updater/lib/updater.jar"), "updater 3.0.1");
  EXPECT_TRUE(fs::is_directory(K + "/updater/lib_bak_T"));
  EXPECT_FALSE(fs::exists(K + "/client/bin"));
  // updater/zip is a copy of update/.
  EXPECT_EQ(filesBelow(K + "/updater/zip"), filesBelow(f.box.work() + "/update"));

  // The configuration files, byte for byte.
  const std::string ini = gbkText(K + "/server/conf/updateManager.ini");
  EXPECT_TRUE(std::regex_match(ini, std::regex("#\\[Update Manager Config\\]\r\n#\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n"
                                               "updateStatus=\r\ndataFileName=\r\n"
                                               "zipFileName=\\\\u5347\\\\u7EA7\\\\u5305" "3\\.0\\.1\\.zip\r\n")))
      << ini;
  const std::string service = gbkText(f.box.serviceIni());
  EXPECT_NE(service.find("\r\nCurrentVersion=3.0.1\r\n"), std::string::npos) << service;
  EXPECT_EQ(service.find("CurrentVersion=2.1.0"), std::string::npos);

  // The client runs again from where it was.
  ASSERT_TRUE(waitUntil([&] { return !f.box.runningClient().empty(); }, 10000));
  EXPECT_EQ(f.box.runningClient(), f.box.clientExe());

  // The database changes are in the client's db folder: scripts ran in
  // name order, the rejected statement left no trace.
  EXPECT_FALSE(f.box.serverRunning());
  f.box.startServer();
  EXPECT_EQ(f.box.sql("SELECT name FROM ovex_znp.run_order ORDER BY seq"), "10.sql\n2.sql\n中文值\n");
  EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "3.0.1\n");

  // The backup made before the upgrade holds the old database.
  EXPECT_EQ(filesBelow(f.box.work() + "/数据备份").size(), 1u);
  EXPECT_EQ(filesBelow(f.box.backups()).size(), 1u);
}

TEST(UpgradeCommand, DamagedOrEscapingPackageIsReportedBeforeAnythingInTheClientChanges) {
  SandboxFixture f;
  writeFile(f.box.client() + "/server/lib/plain.txt", "old");
  const auto before = clientFiles(f.box);
  const std::string escaped = "ovex-escaped-" + std::to_string(getpid());
  struct Row {
    std::string options, problem;
  };
  const Row rows[] = {
      {"--crc-damage lib.zip:plain.txt", "lib.zip: entry \"plain.txt\": CRC mismatch: the data is damaged"},
      {"--set-up-path " + shellQuote("lib.zip=\\..\\..\\..\\..\\tmp\\" + escaped),
       "lib.zip: setUpPath \"\\..\\..\\..\\..\\tmp\\" + escaped + "\": has a \"..\" part"},
  };
  int run = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.options);
    if (run++ > 0) {  // the failed run left both stopped
      f.box.startServer();
      f.box.startClient();
    }
    fs::remove_all(f.box.work() + "/update");
    makePackage(f.box, "3.0.5", "", row.options);
    const ToolRun result = runTool(f.box.work(), "--upgrade");
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_EQ(result.lines, (std::vector<std::string>{
                                kConfirm, "The update package \"升级包3.0.5.zip\" cannot be applied; nothing in the client was changed:",
                                row.problem + "."}));
    EXPECT_EQ(clientFiles(f.box), before);
    EXPECT_FALSE(fs::exists("/tmp/" + escaped));
    EXPECT_FALSE(fs::exists(f.box.root() + "/tmp/" + escaped));
    // The backup made before stays.
    EXPECT_EQ(filesBelow(f.box.work() + "/数据备份").size(), static_cast<size_t>(run));
  }
  f.box.startServer();
  EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "2.1.0\n");
}

TEST(UpgradeCommand, BackupThatArchivesNothingStopsBeforeAnythingChanges) {
  SandboxFixture f;
  makePackage(f.box, "3.0.6");
  const auto before = clientFiles(f.box);
  const std::string data = f.box.dataDir();
  fs::rename(data, data + "-away");  // the server goes on with the files it has open
  fs::create_directory(data);
  const ToolRun run = runTool(f.box.work(), "--upgrade");
  fs::remove(data);
  fs::rename(data + "-away", data);
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("holds no file"), std::string::npos) << run.output;
  EXPECT_EQ(clientFiles(f.box), before);
  EXPECT_TRUE(filesBelow(f.box.work() + "/数据备份").empty());
  f.box.startServer();
  EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "2.1.0\n");
}

TEST(UpgradeCommand, NothingRunningOrNoServerEndsWithTheMessage) {
  SandboxFixture f;
  makePackage(f.box, "3.0.2");
  f.box.endServer();

  ToolRun run = runTool(f.box.work(), "--upgrade");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.lines, (std::vector<std::string>{kConfirm, kNotRunning}));
  // The client, stopped by then, stays stopped.
  EXPECT_TRUE(waitUntil([&] { return f.box.runningClient().empty(); }, 5000));

  run = runTool(f.box.work(), "--upgrade");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.lines, std::vector<std::string>{kNotRunning});
  EXPECT_FALSE(fs::exists(f.box.work() + "/数据备份"));
}

TEST(UpgradeCommand, EmptyUpdateFolderFailsOnTheManifestAfterTheBackup) {
  SandboxFixture f;
  fs::create_directories(f.box.work() + "/update/sub");
  writeFile(f.box.work() + "/update/.hidden.zip", "x");
  const ToolRun run = runTool(f.box.work(), "--upgrade");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("Line: 0"), std::string::npos) << run.output;
  EXPECT_EQ(filesBelow(f.box.work() + "/数据备份").size(), 1u);
}

TEST(UpgradeCommand, BrokenManifestReportsTheParserText) {
  SandboxFixture f;
  TempDir dir;
  writeFile(dir / "update.xml", "<update>\n<updateInfo><version>1</version>\n</update>\n");
  makePackage(f.box, "3.0.3", dir / "update.xml");
  const ToolRun run = runTool(f.box.work(), "--upgrade");
  EXPECT_EQ(run.status, 1);
  // Wine's MSXML reports every parse failure with the same placeholder
  // ("error", line 0); Windows and the Linux build name the line.
  const std::string where = windowsToolDriver() ? "\r\nLine: " : "\r\nLine: 3\r\n</update>";
  EXPECT_NE(run.output.find(where), std::string::npos) << run.output;
}

TEST(UpgradeCommand, MissingServiceIniStopsAfterUpdateManagerIni) {
  SandboxFixture f;
  makePackage(f.box, "3.0.4");
  fs::remove(f.box.serviceIni());
  const ToolRun run = runTool(f.box.work(), "--upgrade");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lines, linesOfRun({"File not found."}));
  EXPECT_TRUE(fs::exists(f.box.client() + "/server/conf/updateManager.ini"));
  EXPECT_FALSE(fs::exists(f.box.serviceIni()));
  EXPECT_EQ(f.box.runningClient(), "");  // not restarted
}

TEST(UpgradeCommand, LinkedFoldersLoseNothingAndPipesHangNothing) {
  // Wine shows a Unix link to a folder as a plain folder, so the Windows
  // build cannot tell it from one there (it does tell a Windows link).
  if (windowsToolDriver()) GTEST_SKIP() << "Wine shows Unix links as plain folders";
  SandboxFixture f;
  makePackage(f.box, "3.0.5");
  const std::string W = f.box.work(), K = f.box.client();
  // The folders the run deletes and makes afresh are links to folders elsewhere.
  TempDir elsewhere;
  const std::vector<std::string> linked = {W + "/tmp", W + "/bf", K + "/updater/zip", K + "/db_updating_T"};
  for (size_t i = 0; i < linked.size(); ++i) {
    writeFile(elsewhere / std::to_string(i) + "/keep.txt", "keep");
    fs::create_directories(fs::path(linked[i]).parent_path());
    fs::create_directory_symlink(elsewhere / std::to_string(i), linked[i]);
  }
  // Pipes that nobody writes to, one of them the last file of update/
  // (Windows has no pipes among its files: not for the Windows build).
  if (!f.box.windows()) {
    ASSERT_EQ(mkfifo((W + "/update/～last.pipe").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((f.box.dataDir() + "/pipe.fifo").c_str(), 0644), 0);
  }

  const ToolRun run = runTool(W, "--upgrade", kBounded);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.lines, linesOfRun({kDone}));
  for (size_t i = 0; i < linked.size(); ++i) {
    EXPECT_EQ(readFile(elsewhere / std::to_string(i) + "/keep.txt"), "keep") << linked[i];
    EXPECT_FALSE(fs::is_symlink(linked[i])) << linked[i];
  }
  EXPECT_TRUE(fs::exists(W + "/tmp/update.xml"));
  EXPECT_EQ(filesBelow(K + "/updater/zip"), filesBelow(W + "/update"));
  EXPECT_EQ(readFile(K + "/server/lib/发票.dll"), "new dll 3.0.5");
}

TEST(UpgradeCommand, DatabaseFolderThatIsALinkFailsTheBackupBeforeAnythingChanges) {
  SandboxFixture f({.version = "2.1.0", .invoiceRows = 0,
                    .seedSql = {"CREATE DATABASE moved CHARACTER SET gbk; CREATE TABLE moved.t (id INT) ENGINE=InnoDB;"
                                " INSERT INTO moved.t VALUES (7);"}});
  makePackage(f.box, "3.0.6");
  // The database "moved" lives on another disk, reached through a link.
  TempDir disk;
  f.box.endServer();
  fs::rename(f.box.dataDir() + "/moved", disk / "moved");
  fs::create_directory_symlink(disk / "moved", f.box.dataDir() + "/moved");
  f.box.startServer();
  ASSERT_EQ(f.box.sql("SELECT id FROM moved.t"), "7\n");
  const std::string service = readFile(f.box.serviceIni());
  const std::string reason = "moved\" is a link to a folder elsewhere; the backup cannot hold its files";

  ToolRun run = runTool(f.box.work(), "--backup");
  EXPECT_EQ(run.status, 2);
  expectBackupFailedBecause(run, reason);
  f.box.startServer();
  run = runTool(f.box.work(), "--upgrade");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(reason), std::string::npos) << run.output;
  EXPECT_TRUE(filesBelow(f.box.work() + "/数据备份").empty());
  EXPECT_TRUE(filesBelow(f.box.backups()).empty());
  EXPECT_EQ(readFile(f.box.serviceIni()), service);
  EXPECT_FALSE(fs::exists(f.box.client() + "/server/lib/发票.dll"));
  EXPECT_TRUE(fs::is_symlink(f.box.dataDir() + "/moved"));
  EXPECT_FALSE(filesBelow(disk / "moved").empty());

  // A link elsewhere in db (not backed up) stops the database entry before
  // its working copy is made. The failed run has ended the server.
  ASSERT_FALSE(f.box.serverRunning());
  fs::remove(f.box.dataDir() + "/moved");
  fs::rename(disk / "moved", f.box.dataDir() + "/moved");
  writeFile(disk / "share/errmsg.sys", "messages");
  fs::create_directory_symlink(disk / "share", f.box.client() + "/db/share");
  f.box.startServer();
  f.box.startClient();
  run = runTool(f.box.work(), "--upgrade");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("share\" is a link to a folder elsewhere; its working copy cannot hold its files"),
            std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(f.box.client() + "/db_updating_T"));
  EXPECT_TRUE(fs::is_symlink(f.box.client() + "/db/share"));
  EXPECT_EQ(readFile(disk / "share/errmsg.sys"), "messages");
}

TEST(UpgradeCommand, SecondCopyMeetsTheBusyMessageAndChangesNothing) {
  SandboxFixture f;
  makePackage(f.box, "3.0.7");
  auto first = std::async(std::launch::async, [&] { return runTool(f.box.work(), "--upgrade", kBounded); });
  // The client stopped: the first copy is in its run.
  ASSERT_TRUE(waitUntil([&] { return f.box.runningClient().empty(); }, 30000));
  const ToolRun second = runTool(f.box.work(), "--backup");
  EXPECT_EQ(second.status, 2);
  EXPECT_EQ(second.lines, std::vector<std::string>{kBusy});
  const ToolRun run = first.get();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.lines, linesOfRun({kDone}));
  EXPECT_EQ(filesBelow(f.box.work() + "/数据备份").size(), 1u);
  EXPECT_EQ(filesBelow(f.box.backups()).size(), 1u);
  f.box.startServer();
  EXPECT_EQ(f.box.sql("SELECT SJKBBH FROM ovex_znp.sys_rjbbxx"), "3.0.7\n");
}

TEST(UpgradeCommand, ControlCharactersInTheVersionOrPackageNameStopTheRunBeforeTheClientChanges) {
  SandboxFixture f;
  const std::string service = readFile(f.box.serviceIni());
  struct Row {
    std::string version, renamedTo, error;
  };
  std::vector<Row> rows = {{"3.0.8&#13;&#10;Port=1", "",
                            "The package's version \"3.0.8\\x0D\\x0APort=1\" holds a control character."}};
  if (!f.box.windows())  // no Windows file name holds one
    rows.push_back({"3.0.9", "升级包3.0.9\x1B.zip", "The package's file name \"升级包3.0.9\\x1B.zip\" holds a control character."});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.version);
    fs::remove_all(f.box.work() + "/update");
    makePackage(f.box, row.version);
    if (!row.renamedTo.empty())
      fs::rename(f.box.work() + "/update/升级包" + row.version + ".zip", f.box.work() + "/update/" + row.renamedTo);
    if (f.box.runningClient().empty()) f.box.startClient();
    if (!f.box.serverRunning()) f.box.startServer();
    const ToolRun run = runTool(f.box.work(), "--upgrade");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines, (std::vector<std::string>{kConfirm, row.error}));
    EXPECT_EQ(readFile(f.box.serviceIni()), service);
    EXPECT_FALSE(fs::exists(f.box.client() + "/server/conf/updateManager.ini"));
    EXPECT_FALSE(fs::exists(f.box.client() + "/server/lib/发票.dll"));
  }
}

TEST(UpgradeCommand, CheckShowsWhatTheUpgradeWouldDoAndChangesNothing) {
  SandboxFixture f;
  writeFile(f.box.client() + "/server/lib/plain.txt", "old");
  makePackage(f.box, "3.0.1");
  const auto before = clientFiles(f.box);
  const std::string K = f.box.forTool(f.box.client());

  const ToolRun run = runTool(f.box.work(), "--check");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.lines, (std::vector<std::string>{
                           "package: " + f.box.forTool(f.box.work()) + "\\update\\升级包3.0.1.zip",
                           "client: " + K,
                           "version: 2.1.0 -> 3.0.1",
                           "entry 1: lib.zip (files) -> " + K + "\\server\\lib",
                           "  add 发票.dll",
                           "  add 模板/增值税.xml",
                           "  replace plain.txt",
                           "entry 2: ovex-znp-updater-3.zip (updater files) -> " + K + "\\updater\\lib",
                           "  add updater.jar",
                           "entry 3: db.zip (database scripts) -> " + K + "\\db",
                           "  script 1: 1.sql, 1 statement",
                           "  script 2: 10.sql, 2 statements",
                           "  script 3: 2.sql, 3 statements",
                           "the package would apply",
                       }));
  // Nothing stopped, nothing written into the client, no scratch left.
  EXPECT_EQ(f.box.runningClient(), f.box.clientExe());
  EXPECT_TRUE(f.box.serverRunning());
  EXPECT_EQ(clientFiles(f.box), before);
  EXPECT_EQ(filesBelow(f.box.work()), std::vector<std::string>{"update/升级包3.0.1.zip"});

  // A package with a damaged entry archive, given by its path.
  makePackage(f.box, "3.0.2", "", "--crc-damage " + shellQuote("lib.zip:模板/增值税.xml"));
  const ToolRun damaged =
      runTool(f.box.work(), "--check " + shellQuote(f.box.forTool(f.box.work() + "/update/升级包3.0.2.zip")));
  EXPECT_EQ(damaged.status, 1) << damaged.output;
  EXPECT_NE(std::find(damaged.lines.begin(), damaged.lines.end(),
                      "problem: lib.zip: entry \"模板/增值税.xml\": CRC mismatch: the data is damaged"),
            damaged.lines.end())
      << damaged.output;
  EXPECT_EQ(damaged.lines.back(), "1 problem(s): the package would not apply");
  EXPECT_EQ(f.box.runningClient(), f.box.clientExe());
  EXPECT_EQ(clientFiles(f.box), before);

  // Not a package at all.
  writeFile(f.box.root() + "/notes.zip", "not an archive");
  const ToolRun none = runTool(f.box.work(), "--check " + shellQuote(f.box.forTool(f.box.root() + "/notes.zip")));
  EXPECT_EQ(none.status, 1) << none.output;
  EXPECT_EQ(clientFiles(f.box), before);
}
