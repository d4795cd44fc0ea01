// Started from a terminal or by a script, a standard stream is a terminal or
// a pipe. Started by the desktop (a file dropped onto the program, a launcher
// with arguments), the streams lead to /dev/null, a log file or the journal,
// and a display is there to open the window on.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "app/FrontEnds.h"

namespace {

bool terminalOrPipe(int fd) {
  struct stat st;
  return isatty(fd) || (fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode));
}

bool set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

bool startedFromConsole() {
  if (terminalOrPipe(0) || terminalOrPipe(1) || terminalOrPipe(2)) return true;
  return !set("DISPLAY") && !set("WAYLAND_DISPLAY");
}
