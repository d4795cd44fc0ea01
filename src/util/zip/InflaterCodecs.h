#pragma once
// The decoders behind inflateEntry, one per compression method.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "util/zip/OutputFile.h"

namespace zipio {

constexpr std::size_t kReadBlock = 256 * 1024;

[[noreturn]] void damaged();

// Per-thread block buffers: 0 holds compressed input, 1 decoded output.
std::vector<unsigned char>& blockBuffer(int which);

// Hands out an entry's compressed bytes block by block.
class CompressedReader {
 public:
  CompressedReader(std::FILE* in, std::uint64_t size);
  // The next block (0 at the end); raises when the archive ends early.
  std::size_t next(const unsigned char** data);

 private:
  std::FILE* in_;
  std::uint64_t left_;
  std::vector<unsigned char>& buffer_;
};

void copyStored(CompressedReader& in, ByteSink& out);
void inflateDeflate(CompressedReader& in, ByteSink& out);
#if OVEX_HAVE_BZIP2
void inflateBzip2(CompressedReader& in, ByteSink& out);
#endif
#if OVEX_HAVE_LZMA
void inflateLzma(CompressedReader& in, ByteSink& out, std::uint64_t size);
#endif

}  // namespace zipio
