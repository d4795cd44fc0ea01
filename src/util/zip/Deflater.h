#pragma once
// Compression of one file into raw deflate: level 6, 15-bit window, memory
// level 8, default strategy, through two 65535-byte buffers. One Deflater
// per thread; it can be reused for many files.
#include <cstdint>
#include <cstdio>
#include <memory>

#include "util/zip/OutputFile.h"

namespace zipio {

struct CompressedSizes {
  std::uint32_t crc = 0;
  std::uint64_t size = 0;            // bytes read
  std::uint64_t compressedSize = 0;  // bytes handed to the sink
};

constexpr std::size_t kStreamBufferSize = 65535;

class Deflater {
 public:
  Deflater();
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Reads in to its end; raises OvexError on a read or compression error.
  CompressedSizes compress(std::FILE* in, ByteSink& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zipio
