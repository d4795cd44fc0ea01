// The database update on a sandbox client with the server stand-in: the
// scripts run against the working copy, which then replaces db.
#include <algorithm>
#include <chrono>

#include "MariaDbServer.h"
#include "OpsFixture.h"
#include "Sandbox.h"
#include "base/OvexError.h"
#include "platform/CodePages.h"
#include "platform/Processes.h"
#include "util/TUpdateUtils.h"

namespace ops_test {
namespace {

using testsupport::Sandbox;

const std::string kHan = "\xE4\xB8\xAD\xE6\x96\x87\xE5\x96\x86";  // 中文喆, 喆 only in GBK

std::string insert(const std::string& name) {
  return platform::utf8ToAnsi("INSERT INTO runlog(name) VALUES ('" + name + "');\r\n");
}

bool serverDown() {
  return TUpdateUtils::findProcess("ovexsqld.exe") < 0 && !testsupport::MariaDbServer::acceptsConnections();
}

// Ends the sandbox's own server only, leaving servers of other runs alone.
void endServerBelow(const std::string& root) {
  for (const platform::ProcessEntry& p : platform::listProcesses()) {
    if (p.name != "ovexsqld.exe") continue;
    const auto path = platform::processPath(static_cast<std::int32_t>(p.pid));
    if (path && path->rfind(root + "/", 0) == 0) platform::terminateProcess(p.pid);
  }
}

class DbUpdateTest : public ::testing::Test {
 protected:
  testsupport::TempDir tmp;
  std::string rootDir = tmp / "sb";
  std::unique_ptr<Sandbox> box;
  std::unique_ptr<CurrentDirectory> cwd;

  void SetUp() override {
    testsupport::SandboxOptions options;
    options.seedSql = {"CREATE TABLE runlog (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(40))"
                       " ENGINE=InnoDB DEFAULT CHARSET=gbk"};
    box = std::make_unique<Sandbox>(Sandbox::create(rootDir, options));
    // The update runs with the client's server already ended.
    endServerBelow(rootDir);
    ASSERT_TRUE(testsupport::waitUntil(serverDown, 60000));
    fs::create_directories(box->work() + "/tmp");
    cwd = std::make_unique<CurrentDirectory>(box->work());
  }
  void TearDown() override {
    cwd.reset();
    testsupport::runCommand("chattr -R -i " + testsupport::shellQuote(rootDir) + " 2>/dev/null");
    Sandbox::destroy(rootDir);
  }

  void package(const std::string& name, const Files& files) { makeZip(box->work() + "/tmp/" + name, files); }
  std::string client(const std::string& rel) const { return box->client() + "/" + rel; }
  // Starts the client's own server again and reads the run log.
  std::string runlogAfterRestart() {
    TUpdateUtils::startExeProcess(box->serverExe());
    if (!testsupport::waitForDatabase(60000)) return "server did not start";
    return box->sql("SELECT name FROM ovex_znp.runlog ORDER BY id");
  }
};

TEST_F(DbUpdateTest, ScriptsRunInOrderAndTheCopyReplacesDb) {
  package("db-2.1.1.zip", {{"1.sql", insert("1.sql")},
                           {"10.sql", insert("10.sql") + "INSERT INTO no_such_table VALUES (1);\r\n" + insert("10b")},
                           {"2.sql", insert("2.sql")},
                           {"a.sql", "-- a comment\r\n" + insert("a.sql")},
                           {"B.sql", insert("B.sql")},
                           {"c.sql", insert(kHan)},
                           {"readme.txt", insert("readme.txt")},
                           {".hidden.sql", insert("hidden")},
                           {"sub/3.sql", insert("sub")}});
  // A working copy left by an earlier update is emptied first.
  testsupport::writeFile(client("db_updating_T/stale.txt"), "old");
  testsupport::writeFile(client("db_updating_T/data/stale/x"), "old");

  TupdateOp::updateOp(entry("db-2.1.1.zip", "1", "\\db"), box->client());

  EXPECT_LT(TUpdateUtils::findProcess("ovexsqld.exe"), 0) << "the working copy's server is ended";
  EXPECT_FALSE(exists(client("db_updating_T/stale.txt")));
  EXPECT_FALSE(exists(client("db/stale.txt")));
  EXPECT_FALSE(exists(client("db/data/stale")));
  EXPECT_TRUE(fs::is_regular_file(client("db_updating_T/bin/ovexsqld.exe")));
  EXPECT_EQ(runlogAfterRestart(), "1.sql\n10.sql\n10b\n2.sql\na.sql\nB.sql\n" + kHan + "\nreadme.txt\n");
}

TEST_F(DbUpdateTest, EntryWithoutScriptsStillReplacesDbByItsCopy) {
  package("empty.zip", {});
  testsupport::writeFile(client("db/marker.txt"), "m");
  TupdateOp::updateDbFile(entry("empty.zip", "1", ""), box->client());
  EXPECT_EQ(testsupport::readFile(client("db/marker.txt")), "m");
  EXPECT_EQ(testsupport::readFile(client("db_updating_T/marker.txt")), "m");
  EXPECT_LT(TUpdateUtils::findProcess("ovexsqld.exe"), 0);
  EXPECT_EQ(runlogAfterRestart(), "");
}

TEST_F(DbUpdateTest, ServerThatIsLateToListenIsWaitedFor) {
  // The copy's server takes four seconds before it even starts.
  fs::rename(client("db/bin/ovexsqld.exe"), client("db/bin/ovexsqld-real"));
  fs::copy_file(SLOW_SERVER_LAUNCHER, client("db/bin/ovexsqld.exe"));
  package("late.zip", {{"1.sql", insert("late")}});
  TupdateOp::updateDbFile(entry("late.zip", "1", ""), box->client());
  EXPECT_EQ(runlogAfterRestart(), "late\n");
}

TEST_F(DbUpdateTest, DbFolderThatCannotBeMovedKeepsTheOldDatabase) {
  // A db folder that may not be renamed stands for one whose files another
  // program holds open.
  if (!testsupport::makeImmutable(client("db"))) GTEST_SKIP() << "no immutable flag on this file system";
  package("new-table.zip", {{"1.sql", "CREATE TABLE newtab (id INT) ENGINE=InnoDB;\r\n"}});
  try {
    TupdateOp::updateDbFile(entry("new-table.zip", "1", ""), box->client());
    ADD_FAILURE() << "a db folder that was not replaced must be reported";
  } catch (const OvexError& e) {
    EXPECT_NE(std::string(e.what()).find("could not be moved aside; it keeps the old database"), std::string::npos)
        << e.what();
  }
  testsupport::runCommand("chattr -i " + testsupport::shellQuote(client("db")));
  EXPECT_LT(TUpdateUtils::findProcess("ovexsqld.exe"), 0);
  EXPECT_FALSE(exists(client("db/data/ovex_znp/newtab.frm")));
  EXPECT_TRUE(exists(client("db_updating_T/data/ovex_znp/newtab.frm")));
  EXPECT_FALSE(exists(client("db_old_T")));
}

TEST_F(DbUpdateTest, FolderInsideDbThatCannotChangeNoLongerMatters) {
  // Nothing is written into db: it is renamed aside whole. Its old copy
  // cannot be deleted then, and the next update says so before any script.
  const std::string held = client("db/data/ovex_znp");
  if (!testsupport::makeImmutable(held)) GTEST_SKIP() << "no immutable flag on this file system";
  package("new-table.zip", {{"1.sql", "CREATE TABLE newtab (id INT) ENGINE=InnoDB;\r\n"}});
  TupdateOp::updateDbFile(entry("new-table.zip", "1", ""), box->client());
  EXPECT_TRUE(exists(client("db/data/ovex_znp/newtab.frm")));
  EXPECT_TRUE(exists(client("db_updating_T/data/ovex_znp/newtab.frm")));
  ASSERT_TRUE(exists(client("db_old_T/data/ovex_znp")));
  try {
    TupdateOp::updateDbFile(entry("new-table.zip", "1", ""), box->client());
    ADD_FAILURE() << "a leftover that cannot go must be reported";
  } catch (const OvexError& e) {
    EXPECT_EQ(std::string(e.what()), "The folder \"" + box->client() + "/db_old_T\" left by an earlier update "
                                     "cannot be removed; the database folder was not replaced");
  }
  testsupport::runCommand("chattr -i " + testsupport::shellQuote(client("db_old_T/data/ovex_znp")));
  EXPECT_LT(TUpdateUtils::findProcess("ovexsqld.exe"), 0);
  EXPECT_TRUE(exists(client("db/data/ovex_znp/newtab.frm")));
}

TEST_F(DbUpdateTest, WorkingCopyFileOfTheSameSizeThatCannotBeReplacedIsReported) {
  // Left from an earlier update, same size as the database's file, older,
  // and impossible to delete or replace.
  const std::string name = "data/ovex_znp/db.opt";
  const std::string stale = client("db_updating_T/" + name);
  testsupport::writeFile(stale, std::string(fs::file_size(client("db/" + name)), 'x'));
  fs::last_write_time(stale, fs::last_write_time(client("db/" + name)) - std::chrono::hours(24));
  if (!testsupport::makeImmutable(stale)) GTEST_SKIP() << "no immutable flag on this file system";
  package("x.zip", {{"1.sql", insert("x")}});
  try {
    TupdateOp::updateDbFile(entry("x.zip", "1", ""), box->client());
    ADD_FAILURE() << "a working copy with an old file must not replace db";
  } catch (const OvexError& e) {
    EXPECT_EQ(std::string(e.what()), "The working copy of the database is not complete: \"" + client("db/" + name) +
                                         "\" could not be copied to \"" + client("db_updating_T/" + name) + "\"");
  }
  testsupport::runCommand("chattr -i " + testsupport::shellQuote(stale));
  EXPECT_LT(TUpdateUtils::findProcess("ovexsqld.exe"), 0);
  EXPECT_EQ(runlogAfterRestart(), "");
}

TEST_F(DbUpdateTest, ServerIsEndedWhenAScriptFailsAndAnotherServerIsRefused) {
  // A script whose name no path may hold fails after the first has run.
  package("bad-name.zip", {{"1.sql", insert("first")}, {"2|.sql", insert("second")}});
  EXPECT_THROW(TupdateOp::updateDbFile(entry("bad-name.zip", "1", ""), box->client()), OvexError);
  EXPECT_LT(TUpdateUtils::findProcess("ovexsqld.exe"), 0) << "the working copy's server outlived the failure";
  EXPECT_TRUE(testsupport::waitUntil(serverDown, 10000));

  // Another server holds the port: the copy's own cannot listen, and the
  // one that answers serves other data.
  testsupport::MariaDbServer other(tmp / "other");
  other.start();
  package("x.zip", {{"1.sql", "CREATE TABLE runlog (id INT);\r\n" + insert("x")}});
  try {
    TupdateOp::updateDbFile(entry("x.zip", "1", ""), box->client());
    ADD_FAILURE() << "scripts must not go to another server";
  } catch (const OvexError& e) {
    EXPECT_NE(std::string(e.what()).find("serves \"" + fs::canonical(other.dataDir()).string()), std::string::npos)
        << e.what();
    EXPECT_NE(std::string(e.what()).find("not the working copy"), std::string::npos) << e.what();
  }
  EXPECT_EQ(other.sql("SHOW TABLES FROM ovex_znp LIKE 'runlog'"), "");
  other.stop();
  EXPECT_LT(TUpdateUtils::findProcess("ovexsqld.exe"), 0);
  EXPECT_EQ(runlogAfterRestart(), "") << "db keeps its old content";
}

TEST_F(DbUpdateTest, MissingDbFolderStopsBeforeAnyServerStarts) {
  fs::rename(client("db"), client("db-away"));
  package("x.zip", {{"1.sql", insert("x")}});
  try {
    TupdateOp::updateDbFile(entry("x.zip", "1", ""), box->client());
    ADD_FAILURE();
  } catch (const OvexError& e) {
    EXPECT_STREQ(e.what(), "The specified path was not found");
  }
  EXPECT_LT(TUpdateUtils::findProcess("ovexsqld.exe"), 0);
  EXPECT_FALSE(exists(client("db")));
  fs::rename(client("db-away"), client("db"));
}

}  // namespace
}  // namespace ops_test
