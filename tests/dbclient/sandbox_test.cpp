// The sandbox client installation that end-to-end runs and the demo use.
#include <gtest/gtest.h>

#include <filesystem>

#include "MariaDbServer.h"
#include "Sandbox.h"
#include "TestSupport.h"
#include "dbclient/TDbUtils.h"
#include "platform/Processes.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Other tests may run client stand-ins of the same names at the same time:
// look for the process by its path.
bool runningFrom(const std::string& exe) {
  for (const auto& entry : platform::listProcesses())
    if (platform::processPath(static_cast<std::int32_t>(entry.pid)) == exe) return true;
  return false;
}

struct DestroyOnExit {
  std::string root;
  ~DestroyOnExit() {
    try {
      Sandbox::destroy(root);
    } catch (...) {
    }
  }
};

}  // namespace

TEST(Sandbox, RunsAClientAndItsSeededServerAndTearsThemDown) {
  MariaDbServer::requirePortFree();
  TempDir dir;
  const std::string root = dir / "box";
  DestroyOnExit guard{root};
  SandboxOptions options;
  options.version = "2.0.5";
  options.invoiceRows = 40;
  options.seedSql = {"CREATE TABLE extra (A INT); INSERT INTO extra VALUES (7)"};
  const Sandbox box = Sandbox::create(root, options);

  EXPECT_TRUE(runningFrom(box.clientExe()));
  EXPECT_TRUE(runningFrom(box.serverExe()));
  EXPECT_EQ(getDbVersion(), "2.0.5");
  EXPECT_EQ(getBackupPath(), box.backups());
  EXPECT_TRUE(fs::is_directory(box.backups()));
  EXPECT_TRUE(fs::is_directory(box.work()));
  EXPECT_NE(readFile(box.serviceIni()).find("\r\nCurrentVersion=2.0.5\r\n"), std::string::npos);
  EXPECT_EQ(box.sql("SELECT COUNT(*), COUNT(DISTINCT GFMC) FROM fp_kpxx"), "40\t5\n");
  EXPECT_EQ(box.sql("SELECT A FROM extra"), "7\n");

  const auto cli = runCommand(fixtureProgram("ovex-sandbox") + " sql " + shellQuote(root) +
                              " \"SELECT SJKBBH, 'x' FROM sys_rjbbxx\"");
  EXPECT_EQ(cli.status, 0);
  EXPECT_EQ(cli.output, "2.0.5\tx\n");

  Sandbox::destroy(root);
  EXPECT_FALSE(runningFrom(box.clientExe()));
  EXPECT_FALSE(runningFrom(box.serverExe()));
  EXPECT_NO_THROW(MariaDbServer::requirePortFree());
  EXPECT_FALSE(fs::exists(root));
}

TEST(Sandbox, CommandLineCreatesAndDestroys) {
  MariaDbServer::requirePortFree();
  TempDir dir;
  const std::string root = dir / "cli";
  DestroyOnExit guard{root};
  const std::string program = fixtureProgram("ovex-sandbox");
  const auto made = runCommand(program + " create " + shellQuote(root) + " --rows 3");
  ASSERT_EQ(made.status, 0) << made.output;
  EXPECT_EQ(runCommand(program + " sql " + shellQuote(root) + " 'SELECT COUNT(*) FROM fp_kpxx'").output, "3\n");
  const auto bad = runCommand(program + " sql " + shellQuote(root) + " 'SELECT * FROM nope'");
  EXPECT_NE(bad.status, 0);
  EXPECT_EQ(runCommand(program + " destroy " + shellQuote(root)).status, 0);
  EXPECT_FALSE(fs::exists(root));
  EXPECT_EQ(runCommand(program + " frobnicate x").status, 2);
}
