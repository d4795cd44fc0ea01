#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Processes.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;

namespace {

// Ends every process of that name when the test is over.
struct KillOnExit {
  std::string name;
  ~KillOnExit() { TUpdateUtils::killProcess(name); }
};

bool running(const std::string& name) { return TUpdateUtils::findProcess(name) != -1; }

}  // namespace

TEST(ProcessControl, FindsStartedProgramByNameIgnoringAsciiCase) {
  TempDir dir;
  const std::string exe = installStandin(dir / "bin/OvexProbe.exe");
  KillOnExit guard{"OvexProbe.exe"};
  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(waitUntil([] { return running("OvexProbe.exe"); }, 5000));
  const int pid = TUpdateUtils::findProcess("OVEXPROBE.EXE");
  ASSERT_NE(pid, -1);
  EXPECT_EQ(TUpdateUtils::GetProcessPath(pid), exe);
  EXPECT_EQ(TUpdateUtils::findProcess(dir / "bin/OvexProbe.exe"), -1);  // a directory part never matches
}

TEST(ProcessControl, ChineseNamesMatchExactlyAndKillEndsEveryInstance) {
  TempDir dir;
  const std::string name = "Parvia管理系统(纳税人端).exe";
  const std::string exe = installStandin(dir / name);
  KillOnExit guard{name};
  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(waitUntil(
      [&] {
        int n = 0;
        for (auto& e : platform::listProcesses()) n += e.name == name;
        return n == 2;
      },
      5000));
  EXPECT_EQ(TUpdateUtils::findProcess("PARVIA管理系统(纳税人端).EXE"), TUpdateUtils::findProcess(name));
  TUpdateUtils::killProcess(name);
  // Ended processes are never left as zombies under their name.
  EXPECT_TRUE(waitUntil([&] { return !running(name); }, 5000));
}

TEST(ProcessControl, FullWidthLettersAreNotFolded) {
  TempDir dir;
  const std::string exe = installStandin(dir / "ａ.exe");
  KillOnExit guard{"ａ.exe"};
  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(waitUntil([] { return running("ａ.exe"); }, 5000));
  EXPECT_EQ(TUpdateUtils::findProcess("Ａ.exe"), -1);
}

TEST(ProcessControl, MissingThingsAnswerQuietly) {
  EXPECT_EQ(TUpdateUtils::findProcess("no-such-program.exe"), -1);
  EXPECT_EQ(TUpdateUtils::findProcess("no-such-program.exe"), -1);
  TUpdateUtils::killProcess("no-such-program.exe");
  EXPECT_EQ(TUpdateUtils::GetProcessPath(999999999), "");
  EXPECT_TRUE(TUpdateUtils::startExeProcess("/no/such/dir/OvexZNP.exe"));
}
