// UpdateOvexZNP --upgrade | --backup | --check [PACKAGE] | --verify ARCHIVE
//               | --restore ARCHIVE [CLIENT_FOLDER] | --help | --version
// Exit status: 0 when the command ended with its success message, 2 when it
// ended with one of its own fixed messages, 1 when an error was reported (or
// a check found problems), 64 when the arguments are not one of these.
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "app/FrontEnds.h"
#include "app/HeadlessCommands.h"
#include "app/console/ConsoleScreen.h"
#include "app/mian.h"

namespace {

const char kUsage[] =
    "Usage: UpdateOvexZNP [--upgrade | --backup | --check [PACKAGE] | --verify ARCHIVE |\n"
    "                      --restore ARCHIVE [CLIENT_FOLDER] | --help | --version]\n"
    "  (no option)   open the window\n"
    "  --upgrade     run the Upgrade command (升级) without a window\n"
    "  --backup      run the Backup command (备份) without a window\n"
    "  --check       show what an upgrade with the package (default: the one in\n"
    "                update\\) would do and what is wrong with it; changes nothing\n"
    "  --verify      check that a backup archive is whole\n"
    "  --restore     put the data of a backup archive in the place of the data\n"
    "                directory of the running database server, or of\n"
    "                CLIENT_FOLDER\\db\\data when no server runs; the data as it\n"
    "                was stays in db\\data_before_restore_<yyyymmddhhnnss>\n"
    "  --help        print this text\n"
    "  --version     print the version\n"
    "Messages are printed one per line; message boxes count as confirmed.\n"
    "Progress lines (\"progress: ...\") go to standard error.\n"
    "Exit status: 0 success, 2 the command ended with its own message\n"
    "(not running, busy, backup failed), 1 an error was reported or a check\n"
    "found problems, 64 wrong arguments (started from a console; otherwise the\n"
    "window opens).\n";

int wrongArguments(const std::string& why) {
  std::fprintf(stderr, "%s\n%s", why.c_str(), kUsage);
  return 64;
}

// The commands that answer true or false: 0 when true, 1 when false or when
// an error reached the report.
int runChecked(const std::function<bool()>& command) {
  ConsoleScreen console;
  Screen* previous = screen::attached();
  screen::attach(&console);
  bool ok = false;
  try {
    ok = command();
  } catch (const std::exception& e) {
    screen::showError(e.what());
  }
  screen::attach(previous);
  return ok && !console.errorReported() ? 0 : 1;
}

struct Command {
  const char* option;
  std::size_t minArguments;
  std::size_t maxArguments;
};

const Command kCommands[] = {
    {"--upgrade", 0, 0}, {"--backup", 0, 0},  {"--help", 0, 0},    {"--version", 0, 0},
    {"--check", 0, 1},   {"--verify", 1, 1}, {"--restore", 1, 2},
};

const Command* commandNamed(const std::string& option) {
  for (const Command& command : kCommands)
    if (option == command.option) return &command;
  return nullptr;
}

bool argumentCountFits(const Command& command, const std::vector<std::string>& arguments) {
  const std::size_t given = arguments.size() - 2;
  return given >= command.minArguments && given <= command.maxArguments;
}

}  // namespace

bool isHeadlessCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.size() < 2) return false;
  const Command* command = commandNamed(arguments[1]);
  return command && argumentCountFits(*command, arguments);
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
  if (arguments.size() < 2) return wrongArguments("no option given");
  const std::string& option = arguments[1];
  const Command* command = commandNamed(option);
  if (!command) return wrongArguments("unknown option: " + option);
  if (!argumentCountFits(*command, arguments)) return wrongArguments("wrong number of arguments for " + option);
  const std::string first = arguments.size() > 2 ? arguments[2] : "";
  const std::string second = arguments.size() > 3 ? arguments[3] : "";

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
  if (option == "--check") return runChecked([&] { return checkCommand(first); });
  if (option == "--verify") return runChecked([&] { return verifyCommand(first); });
  return runChecked([&] { return restoreCommand(first, second); });
}
