#include "util/zip/ArchiveTest.h"

#include <memory>

#include "platform/Platform.h"
#include "util/OvexError.h"
#include "util/zip/Inflater.h"
#include "util/zip/NameCoding.h"
#include "util/zip/ZipFormat.h"

namespace zipio {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

class DiscardSink : public ByteSink {
 public:
  void write(const void*, std::size_t) override {}
};

std::string entryProblem(std::FILE* archive, const CentralEntry& e, const std::string& name) {
  const std::string refusal = entryRefusal(e, name);
  if (!refusal.empty()) return refusal;
  try {
    if (!platform::seekDataFile(archive, locateEntryData(archive, e))) return "cannot be read";
    DiscardSink sink;
    if (inflateEntry(archive, e, sink) != e.crc) return "CRC mismatch: the data is damaged";
  } catch (const OvexError& error) {
    return std::string("damaged: ") + error.what();
  }
  return "";
}

}  // namespace

std::string entryRefusal(const CentralEntry& e, const std::string& name) {
  if (e.flags & (zipfmt::kFlagEncrypted | zipfmt::kFlagStrongEncryption)) return "encrypted";
  if ((e.versionNeeded & 0xFF) >= 64) return "needs a newer Zip version";
  if (!methodSupported(e.method)) return "compression method " + std::to_string(e.method) + " is not supported";
  if (!zipname::confinedPath(name)) return "its name reaches outside the folder it is unpacked into";
  return "";
}

std::vector<std::string> testArchive(const std::string& zipFile) {
  std::unique_ptr<std::FILE, FileCloser> archive(platform::openDataFile(zipFile, "rb"));
  if (!archive) return {"\"" + zipFile + "\" cannot be opened"};
  std::vector<std::string> problems;
  try {
    for (const CentralEntry& e : readCentralDirectory(archive.get())) {
      const std::string name = zipname::decode({e.rawName, e.extra, e.flags, e.versionMadeBy});
      const std::string problem = entryProblem(archive.get(), e, name);
      if (!problem.empty()) problems.push_back("entry \"" + name + "\": " + problem);
    }
  } catch (const OvexError& error) {
    problems.push_back("\"" + zipFile + "\" is no readable Zip archive: " + error.what());
  }
  return problems;
}

}  // namespace zipio
