// The Windows database client (Connector/C over Winsock) against a real
// MariaDB server over TCP: login, GBK on the wire, statements and reads.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/OvexError.h"
#include "dbclient/TDbConnection.h"
#include "dbclient/TDbQuery.h"

namespace {

int serverPort() {
  const char* port = std::getenv("OVEX_WIN_DB_PORT");
  return port && *port ? std::atoi(port) : 0;
}

void connect(TDbConnection& db, const std::string& password) {
  db.setServer("127.0.0.1");
  db.setPort(serverPort());
  db.setUserName("ovex");
  db.setPassword(password);
  db.setDatabase("ovexdb");
  db.addOption("charset=gbk");
  db.Connect();
}

class WinDb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (serverPort() == 0) GTEST_SKIP() << "OVEX_WIN_DB_PORT not set";
  }
};

}  // namespace

TEST_F(WinDb, ChineseTextTravelsAsGbkAndComesBack) {
  TDbConnection db;
  connect(db, "ovex-pw");
  ASSERT_TRUE(db.Connected());
  db.ExecSQL("DROP TABLE IF EXISTS t_win");
  db.ExecSQL("CREATE TABLE t_win (id INT PRIMARY KEY, name VARCHAR(40)) CHARACTER SET gbk");
  db.ExecSQL("INSERT INTO t_win VALUES (1, '数据备份'), (2, NULL)");
  db.Commit();
  TDbQuery q(db, "SELECT name, HEX(name) AS raw FROM t_win WHERE id = 1");
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("name").AsString(), "数据备份");
  EXPECT_EQ(q.FieldByName("RAW").AsString(), "CAFDBEDDB1B8B7DD");
  q.Close();
  TDbQuery empty(db, "SELECT name FROM t_win WHERE id = 3");
  empty.Open();
  EXPECT_TRUE(empty.Eof());
  db.Disconnect();
}

TEST_F(WinDb, WrongPasswordIsAnErrorWithTheServersMessage) {
  TDbConnection db;
  try {
    connect(db, "wrong");
    FAIL() << "connected with a wrong password";
  } catch (const OvexError& e) {
    EXPECT_NE(std::string(e.what()).find("ovex"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(db.Connected());
}
