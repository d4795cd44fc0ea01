// writeUpdateManagerIni: five CR LF lines, the escaped package name.
#include <cctype>

#include "ConfigTestSupport.h"
#include "app/ClientConfig.h"
#include "platform/Files.h"

using namespace configtest;

namespace {

// "#yyyy-mm-dd hh:nn:ss": digits where the pattern has letters.
bool isTimeLine(const std::string& line) {
  const std::string pattern = "#dddd-dd-dd dd:dd:dd";
  if (line.size() != pattern.size()) return false;
  for (size_t i = 0; i < line.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
    if (pattern[i] == 'd' ? !digit : line[i] != pattern[i]) return false;
  }
  return true;
}

}  // namespace

TEST(UpdateManagerIni, HoldsFiveLinesWithTimeAndEscapedName) {
  testsupport::TempDir tmp;
  const std::string ini = tmp.path() + "\\server\\conf\\updateManager.ini";
  std::filesystem::create_directories(tmp / "server/conf");
  writeUpdateManagerIni(ini, "升级包v2.zip");
  const std::string text = readFile(tmp / "server/conf/updateManager.ini");
  const size_t timeEnd = text.find("\r\n", 26);
  ASSERT_NE(timeEnd, std::string::npos) << text;
  EXPECT_EQ(text.substr(0, 26), "#[Update Manager Config]\r\n");
  EXPECT_TRUE(isTimeLine(text.substr(26, timeEnd - 26))) << text;
  EXPECT_EQ(text.substr(timeEnd),
            "\r\nupdateStatus=\r\ndataFileName=\r\nzipFileName=\\u5347\\u7EA7\\u5305v2.zip\r\n");
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
            "Cannot create file \"" + missing + "\". " + testsupport::pathNotFoundText());

  const std::string ini = tmp / "updateManager.ini";
  writeFile(ini, "old");
  if (!makeImmutable(ini)) GTEST_SKIP() << "the file system here does not support chattr +i";
  EXPECT_EQ(errorOf([&] { writeUpdateManagerIni(ini, "a.zip"); }),
            "Cannot create file \"" + ini + "\". Operation not permitted");
  EXPECT_EQ(readFile(ini), "old");
}

TEST(UpdateManagerIni, ReplacedFileKeepsItsAttributesReadOnlyOneIsRefused) {
  testsupport::TempDir tmp;
  const std::string ini = tmp / "updateManager.ini";
  writeFile(ini, "old");
  ASSERT_TRUE(platform::setFileAttributes(ini, platform::kAttrHidden | platform::kAttrArchive));
  const auto before = platform::fileAttributes(ini);
  writeUpdateManagerIni(ini, "a.zip");
  EXPECT_TRUE(readFile(ini).ends_with("\r\nzipFileName=a.zip\r\n"));
  EXPECT_EQ(platform::fileAttributes(ini), before);

  ASSERT_TRUE(platform::setFileAttributes(ini, 0));
  writeFile(ini, "old");
  ASSERT_TRUE(platform::setFileAttributes(ini, platform::kAttrReadOnly));
  const std::string error = errorOf([&] { writeUpdateManagerIni(ini, "b.zip"); });
  EXPECT_EQ(error.rfind("Cannot create file \"" + ini + "\". ", 0), 0u) << error;
  EXPECT_EQ(readFile(ini), "old");
}
