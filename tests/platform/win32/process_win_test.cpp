// Process control with real Windows processes.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/Platform.h"
#include "util/TUpdateUtils.h"

using namespace wintest;

namespace {

struct KillOnExit {
  std::string name;
  ~KillOnExit() { TUpdateUtils::killProcess(name); }
};

int countNamed(const std::string& name) {
  int n = 0;
  for (const auto& e : platform::listProcesses()) n += e.name == name;
  return n;
}

}  // namespace

TEST(WinProcess, StartedProgramIsFoundIgnoringAsciiCaseAndLocated) {
  TempDir dir;
  const std::string exe = installStandin(dir / "db\\bin\\ovexsqld.exe");
  KillOnExit guard{"ovexsqld.exe"};
  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(waitUntil([] { return TUpdateUtils::findProcess("ovexsqld.exe") != -1; }, 10000));
  const int pid = TUpdateUtils::findProcess("OVEXSQLD.EXE");
  ASSERT_NE(pid, -1);
  std::string expected;
  ASSERT_TRUE(platform::fullPath(exe, &expected, nullptr));
  // Until its loader has run, a new process has no module list to read.
  EXPECT_TRUE(waitUntil([&] { return !TUpdateUtils::GetProcessPath(pid).empty(); }, 10000));
  EXPECT_EQ(TUpdateUtils::GetProcessPath(pid), expected);
  EXPECT_EQ(TUpdateUtils::findProcess(exe), -1);  // the list holds bare names
  TUpdateUtils::killProcess("ovexsqld.exe");
  EXPECT_TRUE(waitUntil([] { return TUpdateUtils::findProcess("ovexsqld.exe") == -1; }, 10000));
}

TEST(WinProcess, ChineseNameTwoInstancesBothEnded) {
  TempDir dir;
  const std::string name = "Parvia管理系统(纳税人端).exe";
  const std::string exe = installStandin(dir / name);
  KillOnExit guard{name};
  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(waitUntil([&] { return countNamed(name) == 2; }, 10000));
  EXPECT_EQ(TUpdateUtils::findProcess("PARVIA管理系统(纳税人端).EXE"), TUpdateUtils::findProcess(name));
  TUpdateUtils::killProcess(name);
  EXPECT_TRUE(waitUntil([&] { return countNamed(name) == 0; }, 10000));
}

TEST(WinProcess, FullWidthLettersAreNotFolded) {
  TempDir dir;
  const std::string exe = installStandin(dir / "ａ.exe");
  KillOnExit guard{"ａ.exe"};
  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(waitUntil([] { return TUpdateUtils::findProcess("ａ.exe") != -1; }, 10000));
  EXPECT_EQ(TUpdateUtils::findProcess("Ａ.exe"), -1);
}

TEST(WinProcess, MissingThingsAreAnsweredQuietly) {
  TempDir dir;
  EXPECT_TRUE(TUpdateUtils::startExeProcess(dir / "no-such-program.exe"));
  EXPECT_EQ(TUpdateUtils::findProcess("no-such-program.exe"), -1);
  TUpdateUtils::killProcess("no-such-program.exe");
  EXPECT_EQ(TUpdateUtils::GetProcessPath(-1), "");
  EXPECT_EQ(TUpdateUtils::GetProcessPath(0x7FFFFFF0), "");
  const int self = static_cast<int>(platform::currentProcessId());
  EXPECT_EQ(TUpdateUtils::GetProcessPath(self).substr(TUpdateUtils::GetProcessPath(self).rfind('\\') + 1),
            "win_platform_tests.exe");
}
