// createDirectoryPath, deleteDirectoryTree, deleteFile and the existence tests.
#include <unistd.h>

#include <fstream>

#include "DirTestSupport.h"
#include "util/DirectoryOps.h"

using namespace dirtest;

TEST(ExistenceTests, TellFilesFromDirectories) {
  testsupport::TempDir tmp;
  writeFile(tmp / "f.txt", "x");
  EXPECT_TRUE(fileExists(tmp / "f.txt"));
  EXPECT_FALSE(directoryExists(tmp / "f.txt"));
  EXPECT_TRUE(directoryExists(tmp.path()));
  EXPECT_TRUE(directoryExists(tmp.path() + "\\"));
  EXPECT_FALSE(fileExists(tmp.path()));
  EXPECT_FALSE(fileExists(tmp / "missing"));
  EXPECT_FALSE(directoryExists(tmp / "missing"));
  EXPECT_FALSE(fileExists(""));
}

TEST(CreateDirectoryPath, CreatesEveryMissingLevelOnceWithMixedSeparators) {
  testsupport::TempDir tmp;
  const std::string deep = tmp.path() + "\\a/b\\c/d\\";
  createDirectoryPath(deep);
  EXPECT_TRUE(fs::is_directory(tmp / "a/b/c/d"));
  writeFile(tmp / "a/b/c/d/keep", "k");
  createDirectoryPath(deep);  // again: nothing changes
  EXPECT_EQ(readFile(tmp / "a/b/c/d/keep"), "k");
  createDirectoryPath(tmp / "a/./b/../b/e");
  EXPECT_TRUE(fs::is_directory(tmp / "a/b/e"));
}

TEST(CreateDirectoryPath, LevelThatCannotBeMadeIsNotReported) {
  testsupport::TempDir tmp;
  writeFile(tmp / "blocker", "a file where a folder should go");
  EXPECT_EQ(errorOf([&] { createDirectoryPath(tmp / "blocker/x/y"); }), "(none)");
  EXPECT_FALSE(directoryExists(tmp / "blocker/x"));
  EXPECT_EQ(readFile(tmp / "blocker"), "a file where a folder should go");
}

TEST(DeleteDirectoryTree, RemovesReadOnlyHiddenAndNestedEntries) {
  testsupport::TempDir tmp;
  const std::string root = tmp / "tree";
  writeFile(root + "/ro.txt", "r");
  writeFile(root + "/.hidden", "h");
  writeFile(root + "/sub/.deeper/x.bin", "x");
  fs::create_directories(root + "/empty");
  chmod((root + "/ro.txt").c_str(), 0444);
  chmod((root + "/sub").c_str(), 0555);  // a read-only folder too
  deleteDirectoryTree(root + "\\");
  EXPECT_FALSE(fs::exists(root));
  EXPECT_TRUE(fs::exists(tmp.path()));
}

TEST(DeleteDirectoryTree, RefusesFilesAndMissingPaths) {
  testsupport::TempDir tmp;
  writeFile(tmp / "f", "x");
  EXPECT_EQ(errorOf([&] { deleteDirectoryTree(tmp / "f"); }), "The specified directory name is invalid");
  EXPECT_EQ(readFile(tmp / "f"), "x");
  EXPECT_EQ(errorOf([&] { deleteDirectoryTree(tmp / "missing"); }), "The specified path was not found");
}

TEST(DeleteDirectoryTree, UndeletableFileKeepsItsAncestorsAndNothingElse) {
  testsupport::TempDir tmp;
  const std::string root = tmp / "tree";
  writeFile(root + "/a/b/stuck.dat", "s");
  writeFile(root + "/a/b/free.dat", "f");
  writeFile(root + "/a/other.dat", "o");
  writeFile(root + "/c/d.dat", "d");
  if (!makeImmutable(root + "/a/b/stuck.dat"))
    GTEST_SKIP() << "the file system here does not support chattr +i";
  EXPECT_EQ(errorOf([&] { deleteDirectoryTree(root); }), "(none)");
  EXPECT_TRUE(fs::exists(root + "/a/b/stuck.dat"));
  EXPECT_FALSE(fs::exists(root + "/a/b/free.dat"));
  EXPECT_FALSE(fs::exists(root + "/a/other.dat"));
  EXPECT_FALSE(fs::exists(root + "/c"));
}

TEST(DeleteDirectoryTree, RemovesLinksWithoutTouchingTheirTargets) {
  testsupport::TempDir tmp;
  writeFile(tmp / "outside/precious.txt", "p");
  chmod((tmp / "outside/precious.txt").c_str(), 0444);
  fs::create_directories(tmp / "tree");
  fs::create_directory_symlink(tmp / "outside", tmp / "tree/dirlink");
  fs::create_symlink(tmp / "outside/precious.txt", tmp / "tree/filelink");
  deleteDirectoryTree(tmp / "tree");
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "tree")));
  // A link given to the deletion itself goes alone, with or without a
  // trailing separator.
  fs::create_directory_symlink(tmp / "outside", tmp / "top");
  fs::create_directory_symlink(tmp / "outside", tmp / "top2");
  deleteDirectoryTree(tmp / "top");
  deleteDirectoryTree(tmp.path() + "/top2\\");
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "top")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "top2")));
  EXPECT_EQ(readFile(tmp / "outside/precious.txt"), "p");
  EXPECT_EQ(modeOf(tmp / "outside/precious.txt"), 0444u);
}

TEST(DeleteFile, DeletesFilesAndPassesOverWhatItCannotDelete) {
  testsupport::TempDir tmp;
  writeFile(tmp / "a.ini", "x");
  deleteFile(tmp.path() + "\\a.ini");
  EXPECT_FALSE(fs::exists(tmp / "a.ini"));
  EXPECT_EQ(errorOf([&] { deleteFile(tmp / "a.ini"); }), "(none)");  // already gone
  EXPECT_EQ(errorOf([&] { deleteFile(tmp / "no-such-dir/a.ini"); }), "The specified path was not found");
  fs::create_directories(tmp / "dir");
  EXPECT_EQ(errorOf([&] { deleteFile(tmp / "dir"); }), "(none)");
  EXPECT_TRUE(fs::is_directory(tmp / "dir"));

#ifndef _WIN32  // Windows refuses with a sharing violation (directory_win32_test.cpp)
  // An open file: there is no sharing violation here, the file goes.
  writeFile(tmp / "open.ini", "o");
  std::ifstream held(tmp / "open.ini");
  EXPECT_EQ(errorOf([&] { deleteFile(tmp / "open.ini"); }), "(none)");
  EXPECT_FALSE(fs::exists(tmp / "open.ini"));
#endif

  writeFile(tmp / "stuck.ini", "s");
  if (!makeImmutable(tmp / "stuck.ini")) GTEST_SKIP() << "the file system here does not support chattr +i";
  EXPECT_EQ(errorOf([&] { deleteFile(tmp / "stuck.ini"); }), "(none)");
  EXPECT_TRUE(fs::exists(tmp / "stuck.ini"));
}
