// Process control: find, end, start and locate the client's processes.
#include <cstdint>
#include <stdexcept>

#include "platform/Processes.h"
#include "util/AsciiCase.h"
#include "util/Paths.h"
#include "util/TUpdateUtils.h"

namespace TUpdateUtils {

std::int32_t findProcess(const std::string& exeName, Progress& progress) {
  const std::string wanted = foldAscii(exeName);
  for (const auto& entry : platform::listProcesses()) {
    progress.idle();
    if (foldAscii(entry.name) == wanted) return static_cast<std::int32_t>(entry.pid);
  }
  return -1;
}

void killProcess(const std::string& AFileName, Progress& progress) {
  const std::string wanted = foldAscii(AFileName);
  for (const auto& entry : platform::listProcesses()) {
    progress.idle();
    const std::string name = foldAscii(entry.name);
    if (foldAscii(paths::fileNamePart(entry.name)) == wanted || name == wanted)
      platform::terminateProcess(entry.pid);
  }
}

bool startExeProcess(const std::string& exePath, Progress& progress) {
  try {
    if (!platform::shellOpen(exePath)) throw std::runtime_error("start request failed");
    return true;
  } catch (...) {
    progress.tell("启动进程[ " + exePath + " ]失败");
    return false;
  }
}

std::string GetProcessPath(std::int32_t PID) {
  return platform::processPath(PID).value_or(std::string());
}

}  // namespace TUpdateUtils
