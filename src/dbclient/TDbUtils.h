#pragma once
// The client database: the connection with its fixed parameters, and the two
// single-value reads the tool makes from it.
#include <memory>
#include <string>

class TDbConnection;

namespace TDbUtils {
// A new, unconnected connection with the fixed parameters.
std::unique_ptr<TDbConnection> getOvexZnpConnection();
}  // namespace TDbUtils

// SJKBBH of the first row of sys_rjbbxx; raises on any failure.
std::string getDbVersion();
// BF_PATH of the first row of sys_sjbf_pz; raises on any failure.
std::string getBackupPath();
