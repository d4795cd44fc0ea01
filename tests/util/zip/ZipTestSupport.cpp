#include "ZipTestSupport.h"

#include <gtest/gtest.h>

namespace ziptest {

using testsupport::runCommand;
using testsupport::shellQuote;

std::string python(const std::string& script) {
  const auto r = runCommand("python3 -c " + shellQuote(script));
  EXPECT_EQ(r.status, 0) << r.output;
  return r.output;
}

std::string pyStr(const std::string& text) {
  std::string out = "bytes.fromhex('";
  static const char* hex = "0123456789abcdef";
  for (unsigned char c : text) {
    out += hex[c >> 4];
    out += hex[c & 15];
  }
  return out + "').decode('utf-8', 'surrogateescape')";
}

std::string listing(const std::string& archive) {
  return python(
      "import zipfile,sys\n"
      "for i in zipfile.ZipFile(" + pyStr(archive) + ").infolist():\n"
      "  n = i.filename if i.flag_bits & 0x800 else i.orig_filename.encode('cp437').decode('gbk')\n"
      "  sys.stdout.write('%s|%d|%d|%d|%d|%d\\n' % (n, i.compress_type, i.flag_bits, i.external_attr,"
      " i.extract_version, i.file_size))\n");
}

void expectPeersAccept(const std::string& archive) {
  const std::string q = shellQuote(archive);
  auto r = runCommand("unzip -tq " + q);
  EXPECT_EQ(r.status, 0) << "unzip -t: " << r.output;
  r = runCommand("7z t " + q);
  EXPECT_EQ(r.status, 0) << "7z t: " << r.output;
  r = runCommand("bsdtar -tf " + q + " >/dev/null");
  EXPECT_EQ(r.status, 0) << "bsdtar: " << r.output;
  r = runCommand("python3 -c " + shellQuote("import zipfile,sys; sys.exit(zipfile.ZipFile(" + pyStr(archive) +
                                            ").testzip() is not None)"));
  EXPECT_EQ(r.status, 0) << "zipfile: " << r.output;
}

void patchBytes(const std::string& path, const std::string& from, const std::string& to) {
  ASSERT_EQ(from.size(), to.size());
  std::string data = testsupport::readFile(path);
  std::size_t pos = 0;
  int count = 0;
  while ((pos = data.find(from, pos)) != std::string::npos) {
    data.replace(pos, from.size(), to);
    pos += to.size();
    ++count;
  }
  ASSERT_GT(count, 0) << "pattern not found in " << path;
  testsupport::writeFile(path, data);
}

}  // namespace ziptest
