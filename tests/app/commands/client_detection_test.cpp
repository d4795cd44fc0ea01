// Finding and stopping the client with real stand-in processes.
#include <gtest/gtest.h>

#include "RecordingScreen.h"
#include "TestSupport.h"
#include "app/Screen.h"
#include "app/mian.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;

namespace {

const char* const kNames[] = {"OvexZNP.exe", "Parvia管理系统(纳税人端).exe", "Parvia管理系统(开票端).exe",
                              "LiveZNPUpdater.exe", "ovexsqld.exe"};

class ClientDetection : public ::testing::Test {
 protected:
  void SetUp() override {
    screen::attach(&recorder);
    clientExePath.clear();
    clientDir.clear();
  }
  void TearDown() override {
    screen::attach(nullptr);
    for (const char* name : kNames) TUpdateUtils::killProcess(name);
  }
  std::string start(const std::string& path) {
    installStandin(path);
    EXPECT_TRUE(TUpdateUtils::startExeProcess(path));
    const std::string name = path.substr(path.rfind('/') + 1);
    EXPECT_TRUE(waitUntil([&] { return TUpdateUtils::findProcess(name) != -1; }, 5000));
    return path;
  }
  static bool running(const char* name) { return TUpdateUtils::findProcess(name) != -1; }

  RecordingScreen recorder;
  TempDir dir;
};

}  // namespace

TEST_F(ClientDetection, LocalisedNameAloneIsFoundAndEveryClientProgramStopped) {
  const std::string exe = start(dir / "K/Parvia管理系统(纳税人端).exe");
  start(dir / "K/Parvia管理系统(开票端).exe");
  start(dir / "K/LiveZNPUpdater.exe");
  start(dir / "K/db/bin/ovexsqld.exe");

  ASSERT_TRUE(checkAndStopClient());
  EXPECT_EQ(clientExePath, exe);
  EXPECT_EQ(clientDir, dir / "K");
  EXPECT_EQ(recorder.messages,
            std::vector<std::string>{"点击[OK]开始升级，升级过程中花费几分钟，请耐心等待..."});
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(waitUntil([&] { return !running(kNames[i]); }, 5000)) << kNames[i];
  EXPECT_TRUE(running("ovexsqld.exe"));  // the server is the backup's business
}

TEST_F(ClientDetection, PlainNameWinsWhenBothRun) {
  start(dir / "A/Parvia管理系统(纳税人端).exe");
  const std::string plain = start(dir / "B/OvexZNP.exe");
  ASSERT_TRUE(checkAndStopClient());
  EXPECT_EQ(clientExePath, plain);
  EXPECT_EQ(clientDir, dir / "B");
}

TEST_F(ClientDetection, NoClientShowsTheMessageAndStopsNothing) {
  start(dir / "K/LiveZNPUpdater.exe");
  EXPECT_FALSE(checkAndStopClient());
  EXPECT_EQ(recorder.messages, std::vector<std::string>{"检测到Parvia管理系统纳税人端未运行，请先运行...."});
  EXPECT_TRUE(running("LiveZNPUpdater.exe"));
  EXPECT_TRUE(clientExePath.empty());
}
