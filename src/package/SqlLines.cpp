#include "package/SqlLines.h"

namespace {

bool isCommentLine(const std::string& trimmed) { return trimmed.compare(0, 2, "--") == 0; }

bool endsStatement(const std::string& trimmed) { return !trimmed.empty() && trimmed.back() == ';'; }

}  // namespace

// Such characters are single bytes in UTF-8, so the cut works on bytes.
std::string trimControls(const std::string& line) {
  size_t begin = 0, end = line.size();
  while (begin < end && static_cast<unsigned char>(line[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(line[end - 1]) <= 32) --end;
  return line.substr(begin, end - begin);
}

std::optional<SqlStatement> SqlLineSplitter::feed(const std::string& line) {
  const std::string trimmed = trimControls(line);
  if (isCommentLine(trimmed)) return std::nullopt;
  if (!endsStatement(trimmed)) {
    // Lines are joined with nothing between them: a comment to the end of
    // this line would swallow every line joined after it.
    if (!hidden_ && scan_.startsLineComment(trimmed)) hidden_ = true;
    pending_ += trimmed;
    return std::nullopt;
  }
  SqlStatement statement{pending_ + trimmed, hidden_};
  pending_.clear();
  scan_ = SqlCommentScan();
  hidden_ = false;
  return statement;
}
