#include "WinTestSupport.h"

#include <filesystem>
#include <stdexcept>

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/SystemPaths.h"
#include "platform/Time.h"

namespace wintest {
namespace fs = std::filesystem;

namespace {
fs::path native(const std::string& utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}
}  // namespace

TempDir::TempDir() {
  static int counter = 0;
  path_ = platform::temporaryDirectory() + "\\ovex-test-" + std::to_string(platform::currentProcessId()) + "-" +
          std::to_string(++counter);
  fs::create_directories(native(path_));
}

TempDir::~TempDir() {
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(native(path_), ec))
    fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(native(path_), ec);
}

void writeFile(const std::string& path, const std::string& bytes) {
  platform::FileError error{};
  fs::create_directories(native(path).parent_path());
  if (!platform::writeNewFile(path, bytes, &error)) throw std::runtime_error(error.message);
}

std::string installStandin(const std::string& path) {
  fs::create_directories(native(path).parent_path());
  const std::string standin = platform::executableDirectory() + "\\win_standin.exe";
  if (!platform::copyFileReplace(standin, path)) throw std::runtime_error("cannot copy " + standin);
  return path;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
  for (int waited = 0;; waited += 50) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    platform::sleepMs(50);
  }
}

}  // namespace wintest
