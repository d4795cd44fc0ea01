// LZMA entries (method 14): a four-byte header (version, properties size),
// the LZMA properties, then the raw LZMA stream, with or without end marker.
#if OVEX_HAVE_LZMA
#include <lzma.h>

#include <algorithm>
#include <cstdlib>

#include "util/zip/InflaterCodecs.h"
#include "util/zip/ZipFormat.h"

namespace zipio {
namespace {

// Larger dictionaries than this are refused as damaged data.
constexpr std::uint32_t kMaxDictionary = 1u << 30;

struct LzmaStream {
  lzma_stream s = LZMA_STREAM_INIT;
  ~LzmaStream() { lzma_end(&s); }
};

// Collects the four-byte header and the properties; the bytes after them
// are left in rest.
std::vector<unsigned char> readHeader(CompressedReader& in, std::vector<unsigned char>& rest) {
  std::vector<unsigned char> pending;
  auto wanted = [&] { return pending.size() < 4 ? std::size_t{4} : 4 + zipfmt::get16(pending.data() + 2); };
  while (pending.size() < wanted()) {
    const unsigned char* data = nullptr;
    const std::size_t n = in.next(&data);
    if (n == 0) damaged();
    pending.insert(pending.end(), data, data + n);
  }
  const std::size_t full = wanted();
  rest.assign(pending.begin() + static_cast<long>(full), pending.end());
  pending.resize(full);
  return pending;
}

void initDecoder(LzmaStream& z, const std::vector<unsigned char>& header, std::uint64_t size) {
  const std::size_t propsSize = header.size() - 4;
  lzma_filter filters[2];
  filters[0].id = LZMA_FILTER_LZMA1;
  filters[0].options = nullptr;
  if (lzma_properties_decode(&filters[0], nullptr, header.data() + 4, propsSize) != LZMA_OK) damaged();
  auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
  const bool tooLarge = options->dict_size > kMaxDictionary;
  // A dictionary never needs to be larger than the data it serves.
  options->dict_size = static_cast<std::uint32_t>(
      std::max<std::uint64_t>(LZMA_DICT_SIZE_MIN, std::min<std::uint64_t>(options->dict_size, size)));
#ifdef LZMA_FILTER_LZMA1EXT
  filters[0].id = LZMA_FILTER_LZMA1EXT;
  options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
  options->ext_size_low = static_cast<std::uint32_t>(size);
  options->ext_size_high = static_cast<std::uint32_t>(size >> 32);
#endif
  filters[1].id = LZMA_VLI_UNKNOWN;
  const lzma_ret rc = tooLarge ? LZMA_MEM_ERROR : lzma_raw_decoder(&z.s, filters);
  std::free(options);
  if (rc != LZMA_OK) damaged();
}

}  // namespace

void inflateLzma(CompressedReader& in, ByteSink& out, std::uint64_t size) {
  std::vector<unsigned char> rest;
  const std::vector<unsigned char> header = readHeader(in, rest);
  const unsigned char* data = rest.data();
  std::size_t n = rest.size();
  LzmaStream z;
  initDecoder(z, header, size);
  std::vector<unsigned char>& buffer = blockBuffer(1);
  std::uint64_t written = 0;
  lzma_ret rc = LZMA_OK;
  while (rc != LZMA_STREAM_END && written < size) {
    if (n == 0) {
      n = in.next(&data);
      if (n == 0) damaged();
    }
    z.s.next_in = data;
    z.s.avail_in = n;
    do {
      z.s.next_out = buffer.data();
      z.s.avail_out = buffer.size();
      rc = lzma_code(&z.s, LZMA_RUN);
      if (rc != LZMA_OK && rc != LZMA_STREAM_END) damaged();
      const std::size_t produced = buffer.size() - z.s.avail_out;
      out.write(buffer.data(), produced);
      written += produced;
    } while (rc != LZMA_STREAM_END && written < size && (z.s.avail_in > 0 || z.s.avail_out == 0));
    n = 0;
  }
}

}  // namespace zipio
#endif
