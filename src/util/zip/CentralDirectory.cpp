#include "util/zip/CentralDirectory.h"

#include <algorithm>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "util/zip/ZipFormat.h"

namespace zipio {
namespace {

using namespace zipfmt;

[[noreturn]] void notAnArchive() { throw OvexError("文件不是可读的 Zip 压缩包"); }

std::string readAt(std::FILE* file, std::uint64_t offset, std::size_t size) {
  std::string bytes(size, '\0');
  if (!platform::seekDataFile(file, offset) || std::fread(bytes.data(), 1, size, file) != size)
    notAnArchive();
  return bytes;
}

const unsigned char* bytesOf(const std::string& s, std::size_t pos = 0) {
  return reinterpret_cast<const unsigned char*>(s.data() + pos);
}

struct DirectoryLocation {
  std::uint64_t offset;
  std::uint64_t size;
  std::uint64_t end;  // where the directory should end: start of the end records
};

DirectoryLocation locate(std::FILE* file, std::uint64_t fileSize) {
  if (fileSize < kEndSize) notAnArchive();
  const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + 0xFFFF));
  const std::uint64_t tailStart = fileSize - tailSize;
  const std::string tail = readAt(file, tailStart, tailSize);
  for (std::size_t pos = tailSize - kEndSize + 1; pos-- > 0;) {
    const unsigned char* p = bytesOf(tail, pos);
    if (get32(p) != kEndSig) continue;
    if (pos + kEndSize + get16(p + 20) > tailSize) continue;
    const std::uint64_t endPos = tailStart + pos;
    DirectoryLocation loc{get32(p + 16), get32(p + 12), endPos};
    if (endPos >= kZip64LocatorSize) {
      const std::string locator = readAt(file, endPos - kZip64LocatorSize, kZip64LocatorSize);
      if (get32(bytesOf(locator)) == kZip64LocatorSig) {
        const std::uint64_t z64Pos = get64(bytesOf(locator, 8));
        if (z64Pos > fileSize - kZip64EndSize) notAnArchive();
        const std::string rec = readAt(file, z64Pos, kZip64EndSize);
        if (get32(bytesOf(rec)) != kZip64EndSig) notAnArchive();
        loc = {get64(bytesOf(rec, 48)), get64(bytesOf(rec, 40)), endPos - kZip64LocatorSize};
        // Leading data shifts the Zip64 end record as well.
        const std::uint64_t expectedEnd = z64Pos;
        if (expectedEnd < loc.end) loc.end = expectedEnd;
      }
    }
    return loc;
  }
  notAnArchive();
}

std::uint64_t readZip64(const unsigned char*& p, const unsigned char* end) {
  if (end - p < 8) notAnArchive();
  const std::uint64_t v = get64(p);
  p += 8;
  return v;
}

// Takes the Zip64 field out of extra and applies it to the entry.
void applyExtra(CentralEntry& e, std::string_view extra) {
  std::size_t pos = 0;
  while (pos + 4 <= extra.size()) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(extra.data() + pos);
    const std::uint16_t id = get16(p);
    const std::size_t size = get16(p + 2);
    if (pos + 4 + size > extra.size()) {
      e.extra.append(extra.substr(pos));  // keep malformed tails as they are
      return;
    }
    if (id == kExtraZip64) {
      const unsigned char* q = p + 4;
      const unsigned char* end = q + size;
      if (e.size == kMax32) e.size = readZip64(q, end);
      if (e.compressedSize == kMax32) e.compressedSize = readZip64(q, end);
      if (e.localOffset == kMax32) e.localOffset = readZip64(q, end);
    } else {
      e.extra.append(extra.substr(pos, 4 + size));
    }
    pos += 4 + size;
  }
}

}  // namespace

std::vector<CentralEntry> readCentralDirectory(std::FILE* file) {
  const std::optional<std::uint64_t> fileSize = platform::dataFileSize(file);
  if (!fileSize) notAnArchive();
  const DirectoryLocation loc = locate(file, *fileSize);
  if (loc.size > loc.end || loc.offset > loc.end - loc.size) notAnArchive();
  // Data in front of the archive (a stub) moves every offset by the same amount.
  const std::uint64_t bias = loc.end - loc.size - loc.offset;
  const std::string dir = readAt(file, loc.offset + bias, static_cast<std::size_t>(loc.size));
  std::vector<CentralEntry> entries;
  std::size_t pos = 0;
  while (pos + kCentralSize <= dir.size()) {
    const unsigned char* p = bytesOf(dir, pos);
    if (get32(p) != kCentralSig) notAnArchive();
    const std::size_t nameLen = get16(p + 28), extraLen = get16(p + 30), commentLen = get16(p + 32);
    if (pos + kCentralSize + nameLen + extraLen + commentLen > dir.size()) notAnArchive();
    CentralEntry e;
    e.versionMadeBy = get16(p + 4);
    e.versionNeeded = get16(p + 6);
    e.flags = get16(p + 8);
    e.method = get16(p + 10);
    e.dosTime = get16(p + 12);
    e.dosDate = get16(p + 14);
    e.crc = get32(p + 16);
    e.compressedSize = get32(p + 20);
    e.size = get32(p + 24);
    e.internalAttributes = get16(p + 36);
    e.externalAttributes = get32(p + 38);
    e.localOffset = get32(p + 42);
    const std::string_view rest(dir.data() + pos + kCentralSize, nameLen + extraLen + commentLen);
    e.rawName = std::string(rest.substr(0, nameLen));
    applyExtra(e, rest.substr(nameLen, extraLen));
    e.comment = std::string(rest.substr(nameLen + extraLen));
    e.localOffset += bias;
    entries.push_back(std::move(e));
    pos += kCentralSize + nameLen + extraLen + commentLen;
  }
  if (pos != dir.size()) notAnArchive();
  return entries;
}

std::uint64_t locateEntryData(std::FILE* file, const CentralEntry& entry) {
  unsigned char header[kLocalSize];
  if (!platform::seekDataFile(file, entry.localOffset) ||
      std::fread(header, 1, kLocalSize, file) != kLocalSize || get32(header) != kLocalSig)
    throw OvexError("无法读取压缩包的本地文件头");
  return entry.localOffset + kLocalSize + get16(header + 26) + get16(header + 28);
}

}  // namespace zipio
