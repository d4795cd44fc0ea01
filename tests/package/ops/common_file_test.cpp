// Dispatch by updateStyle and the common-file update, on real archives.
#include "OpsFixture.h"
#include "base/OvexError.h"

namespace ops_test {
namespace {

using testsupport::readFile;
using testsupport::writeFile;

class CommonFileTest : public ::testing::Test {
 protected:
  testsupport::TempDir root;
  std::string work = root / "work";
  std::string scratch = root / "work/tmp";
  std::string client = root / "client";
  std::unique_ptr<CurrentDirectory> cwd;

  void SetUp() override {
    fs::create_directories(scratch);
    fs::create_directories(client);
    cwd = std::make_unique<CurrentDirectory>(work);
  }
  void TearDown() override { cwd.reset(); }
  void package(const std::string& name, const Files& files) { makeZip(scratch + "/" + name, files); }
  std::string inClient(const std::string& rel) { return client + "/" + rel; }
};

TEST_F(CommonFileTest, OnlyTheExactStyleOneIsADatabaseUpdate) {
  package("lib.zip", {{"a.txt", "A"}});
  // Without a db folder the database update stops before anything else.
  try {
    TupdateOp::updateOp(entry("lib.zip", "1", "\\t1"), client);
    ADD_FAILURE() << "style 1 must go to the database update";
  } catch (const OvexError& e) {
    EXPECT_STREQ(e.what(), "The specified path was not found");
  }
  EXPECT_FALSE(exists(inClient("t1")));
  EXPECT_FALSE(exists(inClient("db_updating_T/bin")));

  int n = 0;
  for (const char* style : {"01", "1 ", " 1", "2", "0", "x"}) {
    SCOPED_TRACE(style);
    const std::string folder = "t" + std::to_string(++n);
    TupdateOp::updateOp(entry("lib.zip", style, "\\" + folder), client);
    EXPECT_EQ(readFile(inClient(folder + "/a.txt")), "A");
  }
}

TEST_F(CommonFileTest, NewTargetGetsAnEmptyBackupAndTheArchive) {
  const std::string han = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
  package("server-lib.zip", {{"a.jar", "jar-a"}, {"conf/" + han + ".ini", "ini"}});
  TupdateOp::updateCommonFile(entry("server-lib.zip", "0", "\\server\\lib"), client);
  EXPECT_EQ(readFile(inClient("server/lib/a.jar")), "jar-a");
  EXPECT_EQ(readFile(inClient("server/lib/conf/" + han + ".ini")), "ini");
  ASSERT_TRUE(fs::is_directory(inClient("server/lib_bak_T")));
  EXPECT_TRUE(fs::is_empty(inClient("server/lib_bak_T")));
  // Unpacked in the scratch folder under the archive's stem.
  EXPECT_EQ(readFile(scratch + "/server-lib/a.jar"), "jar-a");
}

TEST_F(CommonFileTest, ArchivesMergeOverTheTargetAndTheBackupFollows) {
  writeFile(inClient("web/keep.html"), "keep");
  writeFile(inClient("web/index.html"), "old");
  package("web1.zip", {{"index.html", "new1"}, {"img/logo.png", "png1"}});
  package("web2.zip", {{"index.html", "new2"}, {"app.js", "js2"}});

  TupdateOp::updateCommonFile(entry("web1.zip", "0", "\\web"), client);
  EXPECT_EQ(readFile(inClient("web_bak_T/index.html")), "old");
  EXPECT_EQ(readFile(inClient("web_bak_T/keep.html")), "keep");
  EXPECT_FALSE(exists(inClient("web_bak_T/img")));

  TupdateOp::updateCommonFile(entry("web2.zip", "0", "\\web"), client);
  EXPECT_EQ(readFile(inClient("web/index.html")), "new2");
  EXPECT_EQ(readFile(inClient("web/keep.html")), "keep");
  EXPECT_EQ(readFile(inClient("web/img/logo.png")), "png1");
  EXPECT_EQ(readFile(inClient("web/app.js")), "js2");
  // The backup holds the target as it was after the first entry.
  EXPECT_EQ(readFile(inClient("web_bak_T/index.html")), "new1");
  EXPECT_EQ(readFile(inClient("web_bak_T/img/logo.png")), "png1");
  EXPECT_FALSE(exists(inClient("web_bak_T/app.js")));
}

TEST_F(CommonFileTest, UpdaterPackagesGoToUpdaterLibByExactPrefix) {
  package("ovex-znp-updater-2.0.zip", {{"u.jar", "u"}});
  package("OVEX-ZNP-UPDATER.zip", {{"v.jar", "v"}});
  TupdateOp::updateOp(entry("ovex-znp-updater-2.0.zip", "0", "\\client\\bin"), client);
  EXPECT_EQ(readFile(inClient("updater/lib/u.jar")), "u");
  EXPECT_TRUE(fs::is_directory(inClient("updater/lib_bak_T")));
  EXPECT_FALSE(exists(inClient("client")));

  TupdateOp::updateOp(entry("OVEX-ZNP-UPDATER.zip", "0", "\\client\\bin"), client);
  EXPECT_EQ(readFile(inClient("client/bin/v.jar")), "v");
  EXPECT_FALSE(exists(inClient("updater/lib/v.jar")));
}

TEST_F(CommonFileTest, MissingOrDamagedArchiveChangesNothingButTheFolders) {
  writeFile(inClient("lib/x.dll"), "x");
  TupdateOp::updateCommonFile(entry("absent.zip", "0", "\\lib"), client);
  writeFile(scratch + "/broken.zip", "PK\x03\x04 not really an archive");
  TupdateOp::updateCommonFile(entry("broken.zip", "0", "\\other"), client);
  EXPECT_EQ(readFile(inClient("lib/x.dll")), "x");
  EXPECT_EQ(readFile(inClient("lib_bak_T/x.dll")), "x");
  EXPECT_TRUE(fs::is_directory(inClient("other_bak_T")));
  EXPECT_TRUE(fs::is_empty(inClient("other")));
}

TEST_F(CommonFileTest, ShortNameUnpacksIntoTheScratchFolderItself) {
  writeFile(scratch + "/update.xml", "<r/>");
  package("ab", {{"in.txt", "in"}});
  TupdateOp::updateCommonFile(entry("ab", "0", "\\s"), client);
  EXPECT_EQ(readFile(inClient("s/in.txt")), "in");
  EXPECT_EQ(readFile(inClient("s/update.xml")), "<r/>");
  EXPECT_TRUE(fs::is_regular_file(inClient("s/ab")));
}

TEST_F(CommonFileTest, StemCountsUtf16CodeUnits) {
  // Four code units cut from a name with a character outside the BMP.
  const std::string name = "\xF0\x9F\x98\x80lib.zip";  // U+1F600 lib.zip
  package(name, {{"f.txt", "f"}});
  TupdateOp::updateCommonFile(entry(name, "0", "\\e"), client);
  EXPECT_EQ(readFile(scratch + "/\xF0\x9F\x98\x80lib/f.txt"), "f");
  EXPECT_EQ(readFile(inClient("e/f.txt")), "f");
}

TEST_F(CommonFileTest, TrailingSeparatorKeepsTheBackupOutOfItsOwnCopy) {
  writeFile(inClient("lib/a.txt"), "a");
  package("lib.zip", {{"b.txt", "b"}});
  TupdateOp::updateCommonFile(entry("lib.zip", "0", "\\lib\\"), client);
  EXPECT_EQ(readFile(inClient("lib/_bak_T/a.txt")), "a");
  EXPECT_FALSE(exists(inClient("lib/_bak_T/_bak_T")));
  EXPECT_EQ(readFile(inClient("lib/b.txt")), "b");
}

}  // namespace
}  // namespace ops_test
