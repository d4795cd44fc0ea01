#pragma once
// The central directory of an existing archive, read into memory.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zipio {

struct CentralEntry {
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint64_t localOffset = 0;  // already corrected for leading data
  std::string rawName;
  std::string extra;    // without the Zip64 field
  std::string comment;
};

// Reads the entries of the archive in central-directory order; raises
// OvexError when the file is not a readable Zip archive.
std::vector<CentralEntry> readCentralDirectory(std::FILE* file);

// Where the entry's data starts, after its local header; raises OvexError
// when the local header cannot be read.
std::uint64_t locateEntryData(std::FILE* file, const CentralEntry& entry);

}  // namespace zipio
