// TMD5 against RFC 1321's test suite and the md5sum tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "backup/MD5.h"
#include "util/DataFileStream.h"

namespace {

std::string md5sumOf(const std::string& path) {
  const auto r = testsupport::runCommand("md5sum " + testsupport::shellQuote(path));
  std::string hex = r.output.substr(0, 32);
  for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return hex;
}

}  // namespace

TEST(MD5Str, MatchesTheRfcTestSuite) {
  EXPECT_EQ(TMD5::MD5Str(""), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(TMD5::MD5Str("a"), "0CC175B9C0F1B6A831C399E269772661");
  EXPECT_EQ(TMD5::MD5Str("abc"), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(TMD5::MD5Str("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
  EXPECT_EQ(TMD5::MD5Str("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57EDF4A22BE3C955AC49DA2E2107B67A");
}

TEST(MD5Str, DigestsTheUtf8BytesOfChineseText) {
  testsupport::TempDir tmp;
  testsupport::writeFile(tmp / "utf8", "数据备份");  // twelve UTF-8 bytes
  EXPECT_EQ(TMD5::MD5Str("数据备份"), md5sumOf(tmp / "utf8"));
}

TEST(MD5TStream, DigestsFromTheCurrentPositionAndLeavesTheStreamAtItsEnd) {
  testsupport::TempDir tmp;
  std::string data;
  for (unsigned i = 0; i < 300000; ++i) data += static_cast<char>((i * 7919u) >> 3);  // several blocks
  testsupport::writeFile(tmp / "data.zip", data);
  testsupport::writeFile(tmp / "tail", data.substr(1));

  std::ifstream whole(tmp / "data.zip", std::ios::binary);
  EXPECT_EQ(TMD5::MD5TStream(whole), md5sumOf(tmp / "data.zip"));
  EXPECT_TRUE(whole.good());
  EXPECT_EQ(whole.tellg(), std::streampos(data.size()));
  EXPECT_EQ(TMD5::MD5TStream(whole), "D41D8CD98F00B204E9800998ECF8427E");  // at its end: zero bytes

  std::ifstream skipped(tmp / "data.zip", std::ios::binary);
  skipped.seekg(1);
  EXPECT_EQ(TMD5::MD5TStream(skipped), md5sumOf(tmp / "tail"));

  testsupport::writeFile(tmp / "empty", "");
  std::ifstream empty(tmp / "empty", std::ios::binary);
  EXPECT_EQ(TMD5::MD5TStream(empty), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(MD5TStream, StreamThatHasHitItsEndDigestsZeroBytes) {
  std::istringstream s("abc");
  std::string all((std::istreambuf_iterator<char>(s)), std::istreambuf_iterator<char>());
  EXPECT_EQ(TMD5::MD5TStream(s), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(MD5TStream, DigestsAFileOpenedThroughThePlatformUnderAChineseFolder) {
  testsupport::TempDir tmp;
  const std::string folder = tmp.path() + "/升级工具";
  std::filesystem::create_directories(testsupport::nativePath(folder));
  std::string data;
  for (unsigned i = 0; i < 200000; ++i) data += static_cast<char>((i * 7919u) >> 5);  // several blocks
  testsupport::writeFile(folder + "/data.zip", data);

  DataFileStream whole(folder + "\\data.zip");
  ASSERT_TRUE(whole.isOpen());
  EXPECT_EQ(TMD5::MD5TStream(whole), TMD5::MD5Str(data));
  EXPECT_EQ(whole.tellg(), std::streampos(data.size()));

  DataFileStream skipped(folder + "/data.zip");
  skipped.seekg(70000);  // beyond the first block read
  skipped.seekg(1);
  EXPECT_EQ(TMD5::MD5TStream(skipped), TMD5::MD5Str(data.substr(1)));

  EXPECT_FALSE(DataFileStream(folder + "/none.zip"));
}
