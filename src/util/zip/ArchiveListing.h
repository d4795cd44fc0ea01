#pragma once
// The entries of an archive by name, as unzip would see them.
#include <cstdint>
#include <string>
#include <vector>

namespace zipio {

struct ListedEntry {
  std::string name;  // decoded, as stored ("/" or "\" between the parts)
  std::uint64_t size = 0;
  bool folder = false;
};

// In central-directory order; raises OvexError when the file cannot be
// opened or is no readable Zip archive.
std::vector<ListedEntry> listArchive(const std::string& zipFile);

}  // namespace zipio
