// TUpdateUtils::unzip: unpacks a Zip archive into a folder. Per-entry
// failures are skipped; anything else ends the walk with false.
#include <memory>
#include <optional>
#include <thread>
#include <unordered_set>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "util/Paths.h"
#include "util/Progress.h"
#include "util/TUpdateUtils.h"
#include "util/zip/ArchiveTest.h"
#include "util/zip/BackgroundWriter.h"
#include "util/zip/CentralDirectory.h"
#include "util/zip/CountingSink.h"
#include "util/zip/DosTime.h"
#include "util/zip/Inflater.h"
#include "util/zip/NameCoding.h"
#include "util/zip/ZipFormat.h"

namespace TUpdateUtils {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// An entry that cannot be unpacked, or whose folder cannot be made (a file
// of that name is in the way); the walk goes on with the next entry.
struct EntryFailure {};

bool folderExists(const std::string& path) {
  const auto attrs = platform::fileAttributes(path);
  return attrs && (*attrs & platform::kAttrDirectory);
}

// Folders known to exist during one call, so that entries of one folder
// do not look it up again and again.
using KnownFolders = std::unordered_set<std::string>;

void ensureFolder(const std::string& path, KnownFolders& known) {
  if (known.count(path)) return;
  if (!folderExists(path) && !platform::createDirectory(path) && !folderExists(path)) throw EntryFailure{};
  known.insert(path);
}

// Creates every missing folder of rel (a "/"-separated path) below base.
void ensureFolders(const std::string& base, const std::string& rel, KnownFolders& known) {
  std::size_t slash = 0;
  while ((slash = rel.find('/', slash)) != std::string::npos) {
    ensureFolder(base + "/" + rel.substr(0, slash), known);
    ++slash;
  }
}

class FileSink : public zipio::ByteSink {
 public:
  explicit FileSink(std::FILE* f) : file_(f) {}
  void write(const void* data, std::size_t size) override {
    if (std::fwrite(data, 1, size, file_) != size) throw OvexError("写入文件失败");
  }

 private:
  std::FILE* file_;
};

// Entries at least this large are written on a second thread while the
// next blocks are inflated, when the machine has more than one core.
constexpr std::uint64_t kBackgroundWriteSize = 4u << 20;

// The background writer of one unzip call, started with its first large entry.
class LargeFileWriter {
 public:
  zipio::BackgroundWriter* forEntry(const zipio::CentralEntry& e) {
    if (e.size < kBackgroundWriteSize || std::thread::hardware_concurrency() < 2) return nullptr;
    if (!writer_) writer_.emplace();
    return &*writer_;
  }

 private:
  std::optional<zipio::BackgroundWriter> writer_;
};

// An existing target that is read-only, hidden or system is not replaced.
void checkReplaceable(const std::string& target) {
  const auto attrs = platform::fileAttributes(target);
  if (!attrs) return;
  if (*attrs & (platform::kAttrDirectory | platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem))
    throw EntryFailure{};
}

// Inflates the entry into out: on the background writer when one is given.
bool inflateInto(std::FILE* archive, const zipio::CentralEntry& e, std::FILE* out, zipio::BackgroundWriter* background,
                 zipio::ByteTally& tally) {
  bool ok = false;
  try {
    if (background) {
      background->start(out);
      zipio::CountingSink counted(*background, tally);
      ok = zipio::inflateEntry(archive, e, counted) == e.crc;
    } else {
      FileSink sink(out);
      zipio::CountingSink counted(sink, tally);
      ok = zipio::inflateEntry(archive, e, counted) == e.crc;
    }
  } catch (const OvexError&) {
    ok = false;
  }
  // Every queued block has reached the file (or failed) before it is closed.
  if (background && !background->finish()) ok = false;
  return ok;
}

void unpackFile(std::FILE* archive, const zipio::CentralEntry& e, const std::string& target,
                LargeFileWriter& large, zipio::ByteTally& tally) {
  std::uint64_t dataStart = 0;
  try {
    dataStart = zipio::locateEntryData(archive, e);
  } catch (const OvexError&) {
    throw EntryFailure{};
  }
  checkReplaceable(target);
  if (!platform::seekDataFile(archive, dataStart)) throw EntryFailure{};
  FilePtr out(platform::openDataFile(target, "wb"));
  if (!out) throw EntryFailure{};
  std::setvbuf(out.get(), nullptr, _IONBF, 0);  // the decoders hand over large blocks
  // Data that does not match its checksum is damaged data too.
  bool ok = inflateInto(archive, e, out.get(), large.forEntry(e), tally);
  ok = std::fclose(out.release()) == 0 && ok;
  if (!ok) {
    platform::deleteFileEntry(target);
    throw EntryFailure{};
  }
}

void setTimeAndAttributes(const zipio::CentralEntry& e, const std::string& target, bool folder) {
  platform::setLastWriteTime(target, ziptime::fromDos(e.dosDate, e.dosTime));
  if (folder) return;
  const std::uint32_t kept = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive;
  platform::setFileAttributes(target, e.externalAttributes & kept);
}

void unpackEntry(std::FILE* archive, const zipio::CentralEntry& e, const std::string& base, KnownFolders& known,
                 LargeFileWriter& large, zipio::ByteTally& tally) {
  const std::string name = zipname::decode({e.rawName, e.extra, e.flags, e.versionMadeBy});
  const bool folder = (!name.empty() && (name.back() == '/' || name.back() == '\\')) ||
                      (e.externalAttributes & platform::kAttrDirectory);
  if (!folder && !zipio::entryRefusal(e, name).empty()) throw EntryFailure{};
  const std::optional<std::string> rel = zipname::confinedPath(name);
  if (!rel) throw EntryFailure{};
  ensureFolders(base, *rel, known);
  const std::string target = base + "/" + *rel;
  if (folder) {
    ensureFolder(target, known);
  } else {
    unpackFile(archive, e, target, large, tally);
  }
  setTimeAndAttributes(e, target, folder);
}

}  // namespace

bool unzip(const std::string& zipFile, const std::string& destDir) { return unzip(zipFile, destDir, noProgress(), ""); }

bool unzip(const std::string& zipFile, const std::string& destDir, Progress& progress, const std::string& step) {
  try {
    if (!folderExists(destDir)) platform::createDirectory(destDir);
    FilePtr archive(platform::openDataFile(zipFile, "rb"));
    if (!archive) return false;
    const std::vector<zipio::CentralEntry> entries = zipio::readCentralDirectory(archive.get());
    if (!folderExists(destDir)) return false;
    std::string base = destDir;
    while (base.size() > 1 && paths::isSeparator(base.back())) base.pop_back();
    KnownFolders known;
    LargeFileWriter large;
    std::uint64_t total = 0;
    for (const zipio::CentralEntry& e : entries) total += e.size;
    ProgressStep shown(progress, step, total, Progress::Unit::kBytes);
    zipio::ByteTally tally{0, [&](std::uint64_t done) { shown.advance(done); }};
    std::uint64_t passed = 0;  // the entries before this one, whether unpacked or not
    for (const zipio::CentralEntry& e : entries) {
      try {
        unpackEntry(archive.get(), e, base, known, large, tally);
      } catch (const EntryFailure&) {
      }
      passed += e.size;
      tally.done = passed;
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace TUpdateUtils
