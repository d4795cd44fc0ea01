#include "util/zip/ArchiveBuilder.h"

#include <memory>
#include <unordered_map>

#include "platform/Platform.h"
#include "util/OvexError.h"
#include "util/Screen.h"
#include "util/zip/NameCoding.h"
#include "util/zip/ZipWriter.h"

namespace zipio {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The file's DOS time, the precision in which entries carry it.
std::time_t dosRounded(std::time_t t) {
  const ziptime::DosDateTime d = ziptime::toDos(t);
  return ziptime::fromDos(d.date, d.time);
}

class Builder {
 public:
  explicit Builder(OutputFile& out) : writer_(out) {}

  // False when the file could not be opened (it is then left out).
  bool add(const FoundFile& found) {
    FilePtr in(platform::openDataFile(found.path, "rb"));
    if (!in) return false;
    std::setvbuf(in.get(), nullptr, _IONBF, 0);
    NewFile file;
    const zipname::StoredName stored = zipname::encode(found.name);
    file.storedName = stored.bytes;
    file.utf8Name = stored.utf8Flag;
    const auto info = platform::dataFileInfo(in.get()).value_or(platform::DataFileInfo{0, 0});
    file.modified = ziptime::toDos(info.lastWrite);
    file.attributes = found.attributes;
    file.expectedSize = info.size;
    writer_.addFile(in.get(), file, deflater_);
    return true;
  }

  void merge(const std::vector<FoundFile>& files, const OldArchive& old) {
    std::unordered_map<std::string, std::size_t> byName;
    for (std::size_t i = 0; i < files.size(); ++i) byName.emplace(zipname::foldAscii(files[i].name), i);
    std::vector<bool> used(files.size(), false);
    for (const CentralEntry& entry : old.entries) {
      const std::string name = zipname::decode({entry.rawName, entry.extra, entry.flags, entry.versionMadeBy});
      const auto match = byName.find(zipname::foldAscii(name));
      if (match != byName.end() && !used[match->second]) {
        used[match->second] = true;
        if (newer(files[match->second], entry) && add(files[match->second])) continue;
      }
      writer_.copyEntry(old.file, entry);
    }
    for (std::size_t i = 0; i < files.size(); ++i)
      if (!used[i]) add(files[i]);
  }

  void finish() { writer_.finish(); }

 private:
  static bool newer(const FoundFile& file, const CentralEntry& entry) {
    const auto written = platform::lastWriteTime(file.path);
    return written && dosRounded(*written) > ziptime::fromDos(entry.dosDate, entry.dosTime);
  }

  ZipWriter writer_;
  Deflater deflater_;
};

}  // namespace

void buildArchive(const std::string& path, const std::vector<FoundFile>& files, const OldArchive* old) {
  OutputFile out(path);
  try {
    out.onBlockWritten([] { screen::processMessages(); });
    Builder builder(out);
    if (old) {
      builder.merge(files, *old);
    } else {
      for (const FoundFile& f : files) builder.add(f);
    }
    builder.finish();
    out.close();
  } catch (const std::exception& e) {
    try {
      out.close();
    } catch (const OvexError&) {
    }
    platform::removeFileEntry(path);
    if (dynamic_cast<const OvexError*>(&e)) throw;
    throw OvexError(std::string("写入压缩包失败：") + e.what());
  }
}

}  // namespace zipio
