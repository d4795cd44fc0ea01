#include "util/zip/ZipWriter.h"

#include <algorithm>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "util/zip/ZipFormat.h"

namespace zipio {
namespace {

using namespace zipfmt;

// Deflate can grow incompressible data a little; a file this close to 4 GiB
// gets the Zip64 field in its local header from the start.
bool mayNeedZip64(std::uint64_t size) { return size + size / 1024 + 65536 >= kMax32; }

std::uint32_t clip32(std::uint64_t v) { return v >= kMax32 ? kMax32 : static_cast<std::uint32_t>(v); }

std::string centralRecord(const CentralEntry& e) {
  std::string zip64;
  if (e.size >= kMax32) put64(zip64, e.size);
  if (e.compressedSize >= kMax32) put64(zip64, e.compressedSize);
  if (e.localOffset >= kMax32) put64(zip64, e.localOffset);
  std::string extra;
  if (!zip64.empty()) {
    put16(extra, kExtraZip64);
    put16(extra, static_cast<std::uint16_t>(zip64.size()));
    extra += zip64;
  }
  extra += e.extra;
  const std::uint16_t needed = zip64.empty() ? e.versionNeeded : std::max(e.versionNeeded, kVersionZip64);
  std::string r;
  put32(r, kCentralSig);
  put16(r, e.versionMadeBy);
  put16(r, needed);
  put16(r, e.flags);
  put16(r, e.method);
  put16(r, e.dosTime);
  put16(r, e.dosDate);
  put32(r, e.crc);
  put32(r, clip32(e.compressedSize));
  put32(r, clip32(e.size));
  put16(r, static_cast<std::uint16_t>(e.rawName.size()));
  put16(r, static_cast<std::uint16_t>(std::min<std::size_t>(extra.size(), kMax16)));
  put16(r, static_cast<std::uint16_t>(e.comment.size()));
  put16(r, 0);  // disk number start
  put16(r, e.internalAttributes);
  put32(r, e.externalAttributes);
  put32(r, clip32(e.localOffset));
  r += e.rawName;
  r += extra.substr(0, kMax16);
  r += e.comment;
  return r;
}

std::string localHeader(const CentralEntry& e, bool zip64) {
  std::string h;
  put32(h, kLocalSig);
  put16(h, e.versionNeeded);
  put16(h, e.flags);
  put16(h, e.method);
  put16(h, e.dosTime);
  put16(h, e.dosDate);
  put32(h, e.crc);
  put32(h, zip64 ? kMax32 : static_cast<std::uint32_t>(e.compressedSize));
  put32(h, zip64 ? kMax32 : static_cast<std::uint32_t>(e.size));
  put16(h, static_cast<std::uint16_t>(e.rawName.size()));
  put16(h, zip64 ? 20 : 0);
  h += e.rawName;
  if (zip64) {
    put16(h, kExtraZip64);
    put16(h, 16);
    put64(h, e.size);
    put64(h, e.compressedSize);
  }
  return h;
}

}  // namespace

bool ZipWriter::beginFile(const NewFile& file) {
  if (file.storedName.size() > kMax16) return false;
  CentralEntry e;
  e.localOffset = out_.offset();
  currentZip64_ = mayNeedZip64(file.expectedSize);
  e.versionNeeded = (currentZip64_ || e.localOffset >= kMax32) ? kVersionZip64 : kVersionDefault;
  e.versionMadeBy = kVersionMadeBy;
  e.flags = file.utf8Name ? kFlagUtf8 : 0;
  e.method = kMethodDeflate;
  e.dosTime = file.modified.time;
  e.dosDate = file.modified.date;
  e.externalAttributes = file.attributes;
  e.rawName = file.storedName;
  out_.write(localHeader(e, currentZip64_));
  current_ = std::move(e);
  return true;
}

void ZipWriter::endFile(const CompressedSizes& sizes) {
  CentralEntry& e = current_;
  e.crc = sizes.crc;
  e.size = sizes.size;
  e.compressedSize = sizes.compressedSize;
  if (!currentZip64_ && (e.size >= kMax32 || e.compressedSize >= kMax32))
    throw OvexError("文件在压缩期间增大到 4 GB 以上：" + e.rawName);
  out_.patch(e.localOffset, localHeader(e, currentZip64_));
  written_.push_back(std::move(e));
}

void ZipWriter::copyEntry(std::FILE* archive, const CentralEntry& entry) {
  unsigned char header[kLocalSize];
  if (!platform::seekDataFile(archive, entry.localOffset) ||
      std::fread(header, 1, kLocalSize, archive) != kLocalSize || get32(header) != kLocalSig)
    throw OvexError("压缩包已损坏，无法复制条目");
  const std::uint64_t headerSize = kLocalSize + get16(header + 26) + get16(header + 28);
  std::uint64_t total = headerSize + entry.compressedSize;
  if (entry.flags & kFlagDescriptor) {
    unsigned char sig[4];
    const bool zip64 = entry.size >= kMax32 || entry.compressedSize >= kMax32;
    if (!platform::seekDataFile(archive, entry.localOffset + headerSize + entry.compressedSize) ||
        std::fread(sig, 1, 4, archive) != 4)
      throw OvexError("压缩包已损坏，无法复制条目");
    total += (get32(sig) == kDescriptorSig ? 4 : 0) + (zip64 ? 20 : 12);
  }
  CentralEntry e = entry;
  e.localOffset = out_.offset();
  if (!platform::seekDataFile(archive, entry.localOffset)) throw OvexError("压缩包已损坏，无法复制条目");
  std::vector<char> buffer(1 << 20);
  while (total > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(total, buffer.size()));
    if (std::fread(buffer.data(), 1, n, archive) != n) throw OvexError("压缩包已损坏，无法复制条目");
    out_.write(buffer.data(), n);
    total -= n;
  }
  written_.push_back(std::move(e));
}

void ZipWriter::finish() {
  const std::uint64_t dirOffset = out_.offset();
  for (const CentralEntry& e : written_) out_.write(centralRecord(e));
  const std::uint64_t dirSize = out_.offset() - dirOffset;
  const std::uint64_t count = written_.size();
  std::string end;
  if (count >= kMax16 || dirOffset >= kMax32 || dirSize >= kMax32) {
    const std::uint64_t zip64End = out_.offset();
    put32(end, kZip64EndSig);
    put64(end, kZip64EndSize - 12);
    put16(end, kVersionMadeBy);
    put16(end, kVersionZip64);
    put32(end, 0);
    put32(end, 0);
    put64(end, count);
    put64(end, count);
    put64(end, dirSize);
    put64(end, dirOffset);
    put32(end, kZip64LocatorSig);
    put32(end, 0);
    put64(end, zip64End);
    put32(end, 1);
  }
  const std::uint16_t count16 = count >= kMax16 ? kMax16 : static_cast<std::uint16_t>(count);
  put32(end, kEndSig);
  put16(end, 0);
  put16(end, 0);
  put16(end, count16);
  put16(end, count16);
  put32(end, clip32(dirSize));
  put32(end, clip32(dirOffset));
  put16(end, 0);  // no comment
  out_.write(end);
}

}  // namespace zipio
