#include "backup/BackupManifest.h"

#include <cstdio>

#include "backup/MD5.h"
#include "base/OvexError.h"
#include "platform/CodePages.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "util/AsciiCase.h"
#include "util/DataFileStream.h"

namespace {

std::string twoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

}  // namespace

std::string dataArchiveDigest(const std::string& dataZip) {
  DataFileStream in(dataZip);
  if (!in) throw OvexError("Cannot open file \"" + dataZip + "\"");
  return foldAscii(TMD5::MD5TStream(in));
}

void writeBackupManifest(const std::string& path, const std::string& version, const std::string& md5) {
  const platform::LocalTime t = platform::localNow();
  const std::string sep = platform::timeSeparator();
  const std::string text = "#created time is " + std::to_string(t.year) + "-" + twoDigits(t.month) + "-" +
                           twoDigits(t.day) + " " + twoDigits(t.hour) + sep + twoDigits(t.minute) + sep +
                           twoDigits(t.second) + "\r\n" + "#created by updateOvexZnp\r\n" + "DBVersion=" +
                           version + "\r\n" + "MD5=" + md5 + "\r\n";
  platform::FileError error{};
  if (!platform::writeNewFile(path, platform::utf8ToAnsi(text), &error))
    throw OvexError("Cannot create file \"" + path + "\". " + error.message);
}
