#include <unistd.h>

#include "platform/Processes.h"

namespace platform {

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace platform
