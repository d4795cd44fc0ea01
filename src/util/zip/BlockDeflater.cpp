#include "util/zip/BlockDeflater.h"

#include <zlib.h>

#include "base/OvexError.h"

namespace zipio {

struct BlockDeflater::State {
  z_stream z{};
};

BlockDeflater::BlockDeflater() : state_(std::make_unique<State>()) {
  if (deflateInit2(&state_->z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw OvexError("压缩初始化失败");
}

BlockDeflater::~BlockDeflater() { deflateEnd(&state_->z); }

void BlockDeflater::compress(const std::vector<unsigned char>& dictionary, const unsigned char* data,
                             std::size_t size, bool last, std::vector<unsigned char>& out) {
  z_stream& z = state_->z;
  if (deflateReset(&z) != Z_OK) throw OvexError("压缩失败");
  if (!dictionary.empty() &&
      deflateSetDictionary(&z, dictionary.data(), static_cast<uInt>(dictionary.size())) != Z_OK)
    throw OvexError("压缩失败");
  out.resize(deflateBound(&z, static_cast<uLong>(size)) + 16);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
  std::size_t produced = 0;
  for (;;) {
    z.next_out = out.data() + produced;
    z.avail_out = static_cast<uInt>(out.size() - produced);
    const int rc = deflate(&z, flush);
    if (rc == Z_STREAM_ERROR) throw OvexError("压缩失败");
    produced = out.size() - z.avail_out;
    if (z.avail_out != 0 && (rc == Z_STREAM_END || !last)) break;
    out.resize(out.size() * 2);
  }
  out.resize(produced);
}

}  // namespace zipio
