// Large entries are written on a second thread while the next blocks are
// inflated: the same files, and a damaged one still deleted.
#include <gtest/gtest.h>

#include <filesystem>

#include "ZipTestSupport.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

std::string textLike(std::size_t n, unsigned seed) {
  std::string s;
  while (s.size() < n) {
    seed = seed * 1103515245u + 12345u;
    s += "line " + std::to_string(seed % 100000) + " 发票金额 invoice\n";
  }
  s.resize(n);
  return s;
}

}  // namespace

TEST(UnzipLarge, LargeAndSmallEntriesComeBackWhole) {
  TempDir t;
  writeFile(t / "src/big1.ibd", textLike(9 << 20, 1));
  writeFile(t / "src/a/small.frm", "small");
  writeFile(t / "src/big2.ibd", textLike((5 << 20) + 3, 2));
  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "a.zip"));
  ASSERT_TRUE(TUpdateUtils::unzip(t / "a.zip", t / "out"));
  const auto r = runCommand("diff -r " + shellQuote(t / "src") + " " + shellQuote(t / "out"));
  EXPECT_EQ(r.status, 0) << r.output;
}

TEST(UnzipLarge, DamagedLargeEntryIsDeletedTheOthersUnpacked) {
  TempDir t;
  writeFile(t / "src/a.txt", "first");
  writeFile(t / "src/big.ibd", textLike(12 << 20, 3));
  writeFile(t / "src/z.txt", "last");
  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "a.zip"));
  // Damage the middle of the large entry's data.
  python("p = " + pyStr(t / "a.zip") + "\nb = bytearray(open(p, 'rb').read())\nm = len(b) // 2\n"
         "b[m:m + 64] = bytes(64)\nopen(p, 'wb').write(bytes(b))\n");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "a.zip", t / "out"));
  EXPECT_FALSE(fs::exists(t / "out/big.ibd"));
  EXPECT_EQ(readFile(t / "out/a.txt"), "first");
  EXPECT_EQ(readFile(t / "out/z.txt"), "last");
}
