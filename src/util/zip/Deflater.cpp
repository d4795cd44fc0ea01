#include "util/zip/Deflater.h"

#include <zlib.h>

#include <vector>

#include "util/OvexError.h"

namespace zipio {

struct Deflater::State {
  z_stream z{};
  std::vector<unsigned char> in = std::vector<unsigned char>(kStreamBufferSize);
  std::vector<unsigned char> out = std::vector<unsigned char>(kStreamBufferSize);
};

Deflater::Deflater() : state_(std::make_unique<State>()) {
  if (deflateInit2(&state_->z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw OvexError("压缩初始化失败");
}

Deflater::~Deflater() { deflateEnd(&state_->z); }

CompressedSizes Deflater::compress(std::FILE* in, ByteSink& out) {
  State& s = *state_;
  deflateReset(&s.z);
  CompressedSizes sizes;
  sizes.crc = static_cast<std::uint32_t>(crc32_z(0, nullptr, 0));
  int flush = Z_NO_FLUSH;
  while (flush != Z_FINISH) {
    const std::size_t n = std::fread(s.in.data(), 1, s.in.size(), in);
    if (n < s.in.size()) {
      if (std::ferror(in)) throw OvexError("读取文件失败");
      flush = Z_FINISH;
    }
    sizes.crc = static_cast<std::uint32_t>(crc32_z(sizes.crc, s.in.data(), n));
    sizes.size += n;
    s.z.next_in = s.in.data();
    s.z.avail_in = static_cast<uInt>(n);
    do {
      s.z.next_out = s.out.data();
      s.z.avail_out = static_cast<uInt>(s.out.size());
      const int rc = deflate(&s.z, flush);
      if (rc == Z_STREAM_ERROR) throw OvexError("压缩失败");
      const std::size_t produced = s.out.size() - s.z.avail_out;
      if (produced > 0) out.write(s.out.data(), produced);
      sizes.compressedSize += produced;
    } while (s.z.avail_out == 0);
  }
  return sizes;
}

}  // namespace zipio
