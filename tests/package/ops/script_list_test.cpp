// Which files of a database entry count as scripts, and their order.
#include "OpsFixture.h"
#include "package/ScriptList.h"

namespace ops_test {
namespace {

TEST(ScriptListTest, PlainFilesInLocaleWordOrder) {
  testsupport::TempDir dir;
  for (const char* name : {"2.sql", "c.sql", "10.sql", "B.sql", "1.sql", "a.sql", "readme.txt", "_x.sql", "a-b.sql",
                           "ab.sql", "noext", ".hidden.sql"})
    testsupport::writeFile(dir / name, "SELECT 1;");
  testsupport::writeFile(dir / "sub/3.sql", "SELECT 1;");
  fs::create_directories(dir / "folder.sql");
  const std::vector<std::string> expected = {"_x.sql", "1.sql", "10.sql", "2.sql", "a.sql", "ab.sql",
                                             "a-b.sql", "B.sql", "c.sql", "noext", "readme.txt"};
  EXPECT_EQ(scriptlist::scriptList(dir.path()), expected);
  EXPECT_TRUE(scriptlist::scriptList(dir / "absent").empty());
}

}  // namespace
}  // namespace ops_test
