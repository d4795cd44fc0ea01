// The Win32 front end: Form1 on the thread's message loop until it is closed.
#include <windows.h>

#include "app/FrontEnds.h"
#include "app/mian.h"
#include "app/win32/Form1Window.h"
#include "app/win32/Win32Screen.h"
#include "platform/win32/wide-win32.h"

namespace {

std::string executablePath() {
  wchar_t buffer[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
  return platform::fromWide(std::wstring_view(buffer, n));
}

}  // namespace

int runWindow(int, char**) {
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
