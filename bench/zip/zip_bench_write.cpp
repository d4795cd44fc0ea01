// zip_bench_write SRC DEST: one TUpdateUtils::zip call, seconds on stdout.
#include <chrono>
#include <cstdio>

#include "base/OvexError.h"
#include "util/TUpdateUtils.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_bench_write SRC DEST\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  try {
    TUpdateUtils::zip(argv[1], argv[2]);
  } catch (const OvexError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%.3f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}
