#pragma once
// The data backup and the two reads from the client database.
#include <memory>
#include <string>

class Progress;
class TDbConnection;

namespace TDbUtils {
// A new, unconnected connection with the fixed parameters.
std::unique_ptr<TDbConnection> getOvexZnpConnection();
}  // namespace TDbUtils

// SJKBBH of the first row of sys_rjbbxx; raises on any failure.
std::string getDbVersion();
// BF_PATH of the first row of sys_sjbf_pz; raises on any failure.
std::string getBackupPath();
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
