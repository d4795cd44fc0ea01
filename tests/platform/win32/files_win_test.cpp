// File services that only Windows shows: attributes kept by the file
// system, sharing violations, case-insensitive names, drives, MSXML, CNG.
#include <gtest/gtest.h>
#include <windows.h>

#include "TestSupport.h"
#include "platform/CodePages.h"
#include "platform/Digest.h"
#include "platform/Files.h"
#include "platform/SystemPaths.h"
#include "platform/XmlDom.h"
#include "platform/win32/wide-win32.h"

using namespace testsupport;

TEST(WinFiles, HiddenSystemAndReadOnlyAreKept) {
  TempDir dir;
  const std::string file = dir / "a.txt";
  writeFile(file, "x");
  EXPECT_EQ(*platform::fileAttributes(file) & platform::kAttrDirectory, 0u);
  const std::uint32_t wanted = platform::kAttrHidden | platform::kAttrSystem | platform::kAttrReadOnly;
  ASSERT_TRUE(platform::setFileAttributes(file, wanted));
  EXPECT_EQ(*platform::fileAttributes(file) & wanted, wanted);
  ASSERT_TRUE(platform::setFileAttributes(file, 0));
  EXPECT_EQ(*platform::fileAttributes(file) & wanted, 0u);
  EXPECT_NE(*platform::fileAttributes(dir.path()) & platform::kAttrDirectory, 0u);
  EXPECT_FALSE(platform::fileAttributes(dir / "missing").has_value());
}

TEST(WinFiles, OpenFileGivesSharingViolation) {
  TempDir dir;
  const std::string file = dir / "busy.dat";
  writeFile(file, "x");
  HANDLE h = CreateFileW(platform::widePath(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::string message;
  EXPECT_EQ(platform::deleteFileEntry(file, &message), platform::DeleteResult::kSharingViolation);
  EXPECT_FALSE(message.empty());
  CloseHandle(h);
  EXPECT_EQ(platform::deleteFileEntry(file, &message), platform::DeleteResult::kDeleted);
  EXPECT_EQ(platform::deleteFileEntry(file, &message), platform::DeleteResult::kFailed);
}

TEST(WinFiles, NamesDifferingInCaseAreOneEntry) {
  TempDir dir;
  writeFile(dir / "Data.TXT", "x");
  EXPECT_TRUE(platform::sameEntry(dir / "Data.TXT", dir.path() + "/data.txt"));
  EXPECT_FALSE(platform::sameEntry(dir / "Data.TXT", dir / "other.txt"));
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::listDirectory(dir.path(), &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "Data.TXT");
}

TEST(WinFiles, DrivesAndFullPaths) {
  EXPECT_EQ(platform::driveLength("C:\\x"), 2u);
  EXPECT_EQ(platform::driveLength("c:/x"), 2u);
  EXPECT_EQ(platform::driveLength("\\\\?\\C:\\x"), 6u);
  EXPECT_EQ(platform::driveLength("\\\\server\\share\\x"), 0u);
  EXPECT_EQ(platform::driveLength("x\\y"), 0u);
  EXPECT_TRUE(platform::driveExists("C:\\"));
  std::string full, error;
  ASSERT_TRUE(platform::fullPath("C:/a/b/../c\\", &full, &error));
  EXPECT_EQ(full, "C:\\a\\c\\");
}

TEST(WinFiles, ReplacedContentKeepsHiddenAttribute) {
  TempDir dir;
  const std::string file = dir / "service.ini";
  writeFile(file, "old");
  ASSERT_TRUE(platform::setFileAttributes(file, platform::kAttrHidden));
  platform::FileError error{};
  ASSERT_TRUE(platform::replaceFileContent(file, "new\r\n", &error)) << error.message;
  std::string bytes;
  ASSERT_TRUE(platform::readWholeFile(file, &bytes, &error));
  EXPECT_EQ(bytes, "new\r\n");
  EXPECT_NE(*platform::fileAttributes(file) & platform::kAttrHidden, 0u);
  EXPECT_FALSE(platform::readWholeFile(dir / "none.ini", &bytes, &error));
  EXPECT_EQ(error.kind, platform::FileErrorKind::kNotFound);
}

TEST(WinCodePage, CharacterBeyondUtf16UnitBecomesTwoQuestionMarks) {
  // The conversion works on UTF-16 units: each half of a surrogate pair
  // becomes "?" (the POSIX stand-in writes one "?" per character).
  bool lossless = true;
  EXPECT_EQ(platform::utf8ToAnsi("a\xF0\x9F\x98\x80" "b", &lossless), "a??b");
  EXPECT_FALSE(lossless);
}

TEST(WinXml, GbkManifestIsReadThroughMsxml) {
  TempDir dir;
  const std::string file = dir / "update.xml";
  writeFile(file, "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<update version=\"2.1\">\r\n  <file>" +
                      platform::utf8ToAnsi("数据") + "</file>\r\n  <!--note-->\r\n</update>\r\n");
  platform::XmlDocument doc;
  platform::XmlLoadError error;
  ASSERT_TRUE(doc.load(file, &error)) << error.reason;
  const platform::XmlNode root = doc.documentElement();
  EXPECT_EQ(doc.name(root), "update");
  ASSERT_EQ(doc.childCount(root), 2u);  // white space between elements is dropped
  const platform::XmlNode fileNode = doc.child(root, 0);
  EXPECT_EQ(doc.type(fileNode), platform::XmlNodeType::Element);
  EXPECT_EQ(doc.value(doc.child(fileNode, 0)), "数据");
  EXPECT_EQ(doc.type(doc.child(root, 1)), platform::XmlNodeType::Comment);
  EXPECT_EQ(doc.name(doc.appendElement(root, "added")), "added");
  EXPECT_EQ(doc.childCount(root), 3u);
}

TEST(WinXml, BrokenManifestTellsTheLine) {
  TempDir dir;
  const std::string file = dir / "update.xml";
  writeFile(file, "<update>\n<file>\n</update>\n");
  platform::XmlDocument doc;
  platform::XmlLoadError error;
  EXPECT_FALSE(doc.load(file, &error));
  EXPECT_FALSE(doc.active());
  // Wine's MSXML leaves the parse error's details empty; Windows fills them.
  if (!runningUnderWine()) {
    EXPECT_EQ(error.line, 3);
    EXPECT_FALSE(error.reason.empty());
  }
  EXPECT_FALSE(doc.load(dir / "missing.xml", &error));
}

TEST(WinDigest, Md5OfKnownTexts) {
  auto hex = [](const std::array<unsigned char, 16>& d) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (unsigned char c : d) s += {digits[c >> 4], digits[c & 15]};
    return s;
  };
  platform::Md5 empty;
  EXPECT_EQ(hex(empty.finish()), "d41d8cd98f00b204e9800998ecf8427e");
  platform::Md5 abc;
  abc.update("a", 1);
  abc.update("bc", 2);
  EXPECT_EQ(hex(abc.finish()), "900150983cd24fb0d6963f7d28e17f72");
}
