// The connection and query objects against a real server.
#include <gtest/gtest.h>

#include "MariaDbServer.h"
#include "TestSupport.h"
#include "base/OvexError.h"
#include "dbclient/TDbConnection.h"
#include "dbclient/TDbQuery.h"
#include "dbclient/TDbUtils.h"

using namespace testsupport;

namespace {

class Connection : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.start();
    db_->Connect();
  }
  std::string firstValue(const std::string& sql, const std::string& column) {
    TDbQuery query(*db_, sql);
    query.Open();
    return query.FieldByName(column).AsString();
  }
  TempDir dir_;
  MariaDbServer server_{dir_.path()};
  std::unique_ptr<TDbConnection> db_ = TDbUtils::getOvexZnpConnection();
};

}  // namespace

TEST_F(Connection, SpeaksGbkBothWays) {
  EXPECT_EQ(firstValue("SELECT @@character_set_connection AS cs", "CS"), "gbk");
  db_->ExecSQL("INSERT INTO sys_rjbbxx VALUES ('版本二·发票')");
  // "·" is in GBK too; the root client reads the stored text back in UTF-8.
  EXPECT_EQ(server_.sql("SELECT SJKBBH FROM sys_rjbbxx WHERE SJKBBH LIKE '版本%'"), "版本二·发票\n");
  EXPECT_EQ(firstValue("SELECT SJKBBH AS 版本 FROM sys_rjbbxx WHERE SJKBBH<>'2.1.0'", "版本"), "版本二·发票");
}

TEST_F(Connection, RejectedStatementRaisesTheServerMessageAndTheConnectionGoesOn) {
  try {
    db_->ExecSQL("INSERT INTO no_such_table VALUES (1);");
    FAIL() << "the server must reject it";
  } catch (const OvexError& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
  }
  EXPECT_THROW(db_->ExecSQL(";"), OvexError);  // an empty statement
  db_->ExecSQL("SELECT * FROM sys_rjbbxx;");   // a result set is read and dropped
  db_->ExecSQL("INSERT INTO sys_rjbbxx VALUES ('a');");
  EXPECT_EQ(server_.sql("SELECT COUNT(*) FROM sys_rjbbxx"), "2\n");
}

TEST_F(Connection, SeveralStatementsInOneTextRunInOrderUpToTheFirstRejectedOne) {
  db_->ExecSQL("INSERT INTO sys_rjbbxx VALUES ('a'); SELECT 1; INSERT INTO sys_rjbbxx VALUES ('b');");
  EXPECT_THROW(db_->ExecSQL("INSERT INTO sys_rjbbxx VALUES ('c'); INSERT INTO nope VALUES (1); "
                            "INSERT INTO sys_rjbbxx VALUES ('d');"),
               OvexError);
  db_->ExecSQL("INSERT INTO sys_rjbbxx VALUES ('e');");  // still in step with the server
  EXPECT_EQ(server_.sql("SELECT GROUP_CONCAT(SJKBBH ORDER BY SJKBBH) FROM sys_rjbbxx"), "2.1.0,a,b,c,e\n");
}

TEST_F(Connection, CommitSendsNothingOutsideATransactionAndCommitsInsideOne) {
  const auto commits = [&] { return firstValue("SHOW SESSION STATUS LIKE 'Com_commit'", "Value"); };
  const std::string before = commits();
  db_->ExecSQL("INSERT INTO sys_rjbbxx VALUES ('auto');");
  db_->Commit();
  EXPECT_EQ(commits(), before);

  db_->ExecSQL("START TRANSACTION");
  db_->ExecSQL("INSERT INTO sys_rjbbxx VALUES ('held');");
  EXPECT_EQ(server_.sql("SELECT COUNT(*) FROM sys_rjbbxx WHERE SJKBBH='held'"), "0\n");
  db_->Commit();
  EXPECT_EQ(server_.sql("SELECT COUNT(*) FROM sys_rjbbxx WHERE SJKBBH='held'"), "1\n");
}

TEST_F(Connection, QueryReportsMissingRowsNullsAndColumns) {
  TDbQuery query(*db_, "SELECT SJKBBH, NULL AS N FROM sys_rjbbxx");
  query.Open();
  EXPECT_EQ(query.FieldByName("sjkbbh").AsString(), "2.1.0");
  EXPECT_THROW(query.FieldByName("N").AsString(), OvexError);
  EXPECT_THROW(query.FieldByName("BF_PATH"), OvexError);
  query.Close();
  TDbQuery empty(*db_, "SELECT SJKBBH FROM sys_rjbbxx WHERE 1=0");
  empty.Open();
  empty.First();
  EXPECT_THROW(empty.FieldByName("SJKBBH").AsString(), OvexError);
  TDbQuery noResult(*db_, "DO 1");
  EXPECT_THROW(noResult.Open(), OvexError);
}

TEST_F(Connection, UseAfterDisconnectAndBadLoginAreErrors) {
  db_->Disconnect();
  EXPECT_THROW(db_->ExecSQL("SELECT 1"), OvexError);
  EXPECT_THROW(db_->Commit(), OvexError);
  db_->setPassword("wrong");
  try {
    db_->Connect();
    FAIL() << "a wrong password must be refused";
  } catch (const OvexError& e) {
    EXPECT_NE(std::string(e.what()).find("ovex_znp"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(db_->Connected());
}
