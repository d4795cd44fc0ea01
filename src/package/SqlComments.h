#pragma once
// Where the server's comments are in statement text, as far as the script
// runner needs to know: quoted strings and names, block comments, and the
// comments that run to the end of the line ("-- " and "#").
#include <string>

class SqlCommentScan {
 public:
  // Reads one more piece of a statement, carrying quotes and block
  // comments over from the pieces before; true when a comment that runs to
  // the end of the line starts in it outside quotes.
  bool startsLineComment(const std::string& piece);

 private:
  char quote_ = 0;  // ', " or ` while inside one
  bool inBlock_ = false;
};
