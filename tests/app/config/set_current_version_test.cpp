// setCurrentVersion: the "CurrentVersion=" lines of service.ini.
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "ConfigTestSupport.h"
#include "app/ClientConfig.h"
#include "platform/Files.h"

using namespace configtest;

namespace {

// service.ini with the given bytes, after setCurrentVersion(version).
std::string rewritten(const std::string& bytes, const std::string& version) {
  testsupport::TempDir tmp;
  writeFile(tmp / "service.ini", bytes);
  setCurrentVersion(tmp / "service.ini", version);
  return readFile(tmp / "service.ini");
}

}  // namespace

TEST(SetCurrentVersion, ReplacesEveryMatchingLineWhateverItsCase) {
  EXPECT_EQ(rewritten("port=8080\r\ncurrentversion=1.0\r\nname=x\r\n", "2.0.1"),
            "port=8080\r\nCurrentVersion=2.0.1\r\nname=x\r\n");
  EXPECT_EQ(rewritten("CurrentVersion=1\r\nCURRENTVERSION=2\r\n", " 3 "),
            "CurrentVersion= 3 \r\nCurrentVersion= 3 \r\n");
  EXPECT_EQ(rewritten(" CurrentVersion=1\r\nCurrentVersion\r\n", "9"),
            " CurrentVersion=1\r\nCurrentVersion\r\n");  // no match: leading blank, no "="
}

TEST(SetCurrentVersion, KeepsEveryOtherByteAsItWas) {
  EXPECT_EQ(rewritten("a=1\nCurrentVersion=1\nb=2", "2"), "a=1\nCurrentVersion=2\nb=2");
  EXPECT_EQ(rewritten("a=1\r\nb=2", "2"), "a=1\r\nb=2");
  EXPECT_EQ(rewritten("a=1\rb=2\r\n", "2"), "a=1\rb=2\r\n");
  EXPECT_EQ(rewritten("x\r\rCurrentVersion=1\r\n", "2"), "x\r\rCurrentVersion=1\r\n");  // a line "xCurrentVersion=1"
  EXPECT_EQ(rewritten("\rCurrentVersion=1\r", "2"), "CurrentVersion=2");  // a lone CR is no part of the line
  EXPECT_EQ(rewritten("", "2"), "");
  EXPECT_EQ(rewritten("\n", "2"), "\n");
  // Saved as UTF-8, with and without a byte-order mark: its Chinese text
  // stays; the version line starting with the mark is not the key's line.
  const std::string utf8 = "ServiceName=Parvia管理系统服务\r\nCurrentVersion=1\r\n备注=中文\n";
  EXPECT_EQ(rewritten(utf8, "2"), "ServiceName=Parvia管理系统服务\r\nCurrentVersion=2\r\n备注=中文\n");
  EXPECT_EQ(rewritten("\xEF\xBB\xBF" + utf8, "2"), "\xEF\xBB\xBFServiceName=Parvia管理系统服务\r\nCurrentVersion=2\r\n备注=中文\n");
  EXPECT_EQ(rewritten("\xEF\xBB\xBF" "CurrentVersion=1\r\n", "2"), "\xEF\xBB\xBF" "CurrentVersion=1\r\n");
}

TEST(SetCurrentVersion, KeepsGbkTextAndPermissions) {
  testsupport::TempDir tmp;
  const std::string ini = tmp / "service.ini";
  const std::string gbkName = "name=\xCA\xFD\xBE\xDD\r\n";  // "数据" in GBK
  writeFile(ini, gbkName + "CurrentVersion=1\r\n");
  chmod(ini.c_str(), 0640);
  setCurrentVersion(tmp.path() + "\\service.ini", "V2.0版");
  EXPECT_EQ(readFile(ini), gbkName + "CurrentVersion=V2.0\xB0\xE6\r\n");
#ifndef _WIN32  // POSIX modes; Windows attributes are kept the same way (WinFiles tests)
  struct stat st {};
  stat(ini.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(tmp.path())) entries += e.exists();
  EXPECT_EQ(entries, 1);  // no leftover from the replacement
}

// Hidden and read-only as the platform keeps them (POSIX: the owner's write
// bit; the hidden flag only on Windows). A read-only file is refused even
// to root, as Windows refuses it to an administrator.
TEST(SetCurrentVersion, KeepsAttributesAndRefusesReadOnlyFile) {
  testsupport::TempDir tmp;
  const std::string ini = tmp / "service.ini";
  writeFile(ini, "CurrentVersion=1\r\n");
  ASSERT_TRUE(platform::setFileAttributes(ini, platform::kAttrHidden | platform::kAttrArchive));
  const auto before = platform::fileAttributes(ini);
  setCurrentVersion(ini, "2");
  EXPECT_EQ(readFile(ini), "CurrentVersion=2\r\n");
  EXPECT_EQ(platform::fileAttributes(ini), before);

  ASSERT_TRUE(platform::setFileAttributes(ini, platform::kAttrReadOnly | platform::kAttrHidden));
  const std::string error = errorOf([&] { setCurrentVersion(ini, "3"); });
  const std::string prefix = "Cannot create file \"" + ini + "\". ";
  EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
  EXPECT_GT(error.size(), prefix.size()) << "the system's description is missing";
  EXPECT_EQ(readFile(ini), "CurrentVersion=2\r\n");
  EXPECT_NE(*platform::fileAttributes(ini) & platform::kAttrReadOnly, 0u);
}

TEST(SetCurrentVersion, LinkedFileIsRewrittenThroughTheLink) {
  testsupport::TempDir tmp;
  writeFile(tmp / "real/service.ini", "CurrentVersion=1\r\n");
  std::filesystem::create_directories(tmp / "conf");
  std::filesystem::create_symlink(tmp / "real/service.ini", tmp / "conf/service.ini");
  setCurrentVersion(tmp / "conf/service.ini", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(tmp / "conf/service.ini"));
  EXPECT_EQ(readFile(tmp / "real/service.ini"), "CurrentVersion=2\r\n");
}

TEST(SetCurrentVersion, ReportsMissingAndUnwritableFiles) {
  testsupport::TempDir tmp;
  EXPECT_EQ(errorOf([&] { setCurrentVersion(tmp / "service.ini", "2"); }), "File not found");
  EXPECT_EQ(errorOf([&] { setCurrentVersion(tmp / "nodir/service.ini", "2"); }), "File not found");

  const std::string ini = tmp / "service.ini";
  writeFile(ini, "CurrentVersion=1\n");
  if (!makeImmutable(ini)) GTEST_SKIP() << "the file system here does not support chattr +i";
  EXPECT_EQ(errorOf([&] { setCurrentVersion(ini, "2"); }),
            "Cannot create file \"" + ini + "\". Operation not permitted");
  EXPECT_EQ(readFile(ini), "CurrentVersion=1\n");
}

#ifndef _WIN32  // an unprivileged child process through fork
TEST(SetCurrentVersion, UnreadableFileIsAccessDenied) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  testsupport::TempDir tmp;
  const std::string ini = tmp / "service.ini";
  writeFile(ini, "CurrentVersion=1\r\n");
  chmod(ini.c_str(), 0600);
  chmod(tmp.path().c_str(), 0755);
  // The check runs in a child that gives up root; its exit status is the verdict.
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    _exit(errorOf([&] { setCurrentVersion(ini, "2"); }) == "File access denied" ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(readFile(ini), "CurrentVersion=1\r\n");
}
#endif
