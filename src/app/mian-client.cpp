// Finding the running client, recording where it lives, and stopping it.
#include "app/Screen.h"
#include "app/mian.h"
#include "base/ClientLayout.h"
#include "util/Paths.h"
#include "util/TUpdateUtils.h"

std::string runningClientPath() {
  std::int32_t pid = TUpdateUtils::findProcess(clientlayout::kTaxpayerPlain, screen::progress());
  if (pid == -1) pid = TUpdateUtils::findProcess(clientlayout::kTaxpayerLocalised, screen::progress());
  const std::string path = pid == -1 ? std::string() : TUpdateUtils::GetProcessPath(pid);
  // Not a full path: unreadable (empty, or "unknown" when only the file-name query failed).
  return paths::isAbsolute(path) ? path : std::string();
}

bool checkAndStopClient() {
  const std::string path = runningClientPath();
  if (path.empty()) {
    screen::showMessage(form1::kNotRunning);
    return false;
  }
  clientExePath = path;
  clientDir = paths::directoryPart(path);
  screen::showMessage(form1::kConfirmUpgrade);

  const char* const names[] = {clientlayout::kTaxpayerLocalised, clientlayout::kTaxpayerPlain,
                               clientlayout::kInvoicing, clientlayout::kOnlineUpdater};
  for (size_t i = 0; i < 4; ++i) {
    if (i > 0) screen::processMessages();
    TUpdateUtils::killProcess(names[i], screen::progress());
  }
  return true;
}
