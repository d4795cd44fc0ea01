// bench_backup DATADIR WORK: the data backup's work without its fixed waits
// (3000 ms after ending the server, 100 ms between the archives): the data
// directory zipped into WORK/bf/data.zip and checked, its MD5 into cc, the
// staging folder zipped into WORK/local/, the configured-folder copy made in
// WORK/configured/. Prints the seconds of each piece and the total.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "backup/BackupArchive.h"
#include "backup/MD5.h"
#include "base/OvexError.h"
#include "util/DirectoryOps.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_backup DATADIR WORK\n");
    return 2;
  }
  const std::string data = argv[1], work = argv[2];
  const std::string staging = work + "/bf", name = "/ovex_znp_data_bench.zip";
  try {
    for (const std::string& dir : {staging, work + "/local", work + "/configured"}) {
      if (directoryExists(dir)) deleteDirectoryTree(dir);
      createDirectoryPath(dir);
    }
    const auto start = Clock::now();
    zipDataDirectory(data, staging + "/data.zip");
    const double zipped = since(start);
    std::ifstream in(staging + "/data.zip", std::ios::binary);
    const std::string md5 = TMD5::MD5TStream(in);
    std::ofstream(staging + "/cc", std::ios::binary) << "#created by updateOvexZnp\r\nDBVersion=2.1.0\r\nMD5=" << md5
                                                      << "\r\n";
    const double digested = since(start);
    writeBackupArchive(staging, work + "/local" + name, std::string());
    const double local = since(start);
    writeBackupArchive(staging, work + "/configured" + name, work + "/local" + name);
    const double total = since(start);
    std::printf("data.zip %.3f md5 %.3f local %.3f copy %.3f total %.3f\n", zipped, digested - zipped,
                local - digested, total - local, total);
  } catch (const OvexError& e) {
    std::fprintf(stderr, "bench_backup: %s\n", e.what());
    return 1;
  }
  return 0;
}
