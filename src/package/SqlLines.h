#pragma once
// The line rule of the SQL script runner: lines are trimmed of control
// characters and blanks, "--" lines are comments, and a line ending in ";"
// completes the statement gathered so far.
#include <optional>
#include <string>

#include "package/SqlComments.h"

struct SqlStatement {
  std::string text;
  // A "-- " or "#" comment of a line runs on over the lines joined after
  // it: the server would ignore them, so the statement must not be sent.
  bool commentHidesLines = false;
};

class SqlLineSplitter {
 public:
  // Takes the next line of a script; returns a statement when this line
  // completes one.
  std::optional<SqlStatement> feed(const std::string& line);
  // What was gathered without a closing ";" (never run).
  const std::string& pending() const { return pending_; }

 private:
  std::string pending_;
  SqlCommentScan scan_;
  bool hidden_ = false;
};

// Cuts every character of code 32 or less from both ends of a line.
std::string trimControls(const std::string& line);
