// The Backup command: back up the running server's data and start it again.
#include <exception>

#include "app/mian.h"
#include "backup/TZNPBf.h"
#include "platform/Platform.h"
#include "util/Paths.h"
#include "util/Screen.h"
#include "util/TUpdateUtils.h"

namespace {
const char kServerName[] = "ovexsqld.exe";
}

void bfBtnClick() {
  if (refuseWhenBusy()) return;
  showBusy();
  screen::processMessages();

  const std::int32_t pid = TUpdateUtils::findProcess(kServerName);
  const std::string serverPath = pid == -1 ? std::string() : TUpdateUtils::GetProcessPath(pid);
  // Not a full path: unreadable (empty, or "unknown" when only the file-name query failed).
  if (!paths::isAbsolute(serverPath)) {
    hideBusy();
    screen::showMessage(form1::kNotRunning);
    return;
  }
  const std::string dataDir = dataDirectoryOf(serverPath);

  try {
    TZNPBf::bf(platform::currentDirectory(), dataDir);
    TUpdateUtils::startExeProcess(serverPath);
    screen::showMessage(form1::kBackupDone);
  } catch (const std::exception&) {
    screen::showMessage(form1::kBackupFailed);
  }
  hideBusy();
}
