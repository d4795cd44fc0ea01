#pragma once
// A sink that passes every byte on and keeps a running count of them, so
// that long archive work can tell how far it has come.
#include <cstdint>
#include <functional>

#include "util/zip/OutputFile.h"

namespace zipio {

// Told the bytes done so far, after each block.
using BytesRead = std::function<void(std::uint64_t)>;

// The running count of one archive operation.
struct ByteTally {
  std::uint64_t done = 0;
  BytesRead told;

  void add(std::uint64_t bytes) {
    done += bytes;
    if (told) told(done);
  }
};

class CountingSink : public ByteSink {
 public:
  CountingSink(ByteSink& next, ByteTally& tally) : next_(next), tally_(tally) {}
  void write(const void* data, std::size_t size) override {
    next_.write(data, size);
    tally_.add(size);
  }

 private:
  ByteSink& next_;
  ByteTally& tally_;
};

}  // namespace zipio
