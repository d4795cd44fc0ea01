// UpdateOvexZNP --upgrade | --backup | --help | --version
// Exit status: 0 when the command ended with its success message, 2 when it
// ended with one of its own fixed messages, 1 when an error was reported.
#include <cstdio>
#include <cstring>

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
    "(not running, busy, backup failed), 1 an error was reported.\n";

}  // namespace

int runHeadless(void (*command)(), const std::string& successMessage) {
  ConsoleScreen console;
  Screen* previous = screen::attached();
  screen::attach(&console);
  runWithErrorReport(command);
  screen::attach(previous);
  if (console.errorReported()) return 1;
  return console.lastMessage() == successMessage ? 0 : 2;
}

int runConsole(int argc, char** argv) {
  if (argc != 2) {
    std::fputs(kUsage, stderr);
    return 64;
  }
  const char* option = argv[1];
  if (!std::strcmp(option, "--help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!std::strcmp(option, "--version")) {
    std::printf("UpdateOvexZNP %s\n", OVEX_VERSION);
    return 0;
  }
  if (!std::strcmp(option, "--upgrade")) return runHeadless(updatBtnClick, form1::kUpgradeDone);
  if (!std::strcmp(option, "--backup")) return runHeadless(bfBtnClick, form1::kBackupDone);
  std::fprintf(stderr, "unknown option: %s\n%s", option, kUsage);
  return 64;
}
