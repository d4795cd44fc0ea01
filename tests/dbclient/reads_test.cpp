// The two single-value reads against a real server.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "MariaDbServer.h"
#include "TestSupport.h"
#include "base/OvexError.h"
#include "dbclient/TDbUtils.h"

using namespace testsupport;

namespace {

class Reads : public ::testing::Test {
 protected:
  void SetUp() override { server_.start(); }
  TempDir dir_;
  MariaDbServer server_{dir_.path()};
};

int connectionCount(const MariaDbServer& server) {
  const std::string out = server.sql("SHOW GLOBAL STATUS LIKE 'Connections'");
  return std::stoi(out.substr(out.find('\t') + 1));
}

}  // namespace

TEST_F(Reads, SeededValuesArriveIntactIncludingChinese) {
  EXPECT_EQ(getDbVersion(), "2.1.0");
  EXPECT_EQ(getBackupPath(), "D:\\备份");
  // Stored in a column of another character set, converted by the server.
  server_.sql("ALTER TABLE sys_sjbf_pz MODIFY BF_PATH VARCHAR(255) CHARACTER SET utf8mb4;"
              "UPDATE sys_sjbf_pz SET BF_PATH='E:\\\\数据备份\\\\发票'");
  EXPECT_EQ(getBackupPath(), "E:\\数据备份\\发票");
}

TEST_F(Reads, NumericValueComesBackAsText) {
  server_.sql("UPDATE sys_rjbbxx SET SJKBBH='3.5'; ALTER TABLE sys_rjbbxx MODIFY SJKBBH DECIMAL(6,2)");
  EXPECT_EQ(getDbVersion(), "3.50");
}

TEST_F(Reads, FirstRowOfSeveralIsTaken) {
  server_.sql("INSERT INTO sys_rjbbxx VALUES ('2.2.0'), ('2.3.0')");
  EXPECT_EQ(getDbVersion(), "2.1.0");
}

TEST_F(Reads, EmptyTableNullMissingColumnOrTableAreErrors) {
  server_.sql("DELETE FROM sys_rjbbxx");
  EXPECT_THROW(getDbVersion(), OvexError);
  server_.sql("INSERT INTO sys_rjbbxx VALUES (NULL), ('2.1.0')");
  EXPECT_THROW(getDbVersion(), OvexError);  // never an empty string
  server_.sql("ALTER TABLE sys_sjbf_pz CHANGE BF_PATH BFLJ VARCHAR(255)");
  EXPECT_THROW(getBackupPath(), OvexError);
  server_.sql("DROP TABLE sys_sjbf_pz");
  try {
    getBackupPath();
    FAIL() << "a missing table must raise";
  } catch (const OvexError& e) {
    EXPECT_NE(std::string(e.what()).find("sys_sjbf_pz"), std::string::npos) << e.what();
  }
}

TEST_F(Reads, EveryReadLogsInOnItsOwn) {
  const int before = connectionCount(server_);
  getDbVersion();
  getBackupPath();
  // The two reads, and the count's own second look.
  EXPECT_EQ(connectionCount(server_) - before, 3);
}

TEST(ReadsWithoutServer, FailWithTheClientMessage) {
  MariaDbServer::requirePortFree();
  try {
    getDbVersion();
    FAIL() << "no server listens; the read must raise";
  } catch (const OvexError& e) {
    EXPECT_NE(std::string(e.what()).find("127.0.0.1"), std::string::npos) << e.what();
  }
}

TEST(ReadsWithoutServer, GiveUpOnAListenerThatNeverAnswers) {
  MariaDbServer::requirePortFree();
  // Accepts connections at the TCP level but never sends a greeting.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(MariaDbServer::kPort);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  EXPECT_THROW(getBackupPath(), OvexError);
  close(fd);
}
