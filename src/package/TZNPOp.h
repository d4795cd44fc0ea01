#pragma once
// Applying the entries of an update package, and running SQL script files.
#include <string>
#include <vector>

#include "util/Progress.h"

class TUpdateFile;

namespace TupdateOp {
// The database copy and the scripts of a database entry are reported to progress.
void updateOp(const TUpdateFile& uf, const std::string& ovexZNPDir, Progress& progress = noProgress());
void updateCommonFile(const TUpdateFile& uf, const std::string& ovexZNPDir);
void updateDbFile(const TUpdateFile& uf, const std::string& ovexZNPDir, Progress& progress = noProgress());
}  // namespace TupdateOp

// What became of the statements of one script file.
struct ScriptOutcome {
  int statements = 0;                 // split off by the line rule
  int rejected = 0;                   // refused by the server, or not sent
  std::vector<std::string> messages;  // why, for the first few rejected
};

// Runs one SQL script file statement by statement on the client database;
// progress idles between the lines.
ScriptOutcome runSqlFile(const std::string& path, Progress& progress = noProgress());
// "1.sql: 12 statements, 1 rejected: <message>".
std::string outcomeLine(const std::string& script, const ScriptOutcome& outcome);
