// The Win32 front end: Form1 on the thread's message loop until it is closed.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>

#include "app/FrontEnds.h"
#include "app/mian.h"
#include "app/win32/Form1Window.h"
#include "app/win32/Win32Screen.h"
#include "platform/win32/Wide.h"

namespace {

// A window program has no console of its own: for the headless options its
// output goes to the caller's console (UTF-8), or wherever it was redirected.
void attachCallerConsole() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  LocalFree(argv);
  if (argc < 2) return;
  const bool redirected = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN;
  if (redirected || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  SetConsoleOutputCP(CP_UTF8);
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
}

const bool consoleAttached = (attachCallerConsole(), true);

std::string executablePath() {
  wchar_t buffer[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
  return platform::fromWide(std::wstring_view(buffer, n));
}

}  // namespace

int runWindow(int, char**) {
  (void)consoleAttached;
  const std::string title = applicationTitle(executablePath());
  HWND form = win32form::createForm1(GetModuleHandleW(nullptr));
  if (!form) return 1;
  Win32Screen front(form, title);
  screen::attach(&front);
  MSG msg;
  int status = 0;
  for (;;) {
    if (front.quitSeen()) break;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      status = got == 0 ? static_cast<int>(msg.wParam) : 1;
      break;
    }
    if (win32form::translateForm1Message(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  screen::attach(nullptr);
  return status;
}
