// copyDirectoryTree: merging, attributes, the same-directory check, and a
// destination inside the source.
#include <sys/stat.h>
#include <sys/time.h>

#include <map>

#include "DirTestSupport.h"
#include "util/DirectoryOps.h"

using namespace dirtest;

namespace {

void makeSource(const std::string& root) {
  writeFile(root + "/top.txt", "top");
  writeFile(root + "/.hidden", "hidden");
  writeFile(root + "/sub/inner.txt", "inner");
  writeFile(root + "/sub/深层/中文.txt", "chinese");
  fs::create_directories(root + "/empty");
}

// Every entry below root with its content ("<dir>" for folders), sorted.
std::map<std::string, std::string> treeOf(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::u8string rel = fs::relative(e.path(), root).generic_u8string();
    const std::u8string full = e.path().u8string();
    tree[std::string(rel.begin(), rel.end())] = e.is_directory() ? "<dir>" : readFile(std::string(full.begin(), full.end()));
  }
  return tree;
}

}  // namespace

TEST(CopyDirectoryTree, MergesIntoAnExistingDestination) {
  testsupport::TempDir tmp;
  makeSource(tmp / "src");
  writeFile(tmp / "dst/extra.txt", "extra");
  writeFile(tmp / "dst/top.txt", "old top, longer than the new one");
  writeFile(tmp / "dst/sub/extra2.txt", "extra2");
  copyDirectoryTree(tmp / "src", tmp / "dst");
  const auto tree = treeOf(tmp / "dst");
  EXPECT_EQ(tree.at("extra.txt"), "extra");
  EXPECT_EQ(tree.at("sub/extra2.txt"), "extra2");
  EXPECT_EQ(tree.at("top.txt"), "top");
  EXPECT_EQ(tree.at(".hidden"), "hidden");
  EXPECT_EQ(tree.at("sub/深层/中文.txt"), "chinese");
  EXPECT_EQ(tree.at("empty"), "<dir>");
  EXPECT_EQ(tree.size(), 9u);
}

TEST(CopyDirectoryTree, TrailingSeparatorMakesNoDifference) {
  testsupport::TempDir tmp;
  makeSource(tmp / "src");
  copyDirectoryTree(tmp.path() + "/src\\", tmp / "one/deep");  // destination levels are made
  copyDirectoryTree(tmp / "src", tmp.path() + "\\two");
  EXPECT_EQ(treeOf(tmp / "one/deep"), treeOf(tmp / "src"));
  EXPECT_EQ(treeOf(tmp / "two"), treeOf(tmp / "src"));
}

#ifndef _WIN32  // POSIX modes; times are set with utimes
TEST(CopyDirectoryTree, KeepsModeAndLastWriteTime) {
  testsupport::TempDir tmp;
  writeFile(tmp / "src/run.sh", "#!/bin/sh\n");
  writeFile(tmp / "src/ro.txt", "r");
  chmod((tmp / "src/run.sh").c_str(), 0751);
  chmod((tmp / "src/ro.txt").c_str(), 0444);
  const struct timeval old[2] = {{1000000000, 0}, {1234567890, 0}};
  utimes((tmp / "src/run.sh").c_str(), old);
  writeFile(tmp / "dst/run.sh", "previous content");
  chmod((tmp / "dst/run.sh").c_str(), 0600);
  copyDirectoryTree(tmp / "src", tmp / "dst");
  struct stat st {};
  stat((tmp / "dst/run.sh").c_str(), &st);
  EXPECT_EQ(st.st_mtime, 1234567890);
  EXPECT_EQ(st.st_mode & 07777, 0751u);
  EXPECT_EQ(readFile(tmp / "dst/run.sh"), "#!/bin/sh\n");
  EXPECT_EQ(modeOf(tmp / "dst/ro.txt"), 0444u);
}

TEST(CopyDirectoryTree, PipesAreNeitherReadNorWritten) {
  testsupport::TempDir tmp;
  writeFile(tmp / "src/a.txt", "a");
  writeFile(tmp / "src/b.txt", "b");
  fs::create_directories(tmp / "dst");
  ASSERT_EQ(mkfifo((tmp / "src/in.pipe").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((tmp / "dst/a.txt").c_str(), 0644), 0);  // nobody reads its other end
  copyDirectoryTree(tmp / "src", tmp / "dst");
  EXPECT_TRUE(fs::is_fifo(tmp / "dst/a.txt"));
  EXPECT_EQ(readFile(tmp / "dst/b.txt"), "b");
  EXPECT_FALSE(fs::exists(tmp / "dst/in.pipe"));
}
#endif

TEST(CopyDirectoryTree, SameDirectoryIsRefusedWithoutRegardToCase) {
  testsupport::TempDir tmp;
  writeFile(tmp / "Data/f", "f");
  const std::string msg = "The source directory is the same as the destination directory";
  EXPECT_EQ(errorOf([&] { copyDirectoryTree(tmp / "Data", tmp / "data"); }), msg);
  EXPECT_EQ(errorOf([&] { copyDirectoryTree(tmp / "Data", tmp.path() + "\\DATA\\"); }), msg);
  EXPECT_EQ(errorOf([&] { copyDirectoryTree(tmp / "Data", tmp / "x/../Data"); }), msg);
  EXPECT_EQ(readFile(tmp / "Data/f"), "f");
}

TEST(CopyDirectoryTree, MissingSourceCreatesNothing) {
  testsupport::TempDir tmp;
  EXPECT_EQ(errorOf([&] { copyDirectoryTree(tmp / "nope", tmp / "dst"); }),
            "The specified path was not found");
  EXPECT_FALSE(fs::exists(tmp / "dst"));
  writeFile(tmp / "file", "x");
  EXPECT_EQ(errorOf([&] { copyDirectoryTree(tmp / "file", tmp / "dst"); }),
            "The specified path was not found");
}

TEST(CopyDirectoryTree, DestinationBelowTheSourceIsLeftOutOfTheWalk) {
  testsupport::TempDir tmp;
  makeSource(tmp / "client");
  const auto before = treeOf(tmp / "client");
  // The folder aside, named by joining "_bak_T" to a source that ends with a separator.
  copyDirectoryTree(tmp / "client/", tmp / "client/" + "_bak_T");
  EXPECT_EQ(treeOf(tmp / "client/_bak_T"), before);
  copyDirectoryTree(tmp / "client", tmp / "client/sub/nested_copy");  // deeper, met mid-walk
  EXPECT_FALSE(fs::exists(tmp / "client/sub/nested_copy/sub/nested_copy"));
  EXPECT_EQ(readFile(tmp / "client/sub/nested_copy/sub/inner.txt"), "inner");
  EXPECT_EQ(readFile(tmp / "client/sub/nested_copy/_bak_T/top.txt"), "top");
}

TEST(CopyDirectoryTree, FileThatCannotBeReplacedIsPassedOver) {
  testsupport::TempDir tmp;
  writeFile(tmp / "src/a.txt", "new a");
  writeFile(tmp / "src/b.txt", "new b");
  writeFile(tmp / "dst/a.txt", "old a");
  if (!makeImmutable(tmp / "dst/a.txt")) GTEST_SKIP() << "the file system here does not support chattr +i";
  EXPECT_EQ(errorOf([&] { copyDirectoryTree(tmp / "src", tmp / "dst"); }), "(none)");
  EXPECT_EQ(readFile(tmp / "dst/a.txt"), "old a");
  EXPECT_EQ(readFile(tmp / "dst/b.txt"), "new b");
}
