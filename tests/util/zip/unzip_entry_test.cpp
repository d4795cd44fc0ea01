// What unzip does with the archive, the folder and each entry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ZipTestSupport.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "util/TUpdateUtils.h"
#include "util/zip/ArchiveTest.h"

using namespace testsupport;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

// Entries (name, data, external attributes) with a fixed date, by Python.
void makeArchive(const std::string& path, const std::string& entries) {
  python("import zipfile\n"
         "z = zipfile.ZipFile(" + pyStr(path) + ", 'w', zipfile.ZIP_DEFLATED)\n"
         "for n, d, a in [" + entries + "]:\n"
         "  i = zipfile.ZipInfo(n, (2019, 5, 17, 13, 45, 30)); i.external_attr = a; i.compress_type = 8\n"
         "  z.writestr(i, d)\n"
         "z.close()\n");
}

bool writable(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR);
}

}  // namespace

TEST(Unzip, ReplacesFilesCreatesFoldersSetsTimeAndAttributes) {
  TempDir t;
  makeArchive(t / "a.zip", "('x.txt', 'new', 0x20), ('sub/y.txt', 'y', 0x21), ('dir/', '', 0x10)");
  writeFile(t / "out/x.txt", "old content");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "a.zip", t / "out\\"));
  EXPECT_EQ(readFile(t / "out/x.txt"), "new");
  EXPECT_EQ(readFile(t / "out/sub/y.txt"), "y");
  EXPECT_TRUE(fs::is_directory(t / "out/dir"));
  EXPECT_TRUE(writable(t / "out/x.txt"));
  EXPECT_FALSE(writable(t / "out/sub/y.txt"));
  const auto expected = platform::fromLocalTime({2019, 5, 17, 13, 45, 30});
  EXPECT_EQ(platform::lastWriteTime(t / "out/x.txt"), expected);
  EXPECT_EQ(platform::lastWriteTime(t / "out/sub/y.txt"), expected);
}

TEST(Unzip, ArchiveAndFolderFailuresAnswerFalse) {
  TempDir t;
  makeArchive(t / "a.zip", "('x.txt', 'x', 0x20)");
  writeFile(t / "empty.zip", "");
  writeFile(t / "text.zip", std::string(5000, 'P'));
  ASSERT_EQ(mkfifo((t / "pipe.zip").c_str(), 0644), 0);  // refused at once, nobody writes to it
  EXPECT_FALSE(TUpdateUtils::unzip(t / "pipe.zip", t / "o4"));
  EXPECT_FALSE(TUpdateUtils::unzip(t / "missing.zip", t / "o1"));
  EXPECT_FALSE(TUpdateUtils::unzip(t / "empty.zip", t / "o2"));
  EXPECT_FALSE(TUpdateUtils::unzip(t / "text.zip", t / "o3"));
  EXPECT_FALSE(TUpdateUtils::unzip(t / "a.zip", t / "two/levels"));
  EXPECT_FALSE(fs::exists(t / "two"));
  // One missing level is created.
  EXPECT_TRUE(TUpdateUtils::unzip(t / "a.zip", t / "one"));
  EXPECT_EQ(readFile(t / "one/x.txt"), "x");
}

TEST(Unzip, FolderThatCannotBeMadeFailsOnlyItsEntries) {
  TempDir t;
  makeArchive(t / "a.zip",
              "('first.txt', '1', 0x20), ('block/inner.txt', '2', 0x20), ('block/sub/', '', 0x10), "
              "('last.txt', '3', 0x20)");
  writeFile(t / "out/block", "a file where a folder should go");
  EXPECT_TRUE(TUpdateUtils::unzip(t / "a.zip", t / "out"));
  EXPECT_EQ(readFile(t / "out/first.txt"), "1");
  EXPECT_EQ(readFile(t / "out/block"), "a file where a folder should go");
  EXPECT_EQ(readFile(t / "out/last.txt"), "3");
}

TEST(Unzip, EntriesThatCannotBeUnpackedLeaveTheTargetAlone) {
  TempDir t;
  makeArchive(t / "a.zip",
              "('ro.txt', 'new', 0x20), ('.hidden', 'new', 0x20), ('newer.txt', 'new', 0x20), "
              "('method.txt', 'new', 0x20), ('pipe.txt', 'new', 0x20), ('ok.txt', 'ok', 0x20)");
  // Version needed 6.4 and an unknown method 99.
  python("import zipfile\n"
         "p = " + pyStr(t / "a.zip") + "\n"
         "d = bytearray(open(p, 'rb').read()); z = zipfile.ZipFile(p)\n"
         "for name, off, val in [('newer.txt', 4, 64), ('method.txt', 8, 99)]:\n"
         "  i = z.getinfo(name); d[i.header_offset + off] = val\n"
         "  c = d.find(b'PK\\x01\\x02' + bytes(2), z.start_dir)\n"
         "  pos = z.start_dir\n"
         "  while d[pos + 46:pos + 46 + len(name)] != name.encode(): pos = d.find(b'PK\\x01\\x02', pos + 1)\n"
         "  d[pos + off + 2] = val\n"
         "open(p, 'wb').write(d)\n");
  for (const char* n : {"ro.txt", ".hidden", "newer.txt", "method.txt"}) writeFile(t / "out/" + n, "old");
  chmod((t / "out/ro.txt").c_str(), 0444);
  ASSERT_EQ(mkfifo((t / "out/pipe.txt").c_str(), 0644), 0);  // nobody reads its other end
  ASSERT_TRUE(TUpdateUtils::unzip(t / "a.zip", t / "out"));
  for (const char* n : {"ro.txt", ".hidden", "newer.txt", "method.txt"}) EXPECT_EQ(readFile(t / "out/" + n), "old") << n;
  EXPECT_TRUE(fs::is_fifo(t / "out/pipe.txt"));
  EXPECT_EQ(readFile(t / "out/ok.txt"), "ok");
}

TEST(Unzip, ReadsBackWhatZipWrote) {
  TempDir t;
  writeFile(t / "src/数据/表一.frm", std::string(300000, 'q'));
  writeFile(t / "src/ro.txt", "ro");
  chmod((t / "src/ro.txt").c_str(), 0444);
  runCommand("touch -d '2020-02-29 23:59:58' " + shellQuote(t / "src/ro.txt"));
  ASSERT_TRUE(TUpdateUtils::zip(t / "src", t / "round.zip"));
  ASSERT_TRUE(TUpdateUtils::unzip(t / "round.zip", t / "back"));
  EXPECT_EQ(readFile(t / "back/数据/表一.frm"), std::string(300000, 'q'));
  EXPECT_FALSE(writable(t / "back/ro.txt"));
  EXPECT_EQ(platform::lastWriteTime(t / "back/ro.txt"), platform::fromLocalTime({2020, 2, 29, 23, 59, 58}));
}

TEST(ArchiveTest, NamesEveryEntryThatWouldNotReadCompletely) {
  TempDir t;
  makeArchive(t / "a.zip", "('ok.txt', 'ok', 0x20), ('crc.txt', 'data', 0x20), ('../out.txt', 'x', 0x20)");
  EXPECT_EQ(zipio::testArchive(t / "a.zip").size(), 1u);  // the name reaching outside
  python("import zipfile\n"
         "p = " + pyStr(t / "a.zip") + "\n"
         "d = bytearray(open(p, 'rb').read()); z = zipfile.ZipFile(p)\n"
         "pos = d.find(b'PK\\x01\\x02' , z.start_dir)\n"
         "while d[pos + 46:pos + 53] != b'crc.txt': pos = d.find(b'PK\\x01\\x02', pos + 1)\n"
         "d[pos + 16] ^= 0xFF\n"
         "open(p, 'wb').write(d)\n");
  const auto problems = zipio::testArchive(t / "a.zip");
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0], "entry \"crc.txt\": CRC mismatch: the data is damaged");
  EXPECT_NE(problems[1].find("\"../out.txt\""), std::string::npos) << problems[1];
  writeFile(t / "no.zip", "not an archive");
  EXPECT_EQ(zipio::testArchive(t / "no.zip").size(), 1u);
  EXPECT_EQ(zipio::testArchive(t / "missing.zip").size(), 1u);
}
