#include <gtest/gtest.h>

#include "app/mian.h"
#include "platform/SystemPaths.h"
#include "util/Paths.h"

TEST(DataDirectory, TwoLevelsUpThenData) {
  EXPECT_EQ(dataDirectoryOf("/k/db/bin/ovexsqld.exe"), "/k/db/data");
  EXPECT_EQ(dataDirectoryOf("\\k\\db\\bin\\ovexsqld.exe"), "\\k\\db/data");  // separators kept as written
  EXPECT_EQ(dataDirectoryOf("/srv/bin/ovexsqld.exe"), "/srv/data");
  EXPECT_EQ(dataDirectoryOf("/k/db/./bin/../bin/ovexsqld.exe"), "/k/db/data");
}

TEST(DataDirectory, ParentOfAPathBelowTheRootIsTheRoot) {
  EXPECT_EQ(paths::parentDirectory("/x.exe"), "/");
  EXPECT_EQ(paths::parentDirectory("/a//b/c"), "/a/b");
}

TEST(DataDirectory, RelativePathsStartAtTheCurrentDirectory) {
  EXPECT_EQ(paths::parentDirectory("bin/ovexsqld.exe"), platform::currentDirectory() + "/bin");
}

TEST(ApplicationTitle, NameUpToFirstDotLowerCaseAfterFirstCharacter) {
  EXPECT_EQ(applicationTitle("/opt/UpdateOvexZNP"), "Updateovexznp");
  EXPECT_EQ(applicationTitle("C:\\tools\\UpdateOvexZNP.exe"), "Updateovexznp");
  EXPECT_EQ(applicationTitle("/x/my.tool.exe"), "my");
}
