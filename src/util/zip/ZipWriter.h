#pragma once
// Writes the records of one archive: local headers with their data,
// then the central directory and the end records (Zip64 where needed).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "util/zip/CentralDirectory.h"
#include "util/zip/DosTime.h"
#include "util/zip/OutputFile.h"

namespace zipio {

struct CompressedSizes {
  std::uint32_t crc = 0;
  std::uint64_t size = 0;            // bytes read
  std::uint64_t compressedSize = 0;  // bytes of deflate data
};

struct NewFile {
  std::string storedName;  // bytes as they go into the archive
  bool utf8Name = false;
  ziptime::DosDateTime modified{};
  std::uint32_t attributes = 0;
  std::uint64_t expectedSize = 0;  // size when opened; decides the Zip64 local field
};

class ZipWriter {
 public:
  explicit ZipWriter(OutputFile& out) : out_(out) {}

  // Starts a deflated entry: its local header. Its compressed data then
  // goes to the output file, and endFile completes it. False, with nothing
  // written, for a name the format cannot hold.
  bool beginFile(const NewFile& file);
  void endFile(const CompressedSizes& sizes);
  // Copies an entry of another archive over unchanged.
  void copyEntry(std::FILE* archive, const CentralEntry& entry);
  // Central directory and end records.
  void finish();

 private:
  OutputFile& out_;
  std::vector<CentralEntry> written_;
  CentralEntry current_;
  bool currentZip64_ = false;
};

}  // namespace zipio
