// Archives made by the tools people use, unpacked by TUpdateUtils::unzip.
#include <gtest/gtest.h>

#include <filesystem>

#include "ZipTestSupport.h"
#include "util/TUpdateUtils.h"

using namespace testsupport;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

void expectTree(const std::string& dir, const std::string& original) {
  EXPECT_EQ(readFile(dir + "/rows.sql"), readFile(original + "/rows.sql"));
  EXPECT_EQ(readFile(dir + "/sub/deeper/x.txt"), "x");
  EXPECT_TRUE(fs::exists(dir + "/empty.dat"));
  EXPECT_TRUE(fs::is_directory(dir + "/emptydir"));
}

void run(const std::string& cwd, const std::string& command) {
  const auto r = runCommand("cd " + shellQuote(cwd) + " && " + command);
  ASSERT_EQ(r.status, 0) << command << "\n" << r.output;
}

}  // namespace

// The archives and their tree come from make-peer-archives.sh, which ctest
// runs first on the build machine (the Windows build runs this case too).
TEST(UnzipPeers, InfoZipSevenZipBsdtarAndPython) {
  TempDir t;
  const std::string peers = OVEX_PEER_ARCHIVES;
  ASSERT_TRUE(fs::exists(nativePath(peers + "/tree/rows.sql"))) << "no archives in " << peers << ": run ctest";
  for (const char* name : {"infozip", "deflate7", "stored7", "bzip2", "lzma", "bsdtar", "python"}) {
    SCOPED_TRACE(name);
    const std::string out = t / (std::string("out-") + name);
    ASSERT_TRUE(TUpdateUtils::unzip(peers + "/" + name + ".zip", out));
    expectTree(out, peers + "/tree");
  }
}

TEST(UnzipPeers, ForcedZip64AndMoreThan65535Entries) {
  TempDir t;
  python("import zipfile\n"
         "z = zipfile.ZipFile(" + pyStr(t / "z64.zip") + ", 'w', zipfile.ZIP_DEFLATED)\n"
         "with z.open('forced.txt', 'w', force_zip64=True) as f: f.write(b'zip64 data' * 1000)\n"
         "z.writestr('plain.txt', 'plain')\n"
         "z.close()\n"
         "z = zipfile.ZipFile(" + pyStr(t / "many.zip") + ", 'w')\n"
         "for i in range(70000): z.writestr('m/%d' % i, str(i))\n"
         "z.close()\n");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "z64.zip", t / "a"));
  EXPECT_EQ(readFile(t / "a/forced.txt"), [] {
    std::string s;
    for (int i = 0; i < 1000; ++i) s += "zip64 data";
    return s;
  }());
  EXPECT_EQ(readFile(t / "a/plain.txt"), "plain");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "many.zip", t / "b"));
  EXPECT_EQ(readFile(t / "b/m/69999"), "69999");
  EXPECT_EQ(readFile(t / "b/m/0"), "0");
}

TEST(UnzipPeers, EveryNameDecodingRule) {
  TempDir t;
  const std::string gbk = "\xCA\xFD\xBE\xDD.txt";  // 数据.txt in code page 936
  python(
      "import zipfile, struct, zlib\n"
      "gbk = b'\\xca\\xfd\\xbe\\xdd.txt'\n"
      "def upath(raw, name, crc=None):\n"
      "  u = name.encode()\n"
      "  return struct.pack('<HHBI', 0x7075, 5 + len(u), 1, zlib.crc32(raw) if crc is None else crc) + u\n"
      "def nucx(name):\n"
      "  u = name.encode('utf-16-le')\n"
      "  return struct.pack('<HH4sHH', 0x554e, 8 + len(u), b'NUCX', len(name), 0) + u\n"
      "z = zipfile.ZipFile(" + pyStr(t / "names.zip") + ", 'w')\n"
      "z.writestr('\u4e2d\u6587-flag.txt', 'flagged')\n"        // UTF-8 with the flag
      "z.writestr('PLACE1.txt', 'gbk')\n"                        // GBK bytes, no flag
      "z.writestr('PLACE2UT.txt', 'utf8 no flag')\n"           // valid UTF-8 without the flag
      "i = zipfile.ZipInfo('PLACE3.txt'); i.extra = upath(b'P3' + gbk, 'unicode-path.txt')\n"
      "z.writestr(i, 'upath')\n"
      "i = zipfile.ZipInfo('PLACE4.txt'); i.extra = upath(gbk, 'wrong-crc.txt', 1)\n"
      "z.writestr(i, 'bad crc')\n"
      "i = zipfile.ZipInfo('PLACE5.txt'); i.extra = nucx('\u540d\u5b57.txt')\n"
      "z.writestr(i, 'utf16')\n"
      "z.close()\n");
  // Put raw name bytes in place of the ASCII placeholders.
  patchBytes(t / "names.zip", "PLACE1.txt", "P1" + gbk);
  patchBytes(t / "names.zip", "PLACE2UT.txt", "P2\xE4\xB8\xAD\xE6\x96\x87.txt");
  patchBytes(t / "names.zip", "PLACE3.txt", "P3" + gbk);
  patchBytes(t / "names.zip", "PLACE4.txt", "P4" + gbk);
  patchBytes(t / "names.zip", "PLACE5.txt", "P5" + gbk);
  ASSERT_TRUE(TUpdateUtils::unzip(t / "names.zip", t / "out"));
  EXPECT_EQ(readFile(t / "out/中文-flag.txt"), "flagged");
  EXPECT_EQ(readFile(t / "out/P1数据.txt"), "gbk");
  EXPECT_EQ(readFile(t / "out/P2中文.txt"), "utf8 no flag");
  EXPECT_EQ(readFile(t / "out/unicode-path.txt"), "upath");
  EXPECT_EQ(readFile(t / "out/P4数据.txt"), "bad crc");
  EXPECT_EQ(readFile(t / "out/名字.txt"), "utf16");
}

TEST(UnzipPeers, InfoZipUnicodePathOfUtf8Names) {
  TempDir t;
  writeFile(t / "src/目录/文件.txt", "zh");
  run(t / "src", "zip -qr ../zh.zip .");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "zh.zip", t / "out"));
  EXPECT_EQ(readFile(t / "out/目录/文件.txt"), "zh");
}

TEST(UnzipPeers, EncryptedEntrySkippedWithoutTouchingTheTarget) {
  TempDir t;
  writeFile(t / "src/secret.txt", "secret");
  writeFile(t / "src/open.txt", "open");
  run(t / "src", "zip -q -P pw ../mixed.zip secret.txt && zip -q ../mixed.zip open.txt");
  writeFile(t / "out/secret.txt", "old secret");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "mixed.zip", t / "out"));
  EXPECT_EQ(readFile(t / "out/secret.txt"), "old secret");
  EXPECT_EQ(readFile(t / "out/open.txt"), "open");
}

TEST(UnzipPeers, CorruptedEntryIsDeletedOthersUnpacked) {
  TempDir t;
  python("import zipfile, random\n"
         "random.seed(1)\n"
         "z = zipfile.ZipFile(" + pyStr(t / "bad.zip") + ", 'w', zipfile.ZIP_DEFLATED)\n"
         "z.writestr('first.txt', 'first')\n"
         "z.writestr('second.txt', 'MARKER' + ''.join(random.choice('abcdefgh') for _ in range(20000)))\n"
         "z.writestr('third.txt', 'third')\n"
         "z.writestr('crc.txt', 'CRCMARK')\n"
         "z.close()\n"
         "d = bytearray(open(" + pyStr(t / "bad.zip") + ", 'rb').read())\n"
         "z = zipfile.ZipFile(" + pyStr(t / "bad.zip") + ")\n"
         "i = z.getinfo('second.txt')\n"
         "start = i.header_offset + 30 + len('second.txt')\n"
         "d[start:start + 64] = b'\\xff' * 64\n"
         "i = z.getinfo('crc.txt')\n"
         "d[i.header_offset + 14] ^= 0x55; d[z.start_dir + 46 * 3 + len('first.txtsecond.txtthird.txt') + 16] ^= 0x55\n"
         "open(" + pyStr(t / "bad.zip") + ", 'wb').write(d)\n");
  writeFile(t / "out/second.txt", "old second");
  writeFile(t / "out/crc.txt", "old crc");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "bad.zip", t / "out"));
  EXPECT_EQ(readFile(t / "out/first.txt"), "first");
  EXPECT_EQ(readFile(t / "out/third.txt"), "third");
  EXPECT_FALSE(fs::exists(t / "out/second.txt"));
  // Data that does not match its CRC-32 is not left behind either.
  EXPECT_FALSE(fs::exists(t / "out/crc.txt"));
}

TEST(UnzipPeers, NamesReachingOutsideTheFolderAreRefused) {
  TempDir t;
  python("import zipfile\n"
         "z = zipfile.ZipFile(" + pyStr(t / "evil.zip") + ", 'w')\n"
         "for n in ['../up.txt', '/abs.txt', '//server/share.txt', 'C:/drive.txt', 'c:drive2.txt',\n"
         "          'a/../../up2.txt', 'a\\\\..\\\\..\\\\up3.txt', '\\\\back.txt', 'ok/./fine.txt']:\n"
         "  z.writestr(n, n)\n"
         "z.close()\n");
  fs::create_directories(t / "box");
  ASSERT_TRUE(TUpdateUtils::unzip(t / "evil.zip", t / "box/in"));
  EXPECT_EQ(readFile(t / "box/in/ok/fine.txt"), "ok/./fine.txt");
  std::vector<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(t.path()))
    if (e.is_regular_file()) found.push_back(fs::relative(e.path(), t.path()).string());
  EXPECT_EQ(found, std::vector<std::string>({"evil.zip", "box/in/ok/fine.txt"}));
  EXPECT_FALSE(fs::exists("/abs.txt"));
}
