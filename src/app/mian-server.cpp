// The client's database server: found by its process name, and where it
// keeps its data.
#include "app/Screen.h"
#include "app/mian.h"
#include "base/ClientLayout.h"
#include "util/Paths.h"
#include "util/TUpdateUtils.h"

std::string runningServerPath() {
  const std::int32_t pid = TUpdateUtils::findProcess(clientlayout::kServerName, screen::progress());
  const std::string path = pid == -1 ? std::string() : TUpdateUtils::GetProcessPath(pid);
  // Not a full path: unreadable (empty, or "unknown" when only the file-name query failed).
  return paths::isAbsolute(path) ? path : std::string();
}

// Two levels up from its executable, then "/data".
std::string dataDirectoryOf(const std::string& serverExePath) {
  return paths::parentDirectory(paths::parentDirectory(serverExePath)) + "/data";
}
