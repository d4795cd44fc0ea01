// Takes the tool's command lock in a process of its own: exits with 1 at
// once when another process holds it; otherwise writes the file named by
// its argument and holds the lock until it is ended (at most ten minutes).
#include <windows.h>

#include "platform/Files.h"
#include "platform/Processes.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  if (!platform::takeCommandLock()) return 1;
  platform::FileError error{};
  if (!platform::writeNewFile(argv[1], "held", &error)) return 3;
  Sleep(10 * 60 * 1000);
  return 0;
}
