// The SQL script runner: a simple line rule splits a script into statements,
// and every statement's fate is its own.
#include <exception>

#include "backup/TZNPBf.h"
#include "dbclient/TDbConnection.h"
#include "package/SqlLines.h"
#include "package/TZNPOp.h"
#include "util/DirectoryOps.h"
#include "util/Screen.h"

namespace {

// Runs one statement; the script goes on whatever the server answers.
void execIgnoringErrors(TDbConnection& connection, const std::string& statement) {
  try {
    connection.ExecSQL(statement);
    connection.Commit();
  } catch (const std::exception&) {
  }
}

}  // namespace

void runSqlFile(const std::string& path) {
  const std::vector<std::string> lines = readTextLines(path);
  auto connection = TDbUtils::getOvexZnpConnection();
  connection->Connect();
  SqlLineSplitter splitter;
  for (const auto& line : lines) {
    screen::processMessages();
    if (const auto statement = splitter.feed(line)) execIgnoringErrors(*connection, *statement);
  }
  // A last statement without its ";" is never run.
  connection->Disconnect();
}
