// The manifest cc of a data backup, written and digested in a working folder
// with a Chinese name (the usual place of the tool on an operator's desktop).
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "backup/BackupManifest.h"
#include "backup/MD5.h"
#include "util/AsciiCase.h"

using testsupport::errorOf;
using testsupport::readFile;
using testsupport::writeFile;

TEST(BackupManifest, WrittenAndDigestedUnderAChineseFolder) {
  testsupport::TempDir tmp;
  const std::string bf = tmp.path() + "\\升级工具/bf";  // as the tool joins it
  std::string data = "PK\x05\x06";
  data.resize(150000, 'z');
  writeFile(tmp / "升级工具/bf/data.zip", data);
  writeFile(tmp / "升级工具/bf/cc", std::string(500, 'x'));  // an older, longer manifest

  const std::string md5 = dataArchiveDigest(bf + "/data.zip");
  EXPECT_EQ(md5, foldAscii(TMD5::MD5Str(data)));
  writeBackupManifest(bf + "/cc", "V2.0版", md5);
  const std::string cc = readFile(tmp / "升级工具/bf/cc");
  const std::string tail = "\r\n#created by updateOvexZnp\r\nDBVersion=V2.0\xB0\xE6\r\nMD5=" + md5 + "\r\n";
  EXPECT_EQ(cc.rfind("#created time is ", 0), 0u) << cc;
  ASSERT_GT(cc.size(), tail.size());
  EXPECT_EQ(cc.substr(cc.size() - tail.size()), tail);
  EXPECT_EQ(cc.size() - tail.size(), std::string("#created time is 2024-01-01 00:00:00").size());
}

TEST(BackupManifest, MissingArchiveOrFolderIsAnError) {
  testsupport::TempDir tmp;
  const std::string zip = tmp.path() + "/升级工具/bf/data.zip";
  EXPECT_EQ(errorOf([&] { dataArchiveDigest(zip); }), "Cannot open file \"" + zip + "\"");
  const std::string cc = tmp.path() + "/升级工具/bf/cc";
  EXPECT_EQ(errorOf([&] { writeBackupManifest(cc, "1", "00"); }),
            "Cannot create file \"" + cc + "\". " + testsupport::pathNotFoundText());
}
