// Stands in for a client program in the Windows tests: it waits until it
// is ended (at most ten minutes, so that a failed test leaves nothing behind).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Sleep(10 * 60 * 1000);
  return 0;
}
