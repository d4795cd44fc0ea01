#include "backup/BackupCheck.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>

#include "backup/BackupManifest.h"
#include "base/OvexError.h"
#include "platform/CodePages.h"
#include "platform/Files.h"
#include "util/Paths.h"
#include "util/TUpdateUtils.h"
#include "util/zip/ArchiveListing.h"
#include "util/zip/ArchiveTest.h"

namespace {

const char kNamePrefix[] = "ovex_znp_data_离线备份_";
const char kNameSuffix[] = ".zip";
constexpr std::size_t kStampLength = 14;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool digits(const std::string& text, std::size_t from, std::size_t count) {
  if (from + count > text.size()) return false;
  for (std::size_t i = from; i < from + count; ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

std::optional<std::uint64_t> sizeOf(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(platform::openDataFile(path, "rb"));
  if (!file) return std::nullopt;
  return platform::dataFileSize(file.get());
}

// Lower-case MD5 of the whole file, or "" when it cannot be read.
std::string digestOf(const std::string& path) {
  try {
    return dataArchiveDigest(path);
  } catch (const OvexError&) {
    return "";
  }
}

// "yyyy-mm-dd hh:nn:ss" with the locale's time separator, whatever it was.
bool isCreationTime(const std::string& t) {
  return t.size() == 19 && digits(t, 0, 4) && t[4] == '-' && digits(t, 5, 2) && t[7] == '-' && digits(t, 8, 2) &&
         t[10] == ' ' && digits(t, 11, 2) && !digits(t, 13, 1) && digits(t, 14, 2) && t[16] == t[13] &&
         digits(t, 17, 2);
}

bool isDigestText(const std::string& text) {
  if (text.size() != 32) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'a' || c > 'f')) return false;
  return true;
}

// The four lines of cc, each ended by CR LF; false when the text is not so.
bool splitManifest(const std::string& text, std::array<std::string, 4>* lines) {
  std::size_t at = 0;
  for (std::string& line : *lines) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return false;
    line = text.substr(at, end - at);
    at = end + 2;
  }
  return at == text.size();
}

// Reads cc into contents; the digest it names, "" when it names none.
std::string readManifest(const std::string& path, BackupContents& contents) {
  std::string bytes;
  platform::FileError error{};
  if (!platform::readWholeFile(path, &bytes, &error)) {
    contents.problems.push_back("cc cannot be read: " + error.message);
    return "";
  }
  std::array<std::string, 4> lines;
  const std::string kTime = "#created time is ", kVersion = "DBVersion=", kDigest = "MD5=";
  if (!splitManifest(platform::ansiToUtf8(bytes), &lines) || lines[0].rfind(kTime, 0) != 0 ||
      !isCreationTime(lines[0].substr(kTime.size())) || lines[1] != "#created by updateOvexZnp" ||
      lines[2].rfind(kVersion, 0) != 0 || lines[3].rfind(kDigest, 0) != 0 ||
      !isDigestText(lines[3].substr(kDigest.size()))) {
    contents.problems.push_back(
        "cc is not a backup manifest (four lines: the time, \"#created by updateOvexZnp\", DBVersion=, MD5=)");
    return "";
  }
  contents.createdAt = lines[0].substr(kTime.size());
  contents.version = lines[2].substr(kVersion.size());
  return lines[3].substr(kDigest.size());
}

// cc and data.zip at the top level, every entry whole.
bool checkOuterArchive(const std::string& archive, Progress& progress, BackupContents& contents) {
  std::vector<zipio::ListedEntry> entries;
  try {
    entries = zipio::listArchive(archive);
  } catch (const OvexError& error) {
    contents.problems.push_back(error.what());
    return false;
  }
  bool cc = false, data = false;
  for (const auto& entry : entries) {
    cc = cc || (entry.name == "cc" && !entry.folder);
    data = data || (entry.name == "data.zip" && !entry.folder);
  }
  if (!cc) contents.problems.push_back("the archive holds no cc");
  if (!data) contents.problems.push_back("the archive holds no data.zip");
  for (const std::string& problem : zipio::testArchive(archive, progress, "testing the backup archive"))
    contents.problems.push_back(problem);
  return contents.problems.empty();
}

void checkDataArchive(const std::string& dataZip, Progress& progress, BackupContents& contents) {
  try {
    for (const auto& entry : zipio::listArchive(dataZip)) {
      if (entry.folder) continue;
      ++contents.dataFiles;
      contents.dataBytes += entry.size;
    }
  } catch (const OvexError& error) {
    contents.problems.push_back(std::string("data.zip: ") + error.what());
    return;
  }
  if (contents.dataFiles == 0) contents.problems.push_back("data.zip holds no data file");
  for (const std::string& problem : zipio::testArchive(dataZip, progress, "testing data.zip"))
    contents.problems.push_back("data.zip: " + problem);
}

}  // namespace

bool parseBackupName(const std::string& fileName, std::string* version, std::string* stamp) {
  const std::string prefix = kNamePrefix, suffix = kNameSuffix;
  if (fileName.size() < prefix.size() + 1 + kStampLength + suffix.size()) return false;
  if (fileName.compare(0, prefix.size(), prefix) != 0) return false;
  if (fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  const std::size_t stampAt = fileName.size() - suffix.size() - kStampLength;
  if (!digits(fileName, stampAt, kStampLength) || fileName[stampAt - 1] != '_') return false;
  *version = fileName.substr(prefix.size(), stampAt - 1 - prefix.size());
  *stamp = fileName.substr(stampAt, kStampLength);
  return true;
}

BackupContents checkBackupArchive(const std::string& archive, const std::string& scratch, Progress& progress) {
  BackupContents contents;
  const std::string fileName = paths::fileNamePart(archive);
  std::string nameVersion, stamp;
  const bool named = parseBackupName(fileName, &nameVersion, &stamp);
  if (!named)
    contents.problems.push_back("the name \"" + fileName +
                                "\" is not that of a backup archive (ovex_znp_data_离线备份_<version>_<yyyymmddhhnnss>.zip)");
  contents.archiveBytes = sizeOf(archive).value_or(0);
  if (!checkOuterArchive(archive, progress, contents)) return contents;

  if (!TUpdateUtils::unzip(archive, scratch, progress, "unpacking the backup archive"))
    throw OvexError("The backup archive cannot be unpacked into \"" + scratch + "\"");
  contents.dataZip = scratch + "/data.zip";
  const std::string digest = readManifest(scratch + "/cc", contents);
  if (named && !digest.empty() && nameVersion != contents.version)
    contents.problems.push_back("the name says version \"" + nameVersion + "\", cc says \"" + contents.version + "\"");
  const std::string actual = digestOf(contents.dataZip);
  if (actual.empty())
    contents.problems.push_back("data.zip cannot be read");
  else if (!digest.empty() && actual != digest)
    contents.problems.push_back("the MD5 of data.zip is " + actual + ", cc says " + digest);
  checkDataArchive(contents.dataZip, progress, contents);
  return contents;
}
