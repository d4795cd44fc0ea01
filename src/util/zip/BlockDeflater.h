#pragma once
// Raw deflate at level 6 (15-bit window, memory level 8, default strategy)
// of a file cut into blocks of kBlockSize. Each block is deflated on its
// own, primed with the 32 KiB of the file before it; all but the last end
// on a byte boundary (sync flush), so that the blocks joined make one valid
// deflate stream. A file of at most one block gives exactly the stream of a
// single deflate call. Block boundaries depend on the data alone, never on
// how many threads compress, so an archive's bytes do not either.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zipio {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr std::size_t kDictionarySize = 32768;
// Most bytes one block can compress to.
constexpr std::size_t kBlockBound = kBlockSize + kBlockSize / 64 + 4096;

class BlockDeflater {
 public:
  BlockDeflater();
  ~BlockDeflater();
  BlockDeflater(const BlockDeflater&) = delete;
  BlockDeflater& operator=(const BlockDeflater&) = delete;

  // Replaces out with the compressed block of size bytes; dictionary holds
  // the bytes before them (empty for the first block). Raises OvexError on
  // failure.
  void compress(const std::vector<unsigned char>& dictionary, const unsigned char* data, std::size_t size, bool last,
                std::vector<unsigned char>& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zipio
