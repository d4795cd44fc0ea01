// updateManager.ini (GBK text, CR LF after every line) and the
// "CurrentVersion=" lines of service.ini (the rest of it left byte for byte).
#include "app/ClientConfig.h"

#include <cstdio>
#include <vector>

#include "base/OvexError.h"
#include "platform/CodePages.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "util/DirectoryOps.h"
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

std::string readServiceIni(const std::string& path) {
  std::string bytes;
  platform::FileError error;
  if (!platform::readWholeFile(path, &bytes, &error)) {
    if (error.kind == platform::FileErrorKind::kNotFound) throw OvexError("File not found");
    if (error.kind == platform::FileErrorKind::kAccessDenied) throw OvexError("File access denied");
    throw OvexError("Cannot open file \"" + path + "\". " + error.message);
  }
  return bytes;
}

// The line as it is read: a CR that does not end it is dropped.
std::string withoutLoneCarriageReturns(const std::string& line) {
  std::string out;
  for (char c : line)
    if (c != '\r') out += c;
  return out;
}

// Every "CurrentVersion=" line's text replaced, every other byte (line
// ends, the other lines in whatever encoding they were saved) kept. A line
// ends at LF or CR LF; the key is ASCII, which no GBK or UTF-8 sequence
// holds at the start of a line.
std::string withVersionLines(const std::string& bytes, const std::string& versionLine) {
  std::string out;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t lf = bytes.find('\n', start);
    const size_t next = lf == std::string::npos ? bytes.size() : lf + 1;
    size_t end = lf == std::string::npos ? bytes.size() : lf;
    if (lf != std::string::npos && end > start && bytes[end - 1] == '\r') --end;
    const std::string line = bytes.substr(start, end - start);
    out += startsWithKey(withoutLoneCarriageReturns(line)) ? versionLine : line;
    out += bytes.substr(end, next - end);
    start = next;
  }
  return out;
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
  const std::string bytes = withVersionLines(readServiceIni(path), platform::utf8ToAnsi(kVersionKey + version));
  platform::FileError error;
  if (!platform::replaceFileContent(path, bytes, &error)) cannotCreate(path, error);
}

void refuseControlCharacters(const std::string& what, const std::string& value) {
  std::string shown;
  bool found = false;
  for (char c : value) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) {
      shown += c;
      continue;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", u);
    shown += hex;
    found = true;
  }
  if (found) throw OvexError(what + " \"" + shown + "\" holds a control character");
}

std::string currentVersion(const std::string& path) {
  const std::string bytes = readServiceIni(path);
  for (size_t start = 0; start < bytes.size();) {
    const size_t lf = bytes.find('\n', start);
    const size_t end = lf == std::string::npos ? bytes.size() : lf;
    const std::string line = withoutLoneCarriageReturns(bytes.substr(start, end - start));
    if (startsWithKey(line)) return platform::ansiToUtf8(line.substr(kVersionKey.size()));
    start = end + 1;
  }
  return std::string();
}
