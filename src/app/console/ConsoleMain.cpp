// UpdateOvexZNP --upgrade | --backup | --help | --version
// Exit status: 0 when the command ended with its success message, 2 when it
// ended with one of its own fixed messages, 1 when an error was reported, 64
// when the arguments are not one of the options.
#include <cstdio>
#include <string>
#include <vector>

#include "app/FrontEnds.h"
#include "app/console/ConsoleScreen.h"
#include "app/mian.h"

namespace {

const char kUsage[] =
    "Usage: UpdateOvexZNP [--upgrade | --backup | --help | --version]\n"
    "  (no option)  open the window\n"
    "  --upgrade    run the Upgrade command (升级) without a window\n"
    "  --backup     run the Backup command (备份) without a window\n"
    "  --help       print this text\n"
    "  --version    print the version\n"
    "Messages are printed one per line; message boxes count as confirmed.\n"
    "Exit status: 0 success, 2 the command ended with its own message\n"
    "(not running, busy, backup failed), 1 an error was reported,\n"
    "64 an unknown option (started from a console; otherwise the window opens).\n";

const char* const kOptions[] = {"--upgrade", "--backup", "--help", "--version"};

}  // namespace

bool isHeadlessCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) return false;
  for (const char* option : kOptions)
    if (arguments[1] == option) return true;
  return false;
}

int runHeadless(void (*command)(), const std::string& successMessage) {
  ConsoleScreen console;
  Screen* previous = screen::attached();
  screen::attach(&console);
  runWithErrorReport(command);
  screen::attach(previous);
  if (console.errorReported()) return 1;
  return console.lastMessage() == successMessage ? 0 : 2;
}

int runConsole(const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) {
    std::fputs(kUsage, stderr);
    return 64;
  }
  const std::string& option = arguments[1];
  if (option == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (option == "--version") {
    std::printf("UpdateOvexZNP %s\n", OVEX_VERSION);
    return 0;
  }
  if (option == "--upgrade") return runHeadless(updatBtnClick, form1::kUpgradeDone);
  if (option == "--backup") return runHeadless(bfBtnClick, form1::kBackupDone);
  std::fprintf(stderr, "unknown option: %s\n%s", option.c_str(), kUsage);
  return 64;
}
