// One operation per run, for timing from the outside:
//   dirops_bench copy SRC DST     copyDirectoryTree
//   dirops_bench delete DIR       deleteDirectoryTree
//   dirops_bench md5 FILE         TMD5::MD5TStream, prints the digest
#include <cstdio>
#include <fstream>
#include <string>

#include "backup/MD5.h"
#include "base/OvexError.h"
#include "util/DirectoryOps.h"

int main(int argc, char** argv) {
  const std::string op = argc > 2 ? argv[1] : "";
  try {
    if (op == "copy" && argc == 4) {
      copyDirectoryTree(argv[2], argv[3]);
    } else if (op == "delete" && argc == 3) {
      deleteDirectoryTree(argv[2]);
    } else if (op == "md5" && argc == 3) {
      std::ifstream in(argv[2], std::ios::binary);
      std::printf("%s\n", TMD5::MD5TStream(in).c_str());
    } else {
      std::fprintf(stderr, "usage: dirops_bench copy SRC DST | delete DIR | md5 FILE\n");
      return 2;
    }
  } catch (const OvexError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
