// bzip2 entries (method 12).
#if OVEX_HAVE_BZIP2
#include <bzlib.h>

#include "util/zip/InflaterCodecs.h"

namespace zipio {
namespace {
struct BzStream {
  bz_stream s{};
  BzStream() {
    if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK) damaged();
  }
  ~BzStream() { BZ2_bzDecompressEnd(&s); }
};
}  // namespace

void inflateBzip2(CompressedReader& in, ByteSink& out) {
  BzStream b;
  std::vector<unsigned char>& buffer = blockBuffer(1);
  int rc = BZ_OK;
  while (rc != BZ_STREAM_END) {
    const unsigned char* data = nullptr;
    const std::size_t n = in.next(&data);
    if (n == 0) damaged();
    b.s.next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
    b.s.avail_in = static_cast<unsigned>(n);
    do {
      b.s.next_out = reinterpret_cast<char*>(buffer.data());
      b.s.avail_out = static_cast<unsigned>(buffer.size());
      rc = BZ2_bzDecompress(&b.s);
      if (rc != BZ_OK && rc != BZ_STREAM_END) damaged();
      out.write(buffer.data(), buffer.size() - b.s.avail_out);
    } while (rc != BZ_STREAM_END && (b.s.avail_in > 0 || b.s.avail_out == 0));
  }
}

}  // namespace zipio
#endif
