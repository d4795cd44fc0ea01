// Feeds arbitrary text, cut at line breaks, to the script line splitter.
// Every statement ends in ";", holds no line break, and no byte of the input
// outside comment lines is lost: statements and the pending rest add up to
// the trimmed non-comment lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "package/SqlLines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  SqlLineSplitter splitter;
  std::string kept, emitted;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::string trimmed = trimControls(line);
    if (trimmed.compare(0, 2, "--") != 0) kept += trimmed;
    if (const auto statement = splitter.feed(line)) {
      const std::string& text = statement->text;
      if (text.empty() || text.back() != ';') __builtin_trap();
      if (text.find('\n') != std::string::npos) __builtin_trap();
      emitted += text;
    }
    start = end + 1;
  }
  if (emitted + splitter.pending() != kept) __builtin_trap();
  return 0;
}
