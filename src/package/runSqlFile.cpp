// The SQL script runner: a simple line rule splits a script into statements,
// and every statement's fate is its own.
#include <exception>

#include "dbclient/TDbConnection.h"
#include "dbclient/TDbUtils.h"
#include "package/SqlLines.h"
#include "package/runSqlFile.h"
#include "util/DirectoryOps.h"

namespace {

constexpr size_t kMessagesKept = 3;

void reject(ScriptOutcome& outcome, const std::string& message) {
  ++outcome.rejected;
  if (outcome.messages.size() < kMessagesKept) outcome.messages.push_back(message);
}

// Runs one statement; the script goes on whatever the server answers.
void execCounting(TDbConnection& connection, const SqlStatement& statement, ScriptOutcome& outcome) {
  ++outcome.statements;
  if (statement.commentHidesLines) {
    reject(outcome, "not sent: a comment in it hides the lines joined after it");
    return;
  }
  try {
    connection.ExecSQL(statement.text);
    connection.Commit();
  } catch (const std::exception& e) {
    reject(outcome, e.what());
  }
}

}  // namespace

ScriptOutcome runSqlFile(const std::string& path, Progress& progress) {
  const std::vector<std::string> lines = readTextLines(path);
  auto connection = TDbUtils::getOvexZnpConnection();
  connection->Connect();
  SqlLineSplitter splitter;
  ScriptOutcome outcome;
  for (const auto& line : lines) {
    progress.idle();
    if (const auto statement = splitter.feed(line)) execCounting(*connection, *statement, outcome);
  }
  // A last statement without its ";" is never run.
  connection->Disconnect();
  return outcome;
}

std::string outcomeLine(const std::string& script, const ScriptOutcome& outcome) {
  std::string line = script + ": " + std::to_string(outcome.statements) +
                     (outcome.statements == 1 ? " statement, " : " statements, ") +
                     std::to_string(outcome.rejected) + " rejected";
  for (size_t i = 0; i < outcome.messages.size(); ++i) line += (i == 0 ? ": " : "; ") + outcome.messages[i];
  return line;
}
