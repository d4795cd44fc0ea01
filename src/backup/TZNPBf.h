#pragma once
// The data backup.
#include <string>

class Progress;
// True when a BF_PATH value may take the second copy of a backup: an
// absolute path (a drive and its root, or a network path) without a ".."
// part. Anything else would be resolved against the tool's working folder.
bool usableBackupFolder(const std::string& folder);

namespace TZNPBf {
// Backs up the data directory dbPath into currentPath/数据备份 and the
// configured backup folder. Raises OvexError on failure.
void bf(const std::string& currentPath, const std::string& dbPath);
// The same, the zipping reported to progress; returns the local archive's path.
std::string bf(const std::string& currentPath, const std::string& dbPath, Progress& progress);
}  // namespace TZNPBf
