#include "util/zip/ArchiveTest.h"

#include <memory>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "util/Progress.h"
#include "util/zip/CountingSink.h"
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

std::string entryProblem(std::FILE* archive, const CentralEntry& e, const std::string& name, ByteTally& tally) {
  const std::string refusal = entryRefusal(e, name);
  if (!refusal.empty()) return refusal;
  try {
    if (!platform::seekDataFile(archive, locateEntryData(archive, e))) return "cannot be read";
    DiscardSink discard;
    CountingSink sink(discard, tally);
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

std::vector<std::string> testArchive(const std::string& zipFile) { return testArchive(zipFile, noProgress(), ""); }

std::vector<std::string> testArchive(const std::string& zipFile, Progress& progress, const std::string& step) {
  std::unique_ptr<std::FILE, FileCloser> archive(platform::openDataFile(zipFile, "rb"));
  if (!archive) return {"\"" + zipFile + "\" cannot be opened"};
  std::vector<std::string> problems;
  try {
    const std::vector<CentralEntry> entries = readCentralDirectory(archive.get());
    std::uint64_t total = 0;
    for (const CentralEntry& e : entries) total += e.size;
    ProgressStep shown(progress, step, total, Progress::Unit::kBytes);
    ByteTally tally{0, [&](std::uint64_t done) { shown.advance(done); }};
    std::uint64_t passed = 0;
    for (const CentralEntry& e : entries) {
      const std::string name = zipname::decode({e.rawName, e.extra, e.flags, e.versionMadeBy});
      const std::string problem = entryProblem(archive.get(), e, name, tally);
      if (!problem.empty()) problems.push_back("entry \"" + name + "\": " + problem);
      passed += e.size;
      tally.done = passed;
    }
  } catch (const OvexError& error) {
    problems.push_back("\"" + zipFile + "\" is no readable Zip archive: " + error.what());
  }
  return problems;
}

}  // namespace zipio
