#include "util/PathValidation.h"

#include "platform/Platform.h"
#include "util/OvexError.h"
#include "util/TextCodec.h"

namespace pathcheck {
namespace {

// Limits in UTF-16 code units, as the platform counts them.
constexpr size_t kMaxDirectoryPath = 260;
constexpr size_t kMaxFilePath = 248;

bool tooLong(std::string_view path, PathKind kind) {
  if (hasExtendedPrefix(path)) return false;
  const size_t limit = kind == PathKind::kDirectory ? kMaxDirectoryPath : kMaxFilePath;
  return utf8ToUtf16(path).size() >= limit;
}

bool misplacedColon(std::string_view path) {
  const std::string rest = withoutPrefix(std::string(path));
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

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool hasExtendedPrefix(std::string_view path) {
  return path.substr(0, platform::kExtendedPathPrefix.size()) == platform::kExtendedPathPrefix;
}

std::string withoutPrefix(const std::string& path) {
  return hasExtendedPrefix(path) ? path.substr(platform::kExtendedPathPrefix.size()) : path;
}

std::string withoutTrailingSeparator(const std::string& path) {
  if (!path.empty() && isSeparator(path.back())) return path.substr(0, path.size() - 1);
  return path;
}

std::string parentOf(const std::string& path) {
  const size_t last = path.find_last_of("\\/");
  if (last == std::string::npos) return std::string();
  const size_t prefix = hasExtendedPrefix(path) ? platform::kExtendedPathPrefix.size() : 0;
  const size_t drive = prefix + platform::driveLength(withoutPrefix(path));
  return path.substr(0, last <= drive ? last + 1 : last);  // a drive root keeps its separator
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (!dir.empty() && isSeparator(dir.back())) return dir + name;
  return dir + "/" + name;
}

std::string absolutePath(const std::string& path) {
  std::string out, error;
  if (!platform::fullPath(path, &out, &error)) throw OvexError(error);
  return out;
}

void validatePath(std::initializer_list<std::string_view> forms, PathKind kind) {
  checkAll(forms, [kind](std::string_view p) { return tooLong(p, kind); },
           "The specified path is too long");
  checkAll(forms, misplacedColon, "The path format is not supported");
  checkAll(forms, invalidCharacters, "Invalid characters in path");
}

}  // namespace pathcheck
