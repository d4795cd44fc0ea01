#include "util/PathValidation.h"

#include "base/OvexError.h"
#include "base/TextCodec.h"
#include "platform/SystemPaths.h"
#include "util/Paths.h"

namespace pathcheck {
namespace {

// Limits in UTF-16 code units, as the platform counts them.
constexpr size_t kMaxDirectoryPath = 260;
constexpr size_t kMaxFilePath = 248;

bool tooLong(std::string_view path, PathKind kind) {
  if (paths::hasExtendedPrefix(path)) return false;
  const size_t limit = kind == PathKind::kDirectory ? kMaxDirectoryPath : kMaxFilePath;
  return utf8ToUtf16(path).size() >= limit;
}

bool misplacedColon(std::string_view path) {
  const std::string rest = paths::withoutPrefix(std::string(path));
  return rest.find(':', platform::driveLength(rest)) != std::string::npos;
}

bool invalidCharacters(std::string_view path) {
  bool blank = true;
  for (unsigned char c : path) {
    if (c < 32 || c == '"' || c == '<' || c == '>' || c == '|') return true;
    if (c != ' ') blank = false;
  }
  return blank;
}

template <typename Check>
void checkAll(std::initializer_list<std::string_view> forms, Check failed, const char* text) {
  for (std::string_view form : forms)
    if (failed(form)) throw OvexError(text);
}

}  // namespace

void validatePath(std::initializer_list<std::string_view> forms, PathKind kind) {
  checkAll(forms, [kind](std::string_view p) { return tooLong(p, kind); },
           "The specified path is too long");
  checkAll(forms, misplacedColon, "The path format is not supported");
  checkAll(forms, invalidCharacters, "Invalid characters in path");
}

}  // namespace pathcheck
