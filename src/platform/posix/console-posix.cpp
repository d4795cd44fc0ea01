#include <unistd.h>

#include "platform/Platform.h"

namespace platform {

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace platform
