#include "package/SqlComments.h"

bool SqlCommentScan::startsLineComment(const std::string& piece) {
  for (size_t i = 0; i < piece.size(); ++i) {
    const char c = piece[i];
    const char next = i + 1 < piece.size() ? piece[i + 1] : '\0';
    if (inBlock_) {
      if (c == '*' && next == '/') {
        inBlock_ = false;
        ++i;
      }
    } else if (quote_) {
      if (c == '\\' && quote_ != '`') ++i;  // an escaped character, the quote included
      else if (c == quote_) quote_ = 0;    // a doubled quote closes and opens again
    } else if (c == '\'' || c == '"' || c == '`') {
      quote_ = c;
    } else if (c == '/' && next == '*') {
      inBlock_ = true;
      ++i;
    } else if (c == '#') {
      return true;
    } else if (c == '-' && next == '-' && i + 2 < piece.size() && static_cast<unsigned char>(piece[i + 2]) <= 32) {
      return true;  // "--" is a comment only when a blank or control character follows
    }
  }
  return false;
}
