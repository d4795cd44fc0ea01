#include "util/zip/Inflater.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "base/OvexError.h"
#include "util/zip/InflaterCodecs.h"
#include "util/zip/ZipFormat.h"

namespace zipio {

bool methodSupported(std::uint16_t method) {
  switch (method) {
    case zipfmt::kMethodStored:
    case zipfmt::kMethodDeflate:
#if OVEX_HAVE_BZIP2
    case zipfmt::kMethodBzip2:
#endif
#if OVEX_HAVE_LZMA
    case zipfmt::kMethodLzma:
#endif
      return true;
    default:
      return false;
  }
}

namespace {

// Counts and checksums what goes on to the real sink.
class CheckedSink : public ByteSink {
 public:
  CheckedSink(ByteSink& out, std::uint64_t limit) : out_(out), limit_(limit) {}
  void write(const void* data, std::size_t size) override {
    if (size > limit_ - written_) damaged();
    written_ += size;
    crc_ = crc32_z(crc_, static_cast<const Bytef*>(data), size);
    out_.write(data, size);
  }
  std::uint64_t written() const { return written_; }
  std::uint32_t crc() const { return static_cast<std::uint32_t>(crc_); }

 private:
  ByteSink& out_;
  std::uint64_t limit_;
  std::uint64_t written_ = 0;
  uLong crc_ = crc32_z(0, nullptr, 0);
};

}  // namespace

void damaged() { throw OvexError("压缩数据已损坏"); }

std::vector<unsigned char>& blockBuffer(int which) {
  // Reused from entry to entry: many small entries must not cost an
  // allocation of each buffer apiece.
  thread_local std::vector<unsigned char> buffers[2] = {std::vector<unsigned char>(kReadBlock),
                                                        std::vector<unsigned char>(kReadBlock)};
  return buffers[which];
}

CompressedReader::CompressedReader(std::FILE* in, std::uint64_t size)
    : in_(in), left_(size), buffer_(blockBuffer(0)) {}

std::size_t CompressedReader::next(const unsigned char** data) {
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, buffer_.size()));
  if (want == 0) return 0;
  if (std::fread(buffer_.data(), 1, want, in_) != want) damaged();
  left_ -= want;
  *data = buffer_.data();
  return want;
}

std::uint32_t inflateEntry(std::FILE* in, const CentralEntry& entry, ByteSink& out) {
  CompressedReader reader(in, entry.compressedSize);
  CheckedSink sink(out, entry.size);
  switch (entry.method) {
    case zipfmt::kMethodStored:
      copyStored(reader, sink);
      break;
    case zipfmt::kMethodDeflate:
      inflateDeflate(reader, sink);
      break;
#if OVEX_HAVE_BZIP2
    case zipfmt::kMethodBzip2:
      inflateBzip2(reader, sink);
      break;
#endif
#if OVEX_HAVE_LZMA
    case zipfmt::kMethodLzma:
      inflateLzma(reader, sink, entry.size);
      break;
#endif
    default:
      throw OvexError("不支持的压缩方法");
  }
  if (sink.written() != entry.size) damaged();
  return sink.crc();
}

}  // namespace zipio
