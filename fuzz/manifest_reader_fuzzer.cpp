// Feeds arbitrary bytes to the manifest reader as update.xml. Every input
// must end in a model or in an OvexError; the model's texts are never empty.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/OvexError.h"
#include "package/UpdateXML.h"
#include "platform/Processes.h"
#include "platform/XmlDom.h"

namespace {

std::string manifestPath() {
  static const std::string path = [] {
    auto d = std::filesystem::temp_directory_path() /
             ("manifest_reader_fuzzer-" + std::to_string(platform::currentProcessId()));
    std::filesystem::create_directories(d);
    return (d / "update.xml").string();
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = manifestPath();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  platform::XmlDocument dom;
  TUpdateXML manifest;
  try {
    manifest.xmlToObject(dom, path);
  } catch (const OvexError&) {
    return 0;
  }
  if (!manifest.updateInfo || !manifest.updateFileList) __builtin_trap();
  if (manifest.updateInfo->version.empty()) __builtin_trap();
  for (const auto& uf : manifest.updateFileList->entries())
    if (uf->fileName.empty() || uf->updateStyle.empty()) __builtin_trap();
  return 0;
}
