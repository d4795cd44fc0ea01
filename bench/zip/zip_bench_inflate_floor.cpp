// zip_bench_inflate_floor ZIP DEST: the floor of unpacking. Inflates every
// deflated entry of ZIP with plain zlib calls into a file below DEST
// (256 KiB buffers, no checksum, no times or attributes) on one thread;
// seconds on stdout.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "util/zip/CentralDirectory.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_bench_inflate_floor ZIP DEST\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  std::FILE* archive = std::fopen(argv[1], "rb");
  if (!archive) return 1;
  const auto entries = zipio::readCentralDirectory(archive);
  std::vector<unsigned char> in(256 * 1024), out(256 * 1024);
  z_stream z{};
  inflateInit2(&z, -15);
  for (const auto& e : entries) {
    const std::filesystem::path target = std::filesystem::path(argv[2]) / e.rawName;
    std::filesystem::create_directories(target.parent_path());
    std::fseek(archive, static_cast<long>(zipio::locateEntryData(archive, e)), SEEK_SET);
    std::FILE* f = std::fopen(target.c_str(), "wb");
    std::setvbuf(f, nullptr, _IONBF, 0);
    inflateReset(&z);
    unsigned long long left = e.compressedSize;
    int rc = Z_OK;
    while (rc != Z_STREAM_END && left > 0) {
      const size_t n = std::fread(in.data(), 1, left < in.size() ? left : in.size(), archive);
      left -= n;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
      do {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        std::fwrite(out.data(), 1, out.size() - z.avail_out, f);
      } while (rc == Z_OK && (z.avail_in > 0 || z.avail_out == 0));
    }
    std::fclose(f);
  }
  inflateEnd(&z);
  std::printf("%.3f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}
