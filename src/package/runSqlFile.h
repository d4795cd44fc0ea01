#pragma once
// Running SQL script files on the client database.
#include <string>
#include <vector>

#include "util/Progress.h"

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
