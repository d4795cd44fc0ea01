// The server stand-in, handled the way the tool handles the client's server.
#include <gtest/gtest.h>

#include <filesystem>

#include "MariaDbServer.h"
#include "Sandbox.h"
#include "TestSupport.h"
#include "dbclient/TDbConnection.h"
#include "dbclient/TDbUtils.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

bool serverGone() { return TUpdateUtils::findProcess("ovexsqld.exe") == -1 && !MariaDbServer::acceptsConnections(); }

struct EndServerOnExit {
  ~EndServerOnExit() {
    TUpdateUtils::killProcess("ovexsqld.exe");
    waitUntil(serverGone, 20000);
  }
};

void insertVersion(const std::string& version) {
  auto db = TDbUtils::getOvexZnpConnection();
  db->Connect();
  db->ExecSQL("UPDATE sys_rjbbxx SET SJKBBH='" + version + "'");
  db->Disconnect();
}

}  // namespace

TEST(ServerStandin, IsFoundEndedAndStartedAgainByPathAndKeepsItsData) {
  MariaDbServer::requirePortFree();
  TempDir dir;
  const std::string db = fs::weakly_canonical(dir.path()).string() + "/客户端/db";
  const std::string exe = db + "/bin/ovexsqld.exe";
  fs::create_directories(db + "/bin");
  fs::copy_file(fixtureProgram("ovexsqld-standin"), exe);
  MariaDbServer::copyTemplate(db + "/data");
  EndServerOnExit guard;

  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(waitForDatabase(60000)) << readFile(db + "/ovexsqld.err");
  const int pid = TUpdateUtils::findProcess("ovexsqld.exe");
  ASSERT_NE(pid, -1);
  EXPECT_EQ(TUpdateUtils::GetProcessPath(pid), exe);
  insertVersion("9.9.9");
  // Its files sit beside the data, and no socket lies inside the client folder.
  EXPECT_TRUE(fs::exists(db + "/ovexsqld.pid"));
  EXPECT_TRUE(fs::exists(db + "/ovexsqld.err"));
  for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
    EXPECT_FALSE(entry.is_socket()) << entry.path();

  // Ending the launcher ends its server too.
  TUpdateUtils::killProcess("ovexsqld.exe");
  ASSERT_TRUE(waitUntil(serverGone, 20000));

  ASSERT_TRUE(TUpdateUtils::startExeProcess(exe));
  ASSERT_TRUE(waitForDatabase(60000)) << readFile(db + "/ovexsqld.err");
  EXPECT_EQ(getDbVersion(), "9.9.9");
}
