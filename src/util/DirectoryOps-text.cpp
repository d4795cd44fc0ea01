// readTextLines: a whole ANSI (CP936) text file as its lines.
#include "base/OvexError.h"
#include "platform/CodePages.h"
#include "platform/Files.h"
#include "util/DirectoryOps.h"
#include "util/PathValidation.h"
#include "util/Paths.h"

namespace {

// CR LF, a lone CR and a lone LF each end a line; a break at the very end
// adds no empty line.
std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

std::vector<std::string> readTextLines(const std::string& path) {
  pathcheck::validatePath({path}, pathcheck::PathKind::kFile);
  const std::string absolute = paths::absolutePath(path);
  if (!directoryExists(paths::directoryPart(absolute)))
    throw OvexError("The specified path was not found");
  if (!fileExists(absolute)) throw OvexError("The specified file was not found");
  std::string bytes;
  platform::FileError error;
  if (!platform::readWholeFile(absolute, &bytes, &error))
    throw OvexError("Cannot open file \"" + path + "\". " + error.message);
  // A NUL ends the text; in CP936 a zero byte is never part of a character.
  const size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  return splitLines(platform::ansiToUtf8(bytes));
}
