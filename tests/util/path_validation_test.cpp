// The path checks shared by the directory operations, seen through them.
#include "DirTestSupport.h"
#include "util/DirectoryOps.h"

using namespace dirtest;

namespace {

// An absolute path of exactly n UTF-16 code units below dir (ASCII), made of
// one-unit Chinese characters (three UTF-8 bytes each) in names of at most
// 60 characters.
std::string pathOfUnits(const std::string& dir, size_t n) {
  std::string p = dir + "/";
  size_t inName = 0;
  for (size_t units = dir.size() + 1; units < n; ++units) {
    const bool split = inName == 60 && units + 1 < n;
    p += split ? "/" : "长";
    inName = split ? 0 : inName + 1;
  }
  return p;
}

}  // namespace

TEST(PathValidation, LengthIsCountedInUtf16UnitsWithDirectoryAndFileLimits) {
  testsupport::TempDir tmp;
  const std::string dir259 = pathOfUnits(tmp.path(), 259);
  EXPECT_EQ(errorOf([&] { createDirectoryPath(dir259); }), "(none)");
  EXPECT_TRUE(directoryExists(dir259));  // 259 units, 700+ bytes: allowed
  EXPECT_EQ(errorOf([&] { createDirectoryPath(pathOfUnits(tmp.path(), 260)); }),
            "The specified path is too long");

  const std::string file247 = pathOfUnits(tmp.path(), 247);
  writeFile(file247, "x");
  EXPECT_EQ(errorOf([&] { deleteFile(file247); }), "(none)");
  EXPECT_FALSE(fileExists(file247));
  EXPECT_EQ(errorOf([&] { deleteFile(pathOfUnits(tmp.path(), 248)); }),
            "The specified path is too long");
  EXPECT_EQ(errorOf([&] { readTextLines(pathOfUnits(tmp.path(), 248)); }),
            "The specified path is too long");
}

TEST(PathValidation, ExtendedLengthPrefixLiftsTheLimit) {
  testsupport::TempDir tmp;
  const std::string deep = pathOfUnits(tmp.path(), 300);
  EXPECT_EQ(errorOf([&] { createDirectoryPath("\\\\?\\" + deep); }), "(none)");
  EXPECT_TRUE(directoryExists(deep));
  EXPECT_EQ(errorOf([&] { deleteDirectoryTree("\\\\?\\" + deep); }), "(none)");
  EXPECT_FALSE(directoryExists(deep));
}

TEST(PathValidation, ColonAndInvalidCharactersAreRefused) {
  testsupport::TempDir tmp;
  EXPECT_EQ(errorOf([&] { createDirectoryPath(tmp / "a:b"); }), "The path format is not supported");
  EXPECT_EQ(errorOf([&] { deleteFile(tmp / "c:x"); }), "The path format is not supported");
  for (const std::string& bad : std::vector<std::string>{"a\"b", "a<b", "a>b", "a|b", "a\tb", std::string("a\0b", 3)})
    EXPECT_EQ(errorOf([&] { createDirectoryPath(tmp / bad); }), "Invalid characters in path") << bad;
  EXPECT_EQ(errorOf([&] { deleteDirectoryTree(""); }), "Invalid characters in path");
  EXPECT_EQ(errorOf([&] { deleteDirectoryTree("   "); }), "Invalid characters in path");
  EXPECT_EQ(errorOf([&] { readTextLines(""); }), "Invalid characters in path");
  EXPECT_FALSE(fs::exists(tmp / "a:b"));
}

TEST(PathValidation, ChecksComeInTheirOrder) {
  testsupport::TempDir tmp;
  // Too long wins over a colon; a colon wins over invalid characters.
  EXPECT_EQ(errorOf([&] { createDirectoryPath(pathOfUnits(tmp / "x:|", 270)); }),
            "The specified path is too long");
  EXPECT_EQ(errorOf([&] { createDirectoryPath(tmp / "x:|"); }), "The path format is not supported");
}

TEST(PathValidation, NetworkPathHasNoDrive) {
  EXPECT_EQ(errorOf([] { createDirectoryPath("//server/share/dir"); }), "The drive cannot be found");
  EXPECT_EQ(errorOf([] { createDirectoryPath("\\\\server\\share\\dir"); }),
            "The drive cannot be found");
  testsupport::TempDir tmp;
  EXPECT_EQ(errorOf([&] { copyDirectoryTree(tmp.path(), "//server/share/dir"); }),
            "The drive cannot be found");
}
