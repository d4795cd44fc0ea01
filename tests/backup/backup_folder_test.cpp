// Which configured backup folders (BF_PATH) take the second copy of a backup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup/TZNPBf.h"

TEST(UsableBackupFolder, OnlyAbsolutePathsWithoutDotDot) {
  struct Row {
    std::string folder;
    bool usable;
  };
  const std::vector<Row> rows = {
      {"", false}, {"备份", false}, {"./备份", false}, {"../../../..", false},
      {"\\\\server\\share\\备份", true}, {"//server/share/../x", false},
#ifdef _WIN32
      {"D:\\备份", true}, {"D:/备份/", true}, {"D:\\", true}, {"D:备份", false}, {"D:", false},
      {"\\备份", false}, {"D:\\备份\\..\\..", false}, {"\\\\?\\D:\\备份", true},
#else
      {"/srv/备份", true}, {"/", true}, {"\\srv\\备份", true}, {"/srv/备份/..", false}, {"D:\\备份", false},
#endif
  };
  for (const Row& row : rows) EXPECT_EQ(usableBackupFolder(row.folder), row.usable) << row.folder;
}
