#include <stdio.h>

#include <filesystem>
#include <system_error>

#include "platform/FileReplace.h"
#include "platform/Platform.h"

namespace platform {

bool renameReplacing(const std::string& from, const std::string& to) {
  return ::rename(systemPath(from).c_str(), systemPath(to).c_str()) == 0;
}

bool copyFileBytes(const std::string& from, const std::string& to) {
  std::error_code ec;
  const std::filesystem::path target(systemPath(to));
  std::filesystem::copy_file(systemPath(from), target, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) std::filesystem::remove(target, ec);
  return !ec;
}

}  // namespace platform
