// The Backup command: back up the running server's data and start it again.
#include <exception>
#include <string>

#include "app/Screen.h"
#include "app/mian.h"
#include "backup/TZNPBf.h"
#include "platform/SystemPaths.h"
#include "util/TUpdateUtils.h"

void bfBtnClick() {
  if (refuseWhenBusy()) return;
  showBusy();
  screen::processMessages();

  const std::string serverPath = runningServerPath();
  if (serverPath.empty()) {
    hideBusy();
    screen::showMessage(form1::kNotRunning);
    return;
  }
  const std::string dataDir = dataDirectoryOf(serverPath);

  try {
    TZNPBf::bf(platform::currentDirectory(), dataDir, screen::progress());
    TUpdateUtils::startExeProcess(serverPath, screen::progress());
    screen::showMessage(form1::kBackupDone);
  } catch (const std::exception& error) {
    screen::showMessage(form1::kBackupFailed);
    // The message box keeps the reason to itself; a headless run names it.
    screen::note(std::string("The backup failed: ") + error.what());
  }
  hideBusy();
}
