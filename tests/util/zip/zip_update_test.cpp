// Zipping into an existing archive: newer files replace entries, older
// ones keep them, unmatched entries stay, and failures change nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ZipTestSupport.h"
#include "base/OvexError.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

// An archive made by Python with entries of a given date.
void makeArchive(const std::string& path, int year, const std::string& entries) {
  python("import zipfile\n"
         "z = zipfile.ZipFile(" + pyStr(path) + ", 'w', zipfile.ZIP_DEFLATED)\n"
         "for n, d in [" + entries + "]:\n"
         "  z.writestr(zipfile.ZipInfo(n, (" + std::to_string(year) + ", 6, 1, 12, 0, 0)), d)\n"
         "z.close()\n");
}

std::string entryText(const std::string& archive, const std::string& name) {
  return python("import zipfile,sys; sys.stdout.write(zipfile.ZipFile(" + pyStr(archive) + ").read('" + name +
                "').decode())");
}

void setTime(const std::string& path, const std::string& when) {
  runCommand("touch -d '" + when + "' " + shellQuote(path));
}

}  // namespace

TEST(ZipUpdate, NewerFilesReplaceOlderKeepOthersStay) {
  TempDir t;
  writeFile(t / "src/t1.frm", "disk-old");
  writeFile(t / "src/DB/T2.frm", "disk-new");
  writeFile(t / "src/added.txt", "added");
  setTime(t / "src/t1.frm", "2001-01-01 10:00");
  setTime(t / "src/DB/T2.frm", "2030-01-01 10:00");
  makeArchive(t / "dest.zip", 2010, "('t1.frm', 'zip-newer'), ('db/t2.frm', 'zip-older'), ('gone.txt', 'kept')");

  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "dest.zip"));
  EXPECT_EQ(entryText(t / "dest.zip", "t1.frm"), "zip-newer");
  EXPECT_EQ(entryText(t / "dest.zip", "DB/T2.frm"), "disk-new");
  EXPECT_EQ(entryText(t / "dest.zip", "gone.txt"), "kept");
  EXPECT_EQ(entryText(t / "dest.zip", "added.txt"), "added");
  // Replaced entries keep their place; added ones come last.
  const std::string names = python("import zipfile; print(zipfile.ZipFile(" + pyStr(t / "dest.zip") + ").namelist())");
  EXPECT_EQ(names, "['t1.frm', 'DB/T2.frm', 'gone.txt', 'added.txt']\n");
  expectPeersAccept(t / "dest.zip");
}

TEST(ZipUpdate, CopiesEntriesOfOtherToolsUnchanged) {
  TempDir t;
  writeFile(t / "peer/sub/x.txt", std::string(5000, 'x'));
  writeFile(t / "peer/y.txt", "y");
  // bsdtar writes data descriptors; 7-Zip bzip2 entries are copied as they are.
  runCommand("cd " + shellQuote(t / "peer") + " && bsdtar --format zip -cf ../dest.zip sub y.txt");
  runCommand("cd " + shellQuote(t / "peer") + " && 7z a -tzip -mm=BZip2 ../dest.zip y.txt >/dev/null");
  writeFile(t / "src/new.txt", "new");
  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "dest.zip"));
  expectPeersAccept(t / "dest.zip");
  EXPECT_EQ(entryText(t / "dest.zip", "sub/x.txt"), std::string(5000, 'x'));
  EXPECT_EQ(entryText(t / "dest.zip", "new.txt"), "new");
}

TEST(ZipUpdate, UnreadableArchiveRaisesAndStaysAsItWas) {
  TempDir t;
  writeFile(t / "src/a.txt", "a");
  writeFile(t / "dest.zip", "this is no archive at all, not even close");
  EXPECT_THROW(TUpdateUtils::zip(t / "src", t / "dest.zip"), OvexError);
  EXPECT_EQ(readFile(t / "dest.zip"), "this is no archive at all, not even close");
}

TEST(ZipUpdate, TemporaryFolderOnAnotherVolume) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no second volume";
  TempDir t;
  const std::string tmp = "/dev/shm/ovex-zip-update-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed());
  fs::create_directories(tmp);
  writeFile(t / "src/a.txt", "a");
  makeArchive(t / "dest.zip", 2010, "('old.txt', 'old')");
  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved ? saved : "";
  setenv("TMPDIR", tmp.c_str(), 1);
  const bool ok = TUpdateUtils::zip(t / "src", t / "dest.zip");
  saved ? setenv("TMPDIR", savedValue.c_str(), 1) : unsetenv("TMPDIR");
  EXPECT_TRUE(ok);
  EXPECT_EQ(entryText(t / "dest.zip", "old.txt"), "old");
  EXPECT_EQ(entryText(t / "dest.zip", "a.txt"), "a");
  // Neither the temporary file nor the copy beside dest is left behind.
  EXPECT_TRUE(fs::is_empty(tmp));
  EXPECT_EQ(std::distance(fs::directory_iterator(t.path()), fs::directory_iterator()), 2);
  fs::remove_all(tmp);
}
