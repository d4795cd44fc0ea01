// Process control with real Windows processes.
#include <gtest/gtest.h>
#include <windows.h>

#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/SystemPaths.h"
#include "platform/win32/wide-win32.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;

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

namespace {

// The lock holder started as a process of its own, ended with the object.
class LockHolder {
 public:
  explicit LockHolder(const std::string& marker) {
    std::wstring line = L"\"" + platform::widePath(fixtureProgram("lock-holder")) +
                        L"\" \"" + platform::widePath(marker) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    started_ = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_);
  }
  ~LockHolder() {
    if (!started_) return;
    end();
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  bool started() const { return started_; }
  void end() {
    TerminateProcess(process_.hProcess, 9);
    WaitForSingleObject(process_.hProcess, 10000);
  }
  // The exit code once it has ended by itself within ms, else -1.
  int exitCode(int ms) {
    DWORD code = 0;
    if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_.hProcess, &code))
      return -1;
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

}  // namespace

TEST(WinCommandLock, OneProcessAtATimeAndFreedWhenItsOwnerIsEnded) {
  TempDir dir;
  {
    LockHolder holder(dir / "held.txt");
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(waitUntil([&] { return platform::fileAttributes(dir / "held.txt").has_value(); }, 20000));
    EXPECT_FALSE(platform::takeCommandLock());
    holder.end();  // ended without releasing: the lock is abandoned, not kept
    EXPECT_TRUE(platform::takeCommandLock());
  }
  LockHolder refused(dir / "second.txt");
  ASSERT_TRUE(refused.started());
  EXPECT_EQ(refused.exitCode(20000), 1);
  platform::releaseCommandLock();
  LockHolder after(dir / "third.txt");
  ASSERT_TRUE(after.started());
  EXPECT_TRUE(waitUntil([&] { return platform::fileAttributes(dir / "third.txt").has_value(); }, 20000));
}
