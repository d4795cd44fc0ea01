#include "app/mian.h"

#include <exception>

#include "app/Screen.h"
#include "platform/Processes.h"
#include "util/Paths.h"

std::string busyFlag;
std::string clientExePath;
std::string clientDir;

namespace form1 {
const char* const kCaption = "Parvia离线升级程序";
const char* const kInstructions =
    "1、离线升级程序运行前，请先运行VelmoraParvia管理系统纳税\n"
    "人端;\n"
    "2、支持离线升级到最新版本;\n"
    "3 、升级过程中程序会自动备份数据文件，会在纳税人端中设定的备\n"
    "份文件夹中生成备份数据文件，同时也会在当前的数据备份文件夹\n"
    "下生成数据备份文件;\n"
    "4、升级可能花费几分钟时间，请耐心等待。";
const char* const kLabelInitial = "正在处理中";
const char* const kLabelWait = "正在处理中，请稍等.....";
const char* const kLabelPatience = "处理过程需要花费几分钟，请耐心等待...";
const char* const kBusyMessage = "   正在处理中，请稍等.....";
const char* const kNotRunning = "检测到Parvia管理系统纳税人端未运行，请先运行....";
const char* const kUpgradeDone = "       升级完成            ";
const char* const kBackupDone = "            备份成功            ";
const char* const kBackupFailed = "备份失败，请重试....";
const char* const kConfirmUpgrade = "点击[OK]开始升级，升级过程中花费几分钟，请耐心等待...";
}  // namespace form1

void showBusy() {
  if (Screen* s = screen::attached()) {
    s->setLabelVisible(true);
    s->startTimer(300);
  }
  busyFlag = "1";
}

void hideBusy() {
  if (Screen* s = screen::attached()) {
    s->setLabelVisible(false);
    s->stopTimer();
  }
  busyFlag = "0";
  platform::releaseCommandLock();
}

void tmr1Timer() {
  screen::processMessages();
  Screen* s = screen::attached();
  if (!s) return;
  s->setLabelVisible(true);
  s->setLabelText(s->labelText() == form1::kLabelWait ? form1::kLabelPatience : form1::kLabelWait);
}

// Besides this copy's own busy state, another copy of the tool running a
// command makes it busy: the two would stop, back up and replace the same
// client's files under each other.
bool refuseWhenBusy() {
  if (busyFlag != "1" && platform::takeCommandLock()) return false;
  screen::showMessage(form1::kBusyMessage);
  return true;
}

void runWithErrorReport(void (*command)()) {
  try {
    command();
  } catch (const std::exception& e) {
    screen::showError(e.what());
  }
}

std::string applicationTitle(const std::string& executablePath) {
  std::string name = paths::fileNamePart(executablePath);
  name = name.substr(0, name.find('.'));
  for (size_t i = 1; i < name.size(); ++i)
    if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<char>(name[i] - 'A' + 'a');
  return name;
}
