// readTextLines: line breaks, NUL, byte-order mark, GBK decoding, errors.
#include "DirTestSupport.h"
#include "util/DirectoryOps.h"

using namespace dirtest;
using Lines = std::vector<std::string>;

namespace {

Lines linesOf(const std::string& bytes) {
  testsupport::TempDir tmp;
  writeFile(tmp / "t.sql", bytes);
  return readTextLines(tmp / "t.sql");
}

}  // namespace

TEST(ReadTextLines, EveryKindOfLineBreakEndsALine) {
  EXPECT_EQ(linesOf("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(linesOf("a\n\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(linesOf("a\rb"), (Lines{"a", "b"}));
  EXPECT_EQ(linesOf("a\r\r\nb\n\r"), (Lines{"a", "", "b", ""}));
  EXPECT_EQ(linesOf(""), Lines{});
  EXPECT_EQ(linesOf("\r\n"), Lines{""});
  EXPECT_EQ(linesOf("last line without break"), Lines{"last line without break"});
}

TEST(ReadTextLines, NulEndsTheText) {
  EXPECT_EQ(linesOf(std::string("a\r\nb\0c\r\nd", 9)), (Lines{"a", "b"}));
  EXPECT_EQ(linesOf(std::string("\0abc", 4)), Lines{});
}

TEST(ReadTextLines, DecodesGbkAndKeepsAByteOrderMark) {
  // "数据" in GBK, then a line of ASCII.
  EXPECT_EQ(linesOf("\xCA\xFD\xBE\xDD\r\nok"), (Lines{"数据", "ok"}));
  const Lines bom = linesOf("\xEF\xBB\xBF" "SELECT 1;");
  ASSERT_EQ(bom.size(), 1u);
  EXPECT_EQ(bom[0].substr(0, 3), "锘");  // EF BB decoded as one GBK character
  EXPECT_EQ(bom[0], "锘縎ELECT 1;");  // BF and "S" make one GBK character too
}

TEST(ReadTextLines, MissingFileOrFolderIsReported) {
  testsupport::TempDir tmp;
  EXPECT_EQ(errorOf([&] { readTextLines(tmp / "none.sql"); }), "The specified file was not found");
  EXPECT_EQ(errorOf([&] { readTextLines(tmp / "nodir/none.sql"); }), "The specified path was not found");
  fs::create_directories(tmp / "adir");
  EXPECT_EQ(errorOf([&] { readTextLines(tmp / "adir"); }), "The specified file was not found");
}
