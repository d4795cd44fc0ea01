#include "util/zip/ArchiveCheck.h"

#include <cstdio>
#include <memory>

#include "platform/Platform.h"
#include "util/OvexError.h"
#include "util/zip/CentralDirectory.h"
#include "util/zip/Inflater.h"
#include "util/zip/NameCoding.h"
#include "util/zip/ZipFormat.h"

namespace zipio {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

class DiscardingSink : public ByteSink {
 public:
  void write(const void*, std::size_t) override {}
};

bool isFolderEntry(const std::string& name, const CentralEntry& e) {
  return (!name.empty() && (name.back() == '/' || name.back() == '\\')) ||
         (e.externalAttributes & platform::kAttrDirectory);
}

// A folder entry of "." parts only names the destination itself: harmless.
bool namesDestinationOnly(const std::string& name) { return name.find_first_not_of("./\\") == std::string::npos; }

// Why unzip refuses the entry before reading its data; empty when it does not.
std::string refusal(const std::string& name, const CentralEntry& e) {
  const bool folder = isFolderEntry(name, e);
  if (!zipname::confinedPath(name) && !(folder && namesDestinationOnly(name)))
    return "refused: its name reaches outside the folder it is unpacked into";
  if (folder) return {};
  if (e.flags & (zipfmt::kFlagEncrypted | zipfmt::kFlagStrongEncryption)) return "refused: it is encrypted";
  if ((e.versionNeeded & 0xFF) >= 64) return "refused: it needs a newer version to unpack";
  if (!methodSupported(e.method)) return "refused: compression method " + std::to_string(e.method) + " is not supported";
  return {};
}

// Why the entry's data does not unpack whole; empty when it does.
std::string dataProblem(std::FILE* archive, const CentralEntry& e) {
  try {
    if (!platform::seekDataFile(archive, locateEntryData(archive, e))) return "its data cannot be read";
    DiscardingSink sink;
    if (inflateEntry(archive, e, sink) != e.crc) return "its data does not match its CRC-32";
  } catch (const OvexError&) {
    return "its data is damaged or cut short";
  }
  return {};
}

}  // namespace

std::vector<ArchiveProblem> checkArchive(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> archive(platform::openDataFile(path, "rb"));
  if (!archive) return {{"", "it cannot be opened"}};
  std::vector<CentralEntry> entries;
  try {
    entries = readCentralDirectory(archive.get());
  } catch (const OvexError&) {
    return {{"", "it is not a readable Zip archive (damaged or cut short)"}};
  }
  std::vector<ArchiveProblem> problems;
  for (const CentralEntry& e : entries) {
    const std::string name = zipname::decode({e.rawName, e.extra, e.flags, e.versionMadeBy});
    std::string what = refusal(name, e);
    if (what.empty() && !isFolderEntry(name, e)) what = dataProblem(archive.get(), e);
    if (!what.empty()) problems.push_back({name, what});
  }
  return problems;
}

}  // namespace zipio
