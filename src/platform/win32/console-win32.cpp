// Standard error is a console when the console accepts a mode query on it;
// a pipe, a file and the NUL device do not.
#include <windows.h>

#include <io.h>

#include <cstdio>

#include "platform/Processes.h"

namespace platform {

bool standardErrorIsTerminal() {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stderr)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace platform
