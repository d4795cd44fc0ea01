// A file of more than 4 GiB through zip and unzip, in constant memory.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "ZipTestSupport.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {
long maxRssMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024;
}
}  // namespace

TEST(ZipLarge, FileOverFourGiBRoundTrips) {
  TempDir t;
  const std::uint64_t size = (4ull << 30) + 123457;
  fs::create_directories(t / "src");
  {
    // Sparse, with a few marks so the data is not all zeros.
    std::ofstream f(t / "src/big.ibd", std::ios::binary);
    for (std::uint64_t pos : {std::uint64_t{0}, std::uint64_t{1} << 31, (std::uint64_t{4} << 30) - 3, size - 5}) {
      f.seekp(static_cast<std::streamoff>(pos));
      f << "MARK";
    }
    f.seekp(static_cast<std::streamoff>(size - 1));
    f.put('!');
  }
  writeFile(t / "src/small.txt", "after the big one");
  const long rssBefore = maxRssMiB();
  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "big.zip"));
  const auto r = runCommand("unzip -tq " + shellQuote(t / "big.zip"));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(listing(t / "big.zip"), "big.ibd|8|0|32|45|" + std::to_string(size) + "\nsmall.txt|8|0|32|20|17\n");
  fs::remove(t / "src/big.ibd");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "big.zip", t / "back"));
  EXPECT_EQ(fs::file_size(t / "back/big.ibd"), size);
  EXPECT_EQ(readFile(t / "back/small.txt"), "after the big one");
  std::ifstream f(t / "back/big.ibd", std::ios::binary);
  char mark[5] = {};
  f.seekg(static_cast<std::streamoff>((4ull << 30) - 3));
  f.read(mark, 4);
  EXPECT_STREQ(mark, "MARK");
  EXPECT_LT(maxRssMiB() - rssBefore, 64) << "memory grew with the file size";
}
