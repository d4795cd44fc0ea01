// The SQL script runner and its line rule, against a real server.
#include <gtest/gtest.h>

#include "MariaDbServer.h"
#include "TestSupport.h"
#include "package/TZNPOp.h"
#include "platform/Platform.h"
#include "util/OvexError.h"

using namespace testsupport;

namespace {

class RunSqlFile : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.start();
    server_.sql("CREATE TABLE t (a VARCHAR(40), b INT)");
  }
  // Writes a script in the ANSI code page and runs it.
  void run(const std::string& text, const std::string& name = "script.sql") {
    const std::string path = dir_ / name;
    writeFile(path, platform::utf8ToAnsi(text));
    runSqlFile(path);
  }
  std::string rows() { return server_.sql("SELECT a FROM t ORDER BY a"); }
  TempDir dir_;
  MariaDbServer server_{dir_.path()};
};

}  // namespace

TEST_F(RunSqlFile, RejectedStatementsAreSkippedAndTheRestTakeEffect) {
  run("-- setup\r\n"
      "INSERT INTO t VALUES ('one', 1);\r\n"
      "INSERT INTO missing VALUES (1);\r\n"
      ";\r\n"
      "INSERT INTO t VALUES ('two', 2);\r\n"
      "INSERT INTO t VALUES ('lost', 3)\r\n");
  EXPECT_EQ(rows(), "one\ntwo\n");
  run("");
  run("-- only\n   -- comments\n");
  EXPECT_EQ(rows(), "one\ntwo\n");
}

TEST_F(RunSqlFile, ContinuationLinesAreTrimmedAndJoinedWithNothingBetween) {
  run("INSERT INTO t\n"   // "INSERT INTO tVALUES ..." is rejected
      "VALUES ('joined-bad', 1);\n"
      "INSERT INTO t VALUES (\n"
      "   -- a comment line inside a statement is dropped\n"
      "\t'joined-good',\n"
      "  2\n"
      ");\n"
      "INSERT INTO t VALUES ('alone-semicolon', 3)\n"
      ";\n"
      "\t\tINSERT INTO t VALUES ('tabs', 4);  \t \n"
      "ALTER TABLE t\n"
      "ADD c INT;\n");
  EXPECT_EQ(rows(), "alone-semicolon\njoined-good\ntabs\n");
  EXPECT_EQ(server_.sql("SELECT COUNT(*) FROM information_schema.columns WHERE table_name='t'"), "2\n");
}

TEST_F(RunSqlFile, OnlyDoubleDashLinesAreComments) {
  run("# hash line\n"
      "INSERT INTO t VALUES ('after-hash', 1);\n"   // all of it a comment to the server
      "/* block */\n"
      "INSERT INTO t VALUES ('after-block', 2);\n"  // the comment closes on its line
      "INSERT INTO t VALUES ('trailing', 3); -- note\n"
      "INSERT INTO t VALUES ('after-trailing', 4);\n");
  // The trailing comment holds its line back; the next line joins it and
  // falls inside the comment.
  EXPECT_EQ(rows(), "after-block\ntrailing\n");
}

TEST_F(RunSqlFile, SeveralStatementsOnOneLineAllRun) {
  run("INSERT INTO t VALUES ('x', 1); INSERT INTO t VALUES ('y', 2);\n");
  EXPECT_EQ(rows(), "x\ny\n");
}

TEST_F(RunSqlFile, ChineseScriptTextReachesTheServerIntact) {
  run("INSERT INTO t VALUES ('增值税专用发票', 1);\r\n");
  EXPECT_EQ(rows(), "增值税专用发票\n");
}

TEST_F(RunSqlFile, ByteOrderMarkSpoilsAFirstCommentLine) {
  const std::string path = dir_ / "bom.sql";
  writeFile(path, "\xEF\xBB\xBF-- header\r\nINSERT INTO t VALUES ('first', 1);\r\nINSERT INTO t VALUES ('second', 2);\r\n");
  runSqlFile(path);
  EXPECT_EQ(rows(), "second\n");
}

TEST_F(RunSqlFile, EachFileHasItsOwnConnection) {
  run("SET @mark = 'from-first';\nINSERT INTO nowhere VALUES (1);\nSTART TRANSACTION;\n"
      "INSERT INTO t VALUES ('in-transaction', 1);\n", "1.sql");
  run("INSERT INTO t SELECT IFNULL(@mark, 'fresh-session'), 2;\n", "2.sql");
  EXPECT_EQ(rows(), "fresh-session\nin-transaction\n");
}

TEST(RunSqlFileWithoutServer, ConnectErrorReachesTheCaller) {
  MariaDbServer::requirePortFree();
  TempDir dir;
  writeFile(dir / "a.sql", "SELECT 1;\n");
  EXPECT_THROW(runSqlFile(dir / "a.sql"), OvexError);
  EXPECT_THROW(runSqlFile(dir / "missing.sql"), OvexError);
}
