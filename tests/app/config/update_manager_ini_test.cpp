// writeUpdateManagerIni: five CR LF lines, the escaped package name.
#include <regex>

#include "ConfigTestSupport.h"
#include "app/ClientConfig.h"

using namespace configtest;

TEST(UpdateManagerIni, HoldsFiveLinesWithTimeAndEscapedName) {
  testsupport::TempDir tmp;
  const std::string ini = tmp.path() + "\\server\\conf\\updateManager.ini";
  std::filesystem::create_directories(tmp / "server/conf");
  writeUpdateManagerIni(ini, "升级包v2.zip");
  const std::string text = readFile(tmp / "server/conf/updateManager.ini");
  const std::regex shape(
      "#\\[Update Manager Config\\]\r\n"
      "#\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\r\n"
      "updateStatus=\r\n"
      "dataFileName=\r\n"
      "zipFileName=\\\\u5347\\\\u7EA7\\\\u5305v2\\.zip\r\n");
  EXPECT_TRUE(std::regex_match(text, shape)) << text;
}

TEST(UpdateManagerIni, SecondRunReplacesTheFirst) {
  testsupport::TempDir tmp;
  const std::string ini = tmp / "updateManager.ini";
  writeFile(ini, std::string(5000, 'x'));  // a longer older file
  writeUpdateManagerIni(ini, "update_2015.zip");
  writeUpdateManagerIni(ini, "update_2016.zip");
  const std::string text = readFile(ini);
  EXPECT_EQ(text.find('x'), std::string::npos);
  EXPECT_EQ(text.find("2015"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\r\nzipFileName=update_2016.zip\r\n")) << text;
  EXPECT_EQ(text.rfind("zipFileName="), text.find("zipFileName="));
}

TEST(UpdateManagerIni, FolderMissingOrFileLockedCannotBeCreated) {
  testsupport::TempDir tmp;
  const std::string missing = tmp / "no-conf/updateManager.ini";
  EXPECT_EQ(errorOf([&] { writeUpdateManagerIni(missing, "a.zip"); }),
            "Cannot create file \"" + missing + "\". No such file or directory");

  const std::string ini = tmp / "updateManager.ini";
  writeFile(ini, "old");
  if (!makeImmutable(ini)) GTEST_SKIP() << "the file system here does not support chattr +i";
  EXPECT_EQ(errorOf([&] { writeUpdateManagerIni(ini, "a.zip"); }),
            "Cannot create file \"" + ini + "\". Operation not permitted");
  EXPECT_EQ(readFile(ini), "old");
}
