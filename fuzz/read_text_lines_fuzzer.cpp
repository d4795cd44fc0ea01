// Feeds arbitrary bytes to readTextLines as a script file. No line may hold
// a line break, and a text without NUL, CR or LF is a single line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/Processes.h"
#include "util/DirectoryOps.h"

namespace {

std::string scriptPath() {
  static const std::string path = [] {
    auto d = std::filesystem::temp_directory_path() /
             ("read_text_lines_fuzzer-" + std::to_string(platform::currentProcessId()));
    std::filesystem::create_directories(d);
    return (d / "script.sql").string();
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = scriptPath();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  const auto lines = readTextLines(path);
  for (const std::string& line : lines)
    if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && bytes.find_first_of(std::string("\r\n\0", 3)) == std::string::npos && lines.size() != 1)
    __builtin_trap();
  return 0;
}
