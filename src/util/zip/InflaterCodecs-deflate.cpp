// Stored and deflated entries.
#include <zlib.h>

#include "util/zip/InflaterCodecs.h"

namespace zipio {

void copyStored(CompressedReader& in, ByteSink& out) {
  const unsigned char* data = nullptr;
  while (const std::size_t n = in.next(&data)) out.write(data, n);
}

namespace {
// One inflate state per thread, reset for each entry.
struct ZStream {
  z_stream z{};
  bool ready = false;
  ~ZStream() {
    if (ready) inflateEnd(&z);
  }
  void reset() {
    if (!ready) {
      if (inflateInit2(&z, -15) != Z_OK) damaged();
      ready = true;
    } else if (inflateReset(&z) != Z_OK) {
      damaged();
    }
  }
};
}  // namespace

void inflateDeflate(CompressedReader& in, ByteSink& out) {
  thread_local ZStream s;
  s.reset();
  std::vector<unsigned char>& buffer = blockBuffer(1);
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    const unsigned char* data = nullptr;
    const std::size_t n = in.next(&data);
    if (n == 0) damaged();  // the stream did not end
    s.z.next_in = const_cast<Bytef*>(data);
    s.z.avail_in = static_cast<uInt>(n);
    do {
      s.z.next_out = buffer.data();
      s.z.avail_out = static_cast<uInt>(buffer.size());
      rc = inflate(&s.z, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) damaged();
      out.write(buffer.data(), buffer.size() - s.z.avail_out);
    } while (rc != Z_STREAM_END && (s.z.avail_in > 0 || s.z.avail_out == 0));
  }
}

}  // namespace zipio
