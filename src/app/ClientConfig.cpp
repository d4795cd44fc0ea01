// updateManager.ini and the "CurrentVersion=" line of service.ini: GBK text,
// CR LF after every line.
#include "app/ClientConfig.h"

#include <cstdio>
#include <vector>

#include "platform/Platform.h"
#include "util/DirectoryOps.h"
#include "util/OvexError.h"
#include "util/TUpdateUtils.h"

namespace {

const std::string kVersionKey = "CurrentVersion=";

std::string timestamp() {
  const platform::LocalTime t = platform::localNow();
  const std::string sep = platform::timeSeparator();
  char date[16], hh[4], nn[4], ss[4];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", t.year % 10000, t.month % 100, t.day % 100);
  std::snprintf(hh, sizeof hh, "%02d", t.hour % 100);
  std::snprintf(nn, sizeof nn, "%02d", t.minute % 100);
  std::snprintf(ss, sizeof ss, "%02d", t.second % 100);
  return std::string(date) + " " + hh + sep + nn + sep + ss;
}

std::string ansiText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return platform::utf8ToAnsi(text);
}

[[noreturn]] void cannotCreate(const std::string& path, const platform::FileError& error) {
  throw OvexError("Cannot create file \"" + path + "\". " + error.message);
}

// LF or CR LF ends a line; a CR anywhere else is dropped.
std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (text[i] != '\r') {
      line.push_back(text[i]);
    }
  }
  if (!line.empty() || (!text.empty() && text.back() == '\r')) lines.push_back(line);
  return lines;
}

bool startsWithKey(const std::string& line) {
  if (line.size() < kVersionKey.size()) return false;
  for (size_t i = 0; i < kVersionKey.size(); ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    char k = kVersionKey[i];
    if (k >= 'a' && k <= 'z') k = static_cast<char>(k - 'a' + 'A');
    if (c != k) return false;
  }
  return true;
}

std::vector<std::string> readServiceIni(const std::string& path) {
  std::string bytes;
  platform::FileError error;
  if (!platform::readWholeFile(path, &bytes, &error)) {
    if (error.kind == platform::FileErrorKind::kNotFound) throw OvexError("File not found");
    if (error.kind == platform::FileErrorKind::kAccessDenied) throw OvexError("File access denied");
    throw OvexError("Cannot open file \"" + path + "\". " + error.message);
  }
  return splitLines(platform::ansiToUtf8(bytes));
}

}  // namespace

void writeUpdateManagerIni(const std::string& path, const std::string& zipFileName) {
  const std::vector<std::string> lines = {
      "#[Update Manager Config]",
      "#" + timestamp(),
      "updateStatus=",
      "dataFileName=",
      "zipFileName=" + TUpdateUtils::Str_Gb2UniCode(zipFileName),
  };
  const std::string bytes = ansiText(lines);
  platform::FileError error;
  // The new file replaces the old one in a single step, flushed to disk and
  // keeping the old one's attributes: an upgrade cut off here leaves the old
  // file or the new one, never neither. Where that is refused, the old file
  // is deleted and the new one written, unless it is read-only (deleting it
  // would go around that, which Windows never does).
  if (fileExists(path)) {
    if (platform::replaceFileContent(path, bytes, &error)) return;
    if (platform::fileAttributes(path).value_or(0) & platform::kAttrReadOnly) cannotCreate(path, error);
    deleteFile(path);
  }
  if (!platform::writeNewFile(path, bytes, &error)) cannotCreate(path, error);
}

void setCurrentVersion(const std::string& path, const std::string& version) {
  std::vector<std::string> lines = readServiceIni(path);
  for (std::string& line : lines)
    if (startsWithKey(line)) line = kVersionKey + version;
  platform::FileError error;
  if (!platform::replaceFileContent(path, ansiText(lines), &error)) cannotCreate(path, error);
}
