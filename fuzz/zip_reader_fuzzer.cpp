// Feeds arbitrary bytes to TUpdateUtils::unzip as an archive file and
// unpacks into a scratch folder, which is emptied after each run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Processes.h"
#include "util/TUpdateUtils.h"

namespace {

const std::filesystem::path& scratch() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() /
             ("zip_reader_fuzzer-" + std::to_string(platform::currentProcessId()));
    std::filesystem::create_directories(d);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(scratch(), ec);
    });
    return d;
  }();
  return dir;
}

void makeWritable(const std::filesystem::path& dir) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto archive = scratch() / "input.zip";
  const auto out = scratch() / "out";
  if (std::FILE* f = std::fopen(archive.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  TUpdateUtils::unzip(archive.string(), out.string());
  std::error_code ec;
  makeWritable(out);
  std::filesystem::remove_all(out, ec);
  // Nothing may land next to the output folder.
  for (const auto& e : std::filesystem::directory_iterator(scratch(), ec))
    if (e.path() != archive && e.path() != out) __builtin_trap();
  return 0;
}
