// zip_bench_read ZIP DEST: one TUpdateUtils::unzip call, seconds on stdout.
#include <chrono>
#include <cstdio>

#include "util/TUpdateUtils.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_bench_read ZIP DEST\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const bool ok = TUpdateUtils::unzip(argv[1], argv[2]);
  std::printf("%.3f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return ok ? 0 : 1;
}
