// The SQL script runner and its line rule, against a real server.
#include <gtest/gtest.h>

#include "MariaDbServer.h"
#include "TestSupport.h"
#include "base/OvexError.h"
#include "package/runSqlFile.h"
#include "platform/CodePages.h"

using namespace testsupport;

namespace {

class RunSqlFile : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.start();
    server_.sql("CREATE TABLE t (a VARCHAR(40), b INT)");
  }
  // Writes a script in the ANSI code page and runs it.
  ScriptOutcome run(const std::string& text, const std::string& name = "script.sql") {
    const std::string path = dir_ / name;
    writeFile(path, platform::utf8ToAnsi(text));
    return runSqlFile(path);
  }
  std::string rows() { return server_.sql("SELECT a FROM t ORDER BY a"); }
  TempDir dir_;
  MariaDbServer server_{dir_.path()};
};

}  // namespace

TEST_F(RunSqlFile, RejectedStatementsAreSkippedAndTheRestTakeEffect) {
  const ScriptOutcome outcome = run("-- setup\r\n"
                                    "INSERT INTO t VALUES ('one', 1);\r\n"
                                    "INSERT INTO missing VALUES (1);\r\n"
                                    ";\r\n"
                                    "INSERT INTO t VALUES ('two', 2);\r\n"
                                    "INSERT INTO t VALUES ('lost', 3)\r\n");
  EXPECT_EQ(rows(), "one\ntwo\n");
  EXPECT_EQ(outcomeLine("a.sql", outcome),
            "a.sql: 4 statements, 2 rejected: Table 'ovex_znp.missing' doesn't exist; Query was empty");
  EXPECT_EQ(outcomeLine("b.sql", run("")), "b.sql: 0 statements, 0 rejected");
  EXPECT_EQ(run("-- only\n   -- comments\n").statements, 0);
  EXPECT_EQ(rows(), "one\ntwo\n");
  // Only the first few reasons are kept.
  const ScriptOutcome many = run("SELECT * FROM m1;\nSELECT * FROM m2;\nSELECT * FROM m3;\nSELECT * FROM m4;\nSELECT 1;\n");
  EXPECT_EQ(many.statements, 5);
  EXPECT_EQ(many.rejected, 4);
  EXPECT_EQ(many.messages.size(), 3u);
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
  const ScriptOutcome outcome =
      run("# hash line\n"
          "INSERT INTO t VALUES ('after-hash', 1);\n"   // all of it a comment to the server: not sent
          "/* block */\n"
          "INSERT INTO t VALUES ('after-block', 2);\n"  // the comment closes on its line
          "INSERT INTO t VALUES ('trailing', 3); -- note\n"
          "INSERT INTO t VALUES ('after-trailing', 4);\n");
  // The trailing comment holds its line back; the next line would join it
  // and fall inside the comment, so neither is sent.
  EXPECT_EQ(rows(), "after-block\n");
  EXPECT_EQ(outcome.statements, 3);
  EXPECT_EQ(outcome.rejected, 2);
  EXPECT_EQ(outcome.messages[0], "not sent: a comment in it hides the lines joined after it");
}

TEST_F(RunSqlFile, CommentThatWouldHideTheNextLinesIsNotSent) {
  run("INSERT INTO t VALUES ('a', 1), ('b', 2), ('c', 3);\n");
  // Sent as one text this would read "DELETE FROM t" and empty the table.
  EXPECT_EQ(run("DELETE FROM t -- old rows\nWHERE b = 1;\n").rejected, 1);
  EXPECT_EQ(run("DELETE FROM t # old rows\nWHERE b = 1;\n").rejected, 1);
  EXPECT_EQ(rows(), "a\nb\nc\n");
  // Quoted, inside a block comment, or "--" without a blank after it: no
  // such comment, and the statement is sent as before.
  EXPECT_EQ(run("DELETE FROM t WHERE a = '-- x' OR a = \"# y\" OR a = `b`\n/* -- */OR a='a';\n").rejected, 0);
  EXPECT_EQ(run("DELETE FROM t WHERE b = 3--\n1;\n").rejected, 0);  // b = 3 - -1
  EXPECT_EQ(run("UPDATE t SET a = 'it''s -- # \\' -- ' WHERE b = 2;\n").rejected, 0);
  EXPECT_EQ(rows(), "c\nit's -- # ' -- \n");
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
