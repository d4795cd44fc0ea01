// The command lock on Windows: a named mutex in the global namespace, which
// the system hands on as abandoned when its owner ends without releasing it.
#include <windows.h>

#include "platform/Processes.h"

namespace platform {
namespace {

const wchar_t kMutexName[] = L"Global\\UpdateOvexZNP-command";

HANDLE g_mutex = nullptr;
bool g_held = false;

}  // namespace

bool takeCommandLock() {
  if (g_held) return true;
  if (!g_mutex) g_mutex = CreateMutexW(nullptr, FALSE, kMutexName);
  if (!g_mutex) return true;  // no lock to be had: run as before
  const DWORD result = WaitForSingleObject(g_mutex, 0);
  if (result == WAIT_TIMEOUT) return false;
  g_held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  return true;
}

void releaseCommandLock() {
  if (!g_held) return;
  ReleaseMutex(g_mutex);
  g_held = false;
}

}  // namespace platform
