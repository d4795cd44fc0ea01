// Process control: find, end, start and locate the client's processes.
#include <cstdint>
#include <stdexcept>

#include "platform/Platform.h"
#include "util/Screen.h"
#include "util/TUpdateUtils.h"

namespace {

// Only the ASCII letters are folded; every other character must match exactly.
std::string asciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// The file-name part: the text after the last "\" or ":" (or "/").
std::string fileNamePart(const std::string& name) {
  const size_t cut = name.find_last_of("\\:/");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

}  // namespace

namespace TUpdateUtils {

std::int32_t findProcess(const std::string& exeName) {
  const std::string wanted = asciiUpper(exeName);
  for (const auto& entry : platform::listProcesses()) {
    screen::processMessages();
    if (asciiUpper(entry.name) == wanted) return static_cast<std::int32_t>(entry.pid);
  }
  return -1;
}

void killProcess(const std::string& AFileName) {
  const std::string wanted = asciiUpper(AFileName);
  for (const auto& entry : platform::listProcesses()) {
    screen::processMessages();
    const std::string name = asciiUpper(entry.name);
    if (asciiUpper(fileNamePart(entry.name)) == wanted || name == wanted)
      platform::terminateProcess(entry.pid);
  }
}

bool startExeProcess(const std::string& exePath) {
  try {
    if (!platform::shellOpen(exePath)) throw std::runtime_error("start request failed");
    return true;
  } catch (...) {
    screen::showMessage("启动进程[ " + exePath + " ]失败");
    return false;
  }
}

std::string GetProcessPath(std::int32_t PID) {
  return platform::processPath(PID).value_or(std::string());
}

}  // namespace TUpdateUtils
