// The SQL script runner: a simple line rule splits a script into statements,
// and every statement's fate is its own.
#include <exception>

#include "backup/TZNPBf.h"
#include "dbclient/TDbConnection.h"
#include "package/TZNPOp.h"
#include "util/DirectoryOps.h"
#include "util/Screen.h"

namespace {

// Cuts every character of code 32 or less from both ends. Such characters
// are single bytes in UTF-8, so the cut works on bytes.
std::string trimControls(const std::string& line) {
  size_t begin = 0, end = line.size();
  while (begin < end && static_cast<unsigned char>(line[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(line[end - 1]) <= 32) --end;
  return line.substr(begin, end - begin);
}

bool isCommentLine(const std::string& trimmed) { return trimmed.compare(0, 2, "--") == 0; }

bool endsStatement(const std::string& trimmed) { return !trimmed.empty() && trimmed.back() == ';'; }

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
  std::string pending;
  for (const auto& line : lines) {
    screen::processMessages();
    const std::string trimmed = trimControls(line);
    if (isCommentLine(trimmed)) continue;
    if (!endsStatement(trimmed)) {
      pending += trimmed;
      continue;
    }
    execIgnoringErrors(*connection, pending + trimmed);
    pending.clear();
  }
  // A last statement without its ";" is never run.
  connection->Disconnect();
}
