// TUpdateUtils::zip: packs a folder tree into a Zip archive, or brings an
// existing archive up to date through a temporary file.
#include <atomic>
#include <functional>
#include <memory>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/SystemPaths.h"
#include "util/Paths.h"
#include "util/Progress.h"
#include "util/TUpdateUtils.h"
#include "util/zip/ArchiveBuilder.h"
#include "util/zip/FileTree.h"

namespace TUpdateUtils {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string temporaryArchivePath(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  return paths::joinPath(folder, "~ovexzip-" + std::to_string(platform::currentProcessId()) + "-" +
                                     std::to_string(counter++) + ".tmp");
}

// Copies from to to; false when any byte did not arrive.
bool copyFile(const std::string& from, const std::string& to) {
  std::unique_ptr<std::FILE, FileCloser> in(platform::openDataFile(from, "rb"));
  std::FILE* out = in ? platform::openDataFile(to, "wb") : nullptr;
  if (!out) return false;
  std::string buffer(1 << 20, '\0');
  bool ok = true;
  while (ok) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
    ok = std::fwrite(buffer.data(), 1, n, out) == n && !std::ferror(in.get());
    if (n < buffer.size()) break;
  }
  ok = std::fclose(out) == 0 && ok;
  if (!ok) platform::deleteFileEntry(to);
  return ok;
}

// Puts the finished temporary archive in the place of dest. When it cannot
// simply be renamed there (another volume, or a platform whose rename does
// not replace), it is first copied next to dest, so that a failed copy
// leaves dest as it was; then the old archive is deleted and the copy
// renamed to dest.
void replaceArchive(const std::string& temp, const std::string& dest) {
  if (platform::renameEntry(temp, dest)) return;
  const std::string sibling = temporaryArchivePath(paths::parentDirectory(dest));
  const bool copied = copyFile(temp, sibling);
  platform::deleteFileEntry(temp);
  if (!copied || platform::deleteFileEntry(dest) != platform::DeleteResult::kDeleted || !platform::renameEntry(sibling, dest)) {
    platform::deleteFileEntry(sibling);
    throw OvexError("无法替换压缩包 " + dest);
  }
}

// What the files hold together, as far as they can be opened now.
std::uint64_t totalSize(const std::vector<zipio::FoundFile>& files) {
  std::uint64_t total = 0;
  for (const auto& found : files) {
    std::unique_ptr<std::FILE, FileCloser> file(platform::openDataFile(found.path, "rb"));
    if (!file) continue;
    total += platform::dataFileSize(file.get()).value_or(0);
  }
  return total;
}

void updateArchive(const std::string& dest, const std::vector<zipio::FoundFile>& files,
                   const zipio::BytesRead& read, const std::function<void()>& idle) {
  std::unique_ptr<std::FILE, FileCloser> file(platform::openDataFile(dest, "rb"));
  if (!file) throw OvexError("无法读取压缩包 " + dest);
  zipio::OldArchive old;
  old.file = file.get();
  try {
    old.entries = zipio::readCentralDirectory(file.get());
  } catch (const OvexError& e) {
    throw OvexError(dest + "：" + e.what());
  }
  const std::string temp = temporaryArchivePath(platform::temporaryDirectory());
  zipio::buildArchive(temp, files, &old, read, idle);
  file.reset();
  try {
    replaceArchive(temp, dest);
  } catch (...) {
    platform::deleteFileEntry(temp);
    throw;
  }
}

}  // namespace

bool zip(const std::string& src, const std::string& dest) { return zip(src, dest, noProgress(), ""); }

bool zip(const std::string& src, const std::string& dest, Progress& progress, const std::string& step) {
  const std::function<void()> idle = [&progress] { progress.idle(); };
  const std::vector<zipio::FoundFile> files = zipio::collectFiles(src, dest, idle);
  const auto attrs = platform::fileAttributes(dest);
  if (attrs && (*attrs & platform::kAttrDirectory)) throw OvexError("无法创建文件 " + dest);
  const std::uint64_t total = progress.showsAmounts() ? totalSize(files) : 0;
  ProgressStep shown(progress, step, total, Progress::Unit::kBytes);
  const zipio::BytesRead read = [&](std::uint64_t done) { shown.advance(done); };
  if (attrs)
    updateArchive(dest, files, read, idle);
  else
    zipio::buildArchive(dest, files, nullptr, read, idle);
  return true;
}

}  // namespace TUpdateUtils
