// The path rules, on both platforms: one row per path. Rows with drive
// letters hold where drive letters are drives (Windows).
#include <gtest/gtest.h>

#include "app/mian.h"
#include "platform/SystemPaths.h"
#include "util/Paths.h"

namespace {

struct Row {
  bool letters;           // needs drive letters
  const char* path;
  bool absolute;
  const char* directory;  // directoryPart
  const char* fileName;   // fileNamePart
  const char* parent;     // parentDirectory; "%" stands for the current directory
  const char* data;       // dataDirectoryOf; nullptr: not checked
};

const Row kRows[] = {
    {true, "D:\\client\\db\\bin\\ovexsqld.exe", true, "D:\\client\\db\\bin", "ovexsqld.exe", "D:\\client\\db\\bin",
     "D:\\client\\db/data"},
    {true, "D:\\srv\\bin\\ovexsqld.exe", true, "D:\\srv\\bin", "ovexsqld.exe", "D:\\srv\\bin", "D:\\srv/data"},
    {true, "D:\\bin\\ovexsqld.exe", true, "D:\\bin", "ovexsqld.exe", "D:\\bin", "D:\\/data"},
    {true, "D:\\x.exe", true, "D:\\", "x.exe", "D:\\", nullptr},
    {true, "D:\\", true, "D:\\", "", "D:\\", nullptr},
    {true, "D:\\client\\db\\.\\bin\\..\\bin\\\\ovexsqld.exe", true, "D:\\client\\db\\.\\bin\\..\\bin\\",
     "ovexsqld.exe", "D:\\client\\db\\bin", "D:\\client\\db/data"},
    {true, "D:/客户端\\db/bin\\ovexsqld.exe", true, "D:/客户端\\db/bin", "ovexsqld.exe", "D:/客户端\\db/bin",
     "D:/客户端\\db/data"},
    {true, "D:\\Parvia管理系统\\Parvia管理系统(纳税人端).exe", true, "D:\\Parvia管理系统",
     "Parvia管理系统(纳税人端).exe", "D:\\Parvia管理系统", nullptr},
    {true, "d:x.exe", false, "d:", "x.exe", nullptr, nullptr},
    {true, "\\x.exe", false, "\\", "x.exe", nullptr, nullptr},
    {true, "\\\\?\\D:\\x.exe", true, "\\\\?\\D:\\", "x.exe", "\\\\?\\D:\\", nullptr},
    {false, "\\\\server\\share\\客户端\\db\\bin\\ovexsqld.exe", true, "\\\\server\\share\\客户端\\db\\bin",
     "ovexsqld.exe", "\\\\server\\share\\客户端\\db\\bin", "\\\\server\\share\\客户端\\db/data"},
    {false, "\\\\server\\share\\x.exe", true, "\\\\server\\share\\", "x.exe", "\\\\server\\share\\",
     "\\\\server\\share\\/data"},
    {false, "//server/share/a/../b.exe", true, "//server/share/a/..", "b.exe", "//server/share/", nullptr},
    {false, "\\\\server\\share", true, "\\\\server\\share", "share", "\\\\server\\share", nullptr},
    {false, "升级工具\\bf/data.zip", false, "升级工具\\bf", "data.zip", "%/升级工具\\bf", nullptr},
    // What the process path reads as when it cannot be read: not absolute,
    // so client detection and both commands take the program as not running.
    {false, "unknown", false, "", "unknown", "%", nullptr},
    {false, "", false, "", "", nullptr, nullptr},
};

bool lettersAreDrives() { return platform::driveLength("D:\\") == 2; }

std::string expand(const std::string& expected) {
  return expected[0] == '%' ? platform::currentDirectory() + expected.substr(1) : expected;
}

}  // namespace

TEST(Paths, EveryRuleOnEveryRow) {
  for (const Row& row : kRows) {
    if (row.letters && !lettersAreDrives()) continue;
    SCOPED_TRACE(row.path);
    EXPECT_EQ(paths::isAbsolute(row.path), row.absolute);
    EXPECT_EQ(paths::directoryPart(row.path), row.directory);
    EXPECT_EQ(paths::fileNamePart(row.path), row.fileName);
    if (row.parent) {
      EXPECT_EQ(paths::parentDirectory(row.path), expand(row.parent));
    }
    if (row.data) {
      EXPECT_EQ(dataDirectoryOf(row.path), row.data);
    }
    if (*row.path) {  // the text rules resolve a path as the system does, separators apart
      EXPECT_EQ(platform::systemPath(paths::resolvedPath(row.path)), paths::absolutePath(row.path));
    }
  }
}

TEST(Paths, DriveLettersAreDrivesOnlyWhereThePlatformSaysSo) {
  EXPECT_EQ(paths::isAbsolute("C:\\x"), lettersAreDrives());
  EXPECT_EQ(paths::directoryPart("C:\\x"), lettersAreDrives() ? "C:\\" : "C:");
}
