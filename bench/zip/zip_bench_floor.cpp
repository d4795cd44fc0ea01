// zip_bench_floor SRC: the floor of archive writing. Reads every file below
// SRC and deflates it with the archive's parameters (level 6, raw, 15-bit
// window, memory level 8, 65535-byte buffers), writing nothing.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zip_bench_floor SRC\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<unsigned char> in(65535), out(65535);
  unsigned long long total = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(argv[1])) {
    if (!e.is_regular_file()) continue;
    std::FILE* f = std::fopen(e.path().c_str(), "rb");
    if (!f) continue;
    deflateReset(&z);
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
      const size_t n = std::fread(in.data(), 1, in.size(), f);
      if (n < in.size()) flush = Z_FINISH;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
      do {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, flush);
        total += out.size() - z.avail_out;
      } while (z.avail_out == 0);
    }
    std::fclose(f);
  }
  deflateEnd(&z);
  std::printf("%.3f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  std::fprintf(stderr, "compressed bytes: %llu\n", total);
}
