// Archives written by TUpdateUtils::zip, read back by the peers' tools.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "ZipTestSupport.h"
#include "app/Screen.h"
#include "base/OvexError.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

std::string randomBytes(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (auto& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return s;
}

}  // namespace

TEST(ZipWriter, TreeGivesOneDeflatedEntryPerVisibleFile) {
  TempDir t;
  const std::string src = t / "data";
  writeFile(src + "/a.dat", std::string(100000, 'a'));
  writeFile(src + "/db1/t1.frm", "frm");
  writeFile(src + "/noext", "");
  writeFile(src + "/ro.txt", "read only");
  chmod((src + "/ro.txt").c_str(), 0444);
  writeFile(src + "/.hidden", "h");
  writeFile(src + "/.hiddendir/inside.txt", "h");
  fs::create_directories(src + "/empty");
  ASSERT_TRUE(TUpdateUtils::zip(src, t / "out.zip"));

  EXPECT_EQ(listing(t / "out.zip"),
            "a.dat|8|0|32|20|100000\n"
            "db1/t1.frm|8|0|32|20|3\n"
            "noext|8|0|32|20|0\n"
            "ro.txt|8|0|33|20|9\n");
  expectPeersAccept(t / "out.zip");
  // The empty file still carries the empty deflate stream.
  EXPECT_EQ(python("import zipfile; print(zipfile.ZipFile(" + pyStr(t / "out.zip") +
                   ").getinfo('noext').compress_size)"),
            "2\n");
  const auto r = runCommand("cd " + shellQuote(t.path()) + " && unzip -q out.zip -d x && cat x/db1/t1.frm");
  EXPECT_EQ(r.output, "frm");
}

TEST(ZipWriter, NamesGoToTheCodePageOrToUtf8WithTheFlag) {
  TempDir t;
  const std::string src = t / "src";
  writeFile(src + "/数据/表一.frm", "gbk");
  writeFile(src + "/smile\xF0\x9F\x98\x80.txt", "utf8");
  ASSERT_TRUE(TUpdateUtils::zip(src, t / "names.zip"));
  EXPECT_EQ(listing(t / "names.zip"),
            "smile\xF0\x9F\x98\x80.txt|8|2048|32|20|4\n"
            "数据/表一.frm|8|0|32|20|3\n");
  expectPeersAccept(t / "names.zip");
  // bsdtar and Python told the archive's code page put the names where they belong.
  fs::create_directories(t / "x");
  auto r = runCommand("cd " + shellQuote(t.path()) + " && LANG=C.UTF-8 bsdtar --options hdrcharset=CP936 -xf names.zip -C x && cat x/数据/表一.frm " +
                      shellQuote("x/smile\xF0\x9F\x98\x80.txt"));
  EXPECT_EQ(r.output, "gbkutf8");
  EXPECT_EQ(python("import zipfile; print(sorted(zipfile.ZipFile(" + pyStr(t / "names.zip") +
                   ", metadata_encoding='cp936').namelist()))"),
            "['smile\xF0\x9F\x98\x80.txt', '数据/表一.frm']\n");
}

TEST(ZipWriter, ArchiveInsideItsSourceIsNotItsOwnEntry) {
  TempDir t;
  writeFile(t / "src/a.txt", "a");
  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "src\\SELF.zip"));
  EXPECT_EQ(listing(t / "src/SELF.zip"), "a.txt|8|0|32|20|1\n");
  // Zipping again updates the archive in place and still leaves it out.
  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "src/SELF.zip"));
  EXPECT_EQ(listing(t / "src/SELF.zip"), "a.txt|8|0|32|20|1\n");
}

TEST(ZipWriter, MissingOrEmptySourceGivesAnEmptyArchive) {
  TempDir t;
  fs::create_directories(t / "empty/sub");
  ASSERT_TRUE(TUpdateUtils::zip(t / "empty", t / "e1.zip"));
  ASSERT_TRUE(TUpdateUtils::zip(t / "missing", t / "e2.zip"));
  EXPECT_EQ(listing(t / "e1.zip"), "");
  EXPECT_EQ(readFile(t / "e2.zip").size(), 22u);
  EXPECT_EQ(runCommand("7z t " + shellQuote(t / "e1.zip")).status, 0);
}

TEST(ZipWriter, DestinationInMissingFolderRaises) {
  TempDir t;
  writeFile(t / "src/a.txt", "a");
  EXPECT_THROW(TUpdateUtils::zip(t / "src", t / "nofolder/out.zip"), OvexError);
  EXPECT_FALSE(fs::exists(t / "nofolder"));
}

TEST(ZipWriter, FullDiskRaisesAndDeletesThePartialArchive) {
  TempDir t;
  writeFile(t / "src/big.bin", randomBytes(4 << 20, 7));
  // A child process with a 1 MiB file-size limit stands for a full disk.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{1 << 20, 1 << 20};
    setrlimit(RLIMIT_FSIZE, &lim);
    int code = 1;
    try {
      TUpdateUtils::zip(t / "src", t / "out.zip");
    } catch (const OvexError&) {
      code = fs::exists(t / "out.zip") ? 3 : 0;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error raised, 3: partial archive left";
}

TEST(ZipWriter, ManyFilesGetZip64EndRecords) {
  TempDir t;
  const int count = 66000;
  fs::create_directories(t / "src");
  for (int i = 0; i < count; ++i) {
    const std::string dir = t / ("src/d" + std::to_string(i / 1000));
    if (i % 1000 == 0) fs::create_directories(dir);
    writeFile(dir + "/f" + std::to_string(i), std::to_string(i));
  }
  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "many.zip"));
  EXPECT_EQ(python("import zipfile; z = zipfile.ZipFile(" + pyStr(t / "many.zip") +
                   "); print(len(z.namelist()), z.read('d65/f65999').decode(), z.testzip())"),
            "66000 65999 None\n");
  EXPECT_EQ(runCommand("unzip -tq " + shellQuote(t / "many.zip")).status, 0);
  EXPECT_EQ(runCommand("7z t " + shellQuote(t / "many.zip")).status, 0);
  // And our own reader walks it all.
  ASSERT_TRUE(TUpdateUtils::unzip(t / "many.zip", t / "back"));
  EXPECT_EQ(readFile(t / "back/d12/f12345"), "12345");
}

namespace {
// Counts how often the writer lets pending messages through.
class CountingScreen : public Screen {
 public:
  int processed = 0;
  void showMessage(const std::string&) override {}
  void showError(const std::string&) override {}
  void processMessages() override { ++processed; }
  void setLabelVisible(bool) override {}
  std::string labelText() const override { return ""; }
  void setLabelText(const std::string&) override {}
  void startTimer(int) override {}
  void stopTimer() override {}
};
}  // namespace

TEST(ZipWriter, PendingMessagesPerFileFoundAndPerBlockWritten) {
  TempDir t;
  for (int i = 0; i < 10; ++i) writeFile(t / ("src/f" + std::to_string(i)), "small");
  writeFile(t / "src/big.bin", randomBytes(5 << 20, 3));
  CountingScreen counter;
  screen::attach(&counter);
  TUpdateUtils::zip(t / "src", t / "out.zip", screen::progress(), "zipping");
  screen::attach(nullptr);
  // 11 files found, and the incompressible 5 MiB go out in several blocks.
  EXPECT_GE(counter.processed, 11 + 4);
}
