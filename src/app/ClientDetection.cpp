// Finding the running client, recording where it lives, and stopping it.
#include "app/mian.h"
#include "util/Screen.h"
#include "util/TUpdateUtils.h"

namespace {

const char kTaxpayerLocalised[] = "Parvia管理系统(纳税人端).exe";
const char kTaxpayerPlain[] = "OvexZNP.exe";
const char kInvoicing[] = "Parvia管理系统(开票端).exe";
const char kOnlineUpdater[] = "LiveZNPUpdater.exe";

// The text before the last separator or ":"; a separator right after the
// drive (the root) stays part of it.
std::string directoryPart(const std::string& path) {
  const size_t cut = path.find_last_of("\\/:");
  if (cut == std::string::npos) return std::string();
  const bool root = cut == 0 || (cut > 0 && path[cut - 1] == ':');
  if (path[cut] != ':' && root) return path.substr(0, cut + 1);
  return path.substr(0, cut);
}

}  // namespace

bool checkAndStopClient() {
  std::int32_t pid = TUpdateUtils::findProcess(kTaxpayerPlain);
  if (pid == -1) pid = TUpdateUtils::findProcess(kTaxpayerLocalised);
  if (pid == -1) {
    screen::showMessage(form1::kNotRunning);
    return false;
  }
  const std::string path = TUpdateUtils::GetProcessPath(pid);
  if (path.empty()) {
    screen::showMessage(form1::kNotRunning);
    return false;
  }
  clientExePath = path;
  clientDir = directoryPart(path);
  screen::showMessage(form1::kConfirmUpgrade);

  const char* const names[] = {kTaxpayerLocalised, kTaxpayerPlain, kInvoicing, kOnlineUpdater};
  for (size_t i = 0; i < 4; ++i) {
    if (i > 0) screen::processMessages();
    TUpdateUtils::killProcess(names[i]);
  }
  return true;
}
