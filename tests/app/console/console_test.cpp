// The headless front end: options, exit statuses, where messages go.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Screen.h"
#include "app/console/ConsoleProgress.h"
#include "app/console/ConsoleScreen.h"
#include "app/mian.h"
#include "base/OvexError.h"

using testsupport::runCommand;
using testsupport::shellQuote;
using testsupport::toolPath;

namespace {

// Runs the tool in a subshell, so that arguments may redirect its streams.
testsupport::CommandResult runTool(const std::string& arguments) {
  return runCommand("(" + shellQuote(toolPath()) + " " + arguments + ")");
}

void succeed() { screen::showMessage(form1::kBackupDone); }
void confirmThenSucceed() {
  screen::showMessage(form1::kConfirmUpgrade);
  screen::showMessage(form1::kUpgradeDone);
}
void notRunning() { screen::showMessage(form1::kNotRunning); }
void failBusy() {
  showBusy();
  throw OvexError("磁盘已满");
}

struct Headless {
  int status;
  std::string out, err;
};

Headless runCaptured(void (*command)(), const std::string& success) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = runHeadless(command, success);
  return {status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}

class ConsoleTest : public testing::Test {
 protected:
  void SetUp() override { busyFlag.clear(); }
  void TearDown() override { busyFlag.clear(); }
};

}  // namespace

TEST_F(ConsoleTest, HelpAndVersionPrintOnStandardOutputAndSucceed) {
  const auto help = runTool("--help 2>/dev/null");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("Usage: UpdateOvexZNP"), std::string::npos);
  EXPECT_NE(help.output.find("--upgrade"), std::string::npos);
  EXPECT_NE(help.output.find("--backup"), std::string::npos);

  const auto version = runTool("--version 2>/dev/null");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output.rfind("UpdateOvexZNP ", 0), 0u) << version.output;
}

TEST_F(ConsoleTest, UnknownOrExtraOptionsAreUsageErrors) {
  const auto unknown = runTool("--rescue");
  EXPECT_EQ(unknown.status, 64);
  EXPECT_NE(unknown.output.find("unknown option: --rescue"), std::string::npos);
  EXPECT_EQ(runTool("--rescue 2>/dev/null").output, "");

  EXPECT_EQ(runTool("--backup --upgrade").status, 64);
  EXPECT_EQ(runTool("''").status, 64);
  // The commands that take arguments take no more (and --verify and --restore no fewer).
  for (const char* wrong : {"--restore", "--restore a b c", "--verify", "--verify a b", "--check a b"}) {
    const auto run = runTool(wrong);
    EXPECT_EQ(run.status, 64) << wrong;
    EXPECT_NE(run.output.find("wrong number of arguments"), std::string::npos) << run.output;
  }
}

TEST_F(ConsoleTest, SuccessMessageAsLastMessageGivesZero) {
  const Headless backup = runCaptured(succeed, form1::kBackupDone);
  EXPECT_EQ(backup.status, 0);
  EXPECT_EQ(backup.out, std::string(form1::kBackupDone) + "\n");
  EXPECT_EQ(backup.err, "");

  const Headless upgrade = runCaptured(confirmThenSucceed, form1::kUpgradeDone);
  EXPECT_EQ(upgrade.status, 0);
  EXPECT_EQ(upgrade.out, std::string(form1::kConfirmUpgrade) + "\n" + form1::kUpgradeDone + "\n");
}

TEST_F(ConsoleTest, OwnFixedMessageGivesTwo) {
  const Headless run = runCaptured(notRunning, form1::kBackupDone);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, std::string(form1::kNotRunning) + "\n");
}

TEST_F(ConsoleTest, BusyToolRefusesACommandWithTwo) {
  busyFlag = "1";
  const Headless run = runCaptured(bfBtnClick, form1::kBackupDone);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, std::string(form1::kBusyMessage) + "\n");
  EXPECT_EQ(busyFlag, "1");
}

TEST_F(ConsoleTest, ErrorGoesToStandardErrorCompletedAndGivesOne) {
  const Headless run = runCaptured(failBusy, form1::kBackupDone);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "磁盘已满.\n");
  EXPECT_EQ(busyFlag, "1");
}

TEST_F(ConsoleTest, PreviousScreenIsAttachedAgainAfterwards) {
  EXPECT_EQ(screen::attached(), nullptr);
  runCaptured(notRunning, form1::kBackupDone);
  EXPECT_EQ(screen::attached(), nullptr);
}

namespace {

// What a ConsoleProgress writes for a byte step and a counted step.
std::string progressText(bool terminal) {
  std::FILE* out = std::tmpfile();
  ConsoleProgress console(out, terminal);
  Progress& progress = console;
  progress.begin("zipping the data directory", 3 << 20, Progress::Unit::kBytes);
  progress.advance(1 << 20);  // within the redraw interval: not drawn
  progress.end();
  progress.begin("running the scripts of db.zip", 2, Progress::Unit::kItems);
  progress.advance(0, "1.sql");
  progress.advance(1, "2.sql");
  progress.advance(2);
  progress.end();
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

}  // namespace

TEST(ConsoleProgress, PlainLinesPerStepOrRedrawnInPlaceOnATerminal) {
  EXPECT_EQ(progressText(false),
            "progress: zipping the data directory: 3.0 MB\n"
            "progress: running the scripts of db.zip: 1 of 2, 1.sql\n"
            "progress: running the scripts of db.zip: 2 of 2, 2.sql\n");
  EXPECT_EQ(progressText(true),
            "\rprogress: zipping the data directory: 0% of 3.0 MB"
            "\rprogress: zipping the data directory: 33% of 3.0 MB\n"
            "\rprogress: running the scripts of db.zip: 0 of 2"
            "\rprogress: running the scripts of db.zip: 1 of 2, 1.sql"
            "\rprogress: running the scripts of db.zip: 2 of 2, 2.sql"
            "\rprogress: running the scripts of db.zip: 2 of 2       \n");
}
