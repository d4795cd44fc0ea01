// The backup's second archive is a copy of the first: the same bytes as
// compressing the staging folder again would give.
#include <gtest/gtest.h>

#include <filesystem>

#include "ZipTestSupport.h"
#include "backup/BackupArchive.h"
#include "util/TUpdateUtils.h"
#include "util/zip/BlockDeflater.h"

using namespace testsupport;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

std::string textLike(std::size_t n) {
  std::string s;
  for (unsigned i = 0; s.size() < n; ++i) s += "row " + std::to_string(i * 7919u % 100003u) + " 发票金额\n";
  s.resize(n);
  return s;
}

// A staging folder as the backup leaves it: the data archive and cc.
void makeStaging(const std::string& staging) {
  writeFile(staging + "/data/ibdata1", textLike(3 * zipio::kBlockSize + 5));
  writeFile(staging + "/data/ovex_znp/fp_kpxx.ibd", textLike(200000));
  TUpdateUtils::zip(staging + "/data", staging + "/data.zip");
  fs::remove_all(staging + "/data");
  writeFile(staging + "/cc", "#created by updateOvexZnp\r\nDBVersion=2.1.0\r\nMD5=0123\r\n");
}

}  // namespace

TEST(BackupCopy, SecondArchiveIsTheFirstsBytesAndWhatZippingAgainGives) {
  TempDir t;
  makeStaging(t / "bf");
  fs::create_directories(t / "local");
  fs::create_directories(t / "configured");
  writeBackupArchive(t / "bf", t / "local/b.zip", "");
  writeBackupArchive(t / "bf", t / "configured/b.zip", t / "local/b.zip");
  TUpdateUtils::zip(t / "bf", t / "again.zip");
  const std::string first = readFile(t / "local/b.zip");
  EXPECT_TRUE(readFile(t / "configured/b.zip") == first);
  EXPECT_TRUE(readFile(t / "again.zip") == first);
  EXPECT_FALSE(fs::exists(t / "configured/b.zip.part"));
  expectPeersAccept(t / "configured/b.zip");
}

// An archive already standing in the configured folder is brought up to
// date by the zip rules, not replaced by the copy: its other entries stay.
TEST(BackupCopy, ExistingArchiveIsUpdatedNotReplaced) {
  TempDir t;
  makeStaging(t / "bf");
  fs::create_directories(t / "configured");
  writeFile(t / "other/keep.txt", "kept");
  TUpdateUtils::zip(t / "other", t / "configured/b.zip");
  writeBackupArchive(t / "bf", t / "local.zip", "");
  writeBackupArchive(t / "bf", t / "configured/b.zip", t / "local.zip");
  EXPECT_EQ(python("import zipfile; print(sorted(zipfile.ZipFile(" + pyStr(t / "configured/b.zip") +
                   ").namelist()))"),
            "['cc', 'data.zip', 'keep.txt']\n");
  expectPeersAccept(t / "configured/b.zip");
}
