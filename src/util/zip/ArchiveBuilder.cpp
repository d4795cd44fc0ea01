#include "util/zip/ArchiveBuilder.h"

#include <zlib.h>

#include <optional>
#include <unordered_map>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "util/AsciiCase.h"
#include "util/zip/DeflatePipeline.h"
#include "util/zip/NameCoding.h"
#include "util/zip/ZipWriter.h"

namespace zipio {
namespace {

// The file's DOS time, the precision in which entries carry it.
std::time_t dosRounded(std::time_t t) {
  const ziptime::DosDateTime d = ziptime::toDos(t);
  return ziptime::fromDos(d.date, d.time);
}

bool newer(const FoundFile& file, const CentralEntry& entry) {
  const auto written = platform::lastWriteTime(file.path);
  return written && dosRounded(*written) > ziptime::fromDos(entry.dosDate, entry.dosTime);
}

// One entry of the new archive: a file deflated in, an entry of the old
// archive copied over, or a file that replaces an old entry (which is
// copied after all when the file cannot be opened).
struct Step {
  std::optional<std::size_t> file;
  const CentralEntry* old = nullptr;
};

std::vector<Step> plan(const std::vector<FoundFile>& files, const OldArchive* old) {
  std::vector<Step> steps;
  std::vector<bool> used(files.size(), false);
  if (old) {
    std::unordered_map<std::string, std::size_t> byName;
    for (std::size_t i = 0; i < files.size(); ++i) byName.emplace(foldAscii(files[i].name), i);
    for (const CentralEntry& entry : old->entries) {
      const std::string name = zipname::decode({entry.rawName, entry.extra, entry.flags, entry.versionMadeBy});
      const auto match = byName.find(foldAscii(name));
      Step step{std::nullopt, &entry};
      if (match != byName.end() && !used[match->second]) {
        used[match->second] = true;
        if (newer(files[match->second], entry)) step.file = match->second;
      }
      steps.push_back(step);
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i)
    if (!used[i]) steps.push_back({i, nullptr});
  return steps;
}

class Builder {
 public:
  Builder(OutputFile& out, const std::vector<FoundFile>& files, const OldArchive* old, unsigned workers,
          const BytesRead& read, const std::function<void()>& idle)
      : writer_(out), out_(out), files_(files), old_(old), read_(read), steps_(plan(files, old)),
        pipeline_(pathsOf(steps_, files), workers, idle) {}

  void run() {
    std::size_t job = 0;
    for (const Step& step : steps_) {
      if (step.file && add(files_[*step.file], job++)) continue;
      if (step.old) writer_.copyEntry(old_->file, *step.old);
    }
    writer_.finish();
  }

 private:
  static std::vector<std::string> pathsOf(const std::vector<Step>& steps, const std::vector<FoundFile>& files) {
    std::vector<std::string> paths;
    for (const Step& step : steps)
      if (step.file) paths.push_back(files[*step.file].path);
    return paths;
  }

  // False when the file could not be opened (it is then left out).
  bool add(const FoundFile& found, std::size_t job) {
    platform::DataFileInfo info{0, 0};
    if (!pipeline_.open(job, info)) return false;
    NewFile file;
    const zipname::StoredName stored = zipname::encode(found.name);
    file.storedName = stored.bytes;
    file.utf8Name = stored.utf8Flag;
    file.modified = ziptime::toDos(info.lastWrite);
    file.attributes = found.attributes;
    file.expectedSize = info.size;
    const bool writing = writer_.beginFile(file);
    CompressedSizes sizes;
    sizes.crc = static_cast<std::uint32_t>(crc32_z(0, nullptr, 0));
    DeflatedBlock block;
    while (pipeline_.next(job, block)) {
      if (writing) out_.write(block.data.data(), block.data.size());
      sizes.crc = static_cast<std::uint32_t>(crc32_combine(sizes.crc, block.crc, static_cast<z_off_t>(block.size)));
      sizes.size += block.size;
      sizes.compressedSize += block.data.size();
      bytesRead_ += block.size;
      if (read_) read_(bytesRead_);
    }
    if (writing) writer_.endFile(sizes);
    return true;
  }

  ZipWriter writer_;
  OutputFile& out_;
  const std::vector<FoundFile>& files_;
  const OldArchive* old_;
  const BytesRead& read_;
  std::uint64_t bytesRead_ = 0;
  std::vector<Step> steps_;
  DeflatePipeline pipeline_;
};

}  // namespace

void buildArchive(const std::string& path, const std::vector<FoundFile>& files, const OldArchive* old,
                  const BytesRead& read, const std::function<void()>& idle) {
  buildArchive(path, files, old, DeflatePipeline::defaultWorkers(), read, idle);
}

void buildArchive(const std::string& path, const std::vector<FoundFile>& files, const OldArchive* old,
                  unsigned workers, const BytesRead& read, const std::function<void()>& idle) {
  const std::function<void()> pump = idle ? idle : [] {};
  OutputFile out(path);
  try {
    out.onBlockWritten(pump);
    Builder builder(out, files, old, workers, read, pump);
    builder.run();
    out.close();
  } catch (const std::exception& e) {
    try {
      out.close();
    } catch (const OvexError&) {
    }
    platform::deleteFileEntry(path);
    if (dynamic_cast<const OvexError*>(&e)) throw;
    throw OvexError(std::string("写入压缩包失败：") + e.what());
  }
}

}  // namespace zipio
