// window_check TOOL.exe [HOLD_MS]: starts the tool without options, finds
// Form1 and checks caption, frame, client size, controls and texts (the font is
// checked in-process by form1_win_test).
// Prints the client area's screen rectangle and each control's rectangle
// ("name x y w h") for a screenshot, keeps the window HOLD_MS open, then
// closes it and expects the tool to end. Exit status 0 when all holds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/mian.h"
#include "app/win32/Form1Window.h"
#include "platform/win32/wide-win32.h"

namespace {

int failures = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

struct Rect {
  int x, y, w, h;
};

Rect childRect(HWND form, int id) {
  RECT r{};
  GetWindowRect(GetDlgItem(form, id), &r);
  POINT p{r.left, r.top};
  ScreenToClient(form, &p);
  return {p.x, p.y, r.right - r.left, r.bottom - r.top};
}

void checkControl(HWND form, int id, const char* name, Rect want) {
  const Rect r = childRect(form, id);
  check(r.x == want.x && r.y == want.y && r.w == want.w && r.h == want.h,
        std::string(name) + " at " + std::to_string(r.x) + "," + std::to_string(r.y) + " " +
            std::to_string(r.w) + "x" + std::to_string(r.h));
  POINT origin{0, 0};
  ClientToScreen(form, &origin);
  std::printf("rect %s %ld %ld %d %d\n", name, origin.x + r.x, origin.y + r.y, r.w, r.h);
}

std::string textOf(HWND h) {
  wchar_t buffer[2048];
  // WM_GETTEXT reaches the control's own text across processes.
  const int n = static_cast<int>(SendMessageW(h, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer)));
  return platform::fromWide(std::wstring_view(buffer, static_cast<size_t>(n)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 64;
  const int holdMs = argc > 2 ? std::atoi(argv[2]) : 0;
  std::wstring command = L"\"" + platform::toWide(argv[1]) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("FAIL cannot start %s\n", argv[1]);
    return 1;
  }
  const std::wstring caption = platform::toWide(form1::kCaption);
  HWND form = nullptr;
  for (int i = 0; i < 300 && !form; ++i) {
    form = FindWindowW(win32form::kWindowClass, caption.c_str());
    if (!form) Sleep(100);
  }
  check(form != nullptr, "Form1 shown with its caption");
  if (!form) {
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  RECT client{};
  GetClientRect(form, &client);
  check(client.right == 437 && client.bottom == 199,
        "client area " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
  const LONG style = GetWindowLongW(form, GWL_STYLE);
  check((style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0 && (style & WS_SYSMENU),
        "fixed dialog frame with a close button");
  check(textOf(form) == form1::kCaption, "caption text");
  checkControl(form, win32form::kMemoId, "mmo1", {32, 8, 369, 98});
  checkControl(form, win32form::kUpgradeId, "updatBtn", {104, 112, 75, 25});
  checkControl(form, win32form::kBackupId, "bfBtn", {224, 112, 75, 25});
  check(!IsWindowVisible(GetDlgItem(form, win32form::kLabelId)), "lbl1 hidden at start");
  check(textOf(GetDlgItem(form, win32form::kLabelId)) == form1::kLabelInitial, "lbl1 text");
  check(textOf(GetDlgItem(form, win32form::kUpgradeId)) == "升级", "updatBtn caption");
  check(textOf(GetDlgItem(form, win32form::kBackupId)) == "备份", "bfBtn caption");
  std::string memo = textOf(GetDlgItem(form, win32form::kMemoId)), expected;
  for (const char* p = form1::kInstructions; *p; ++p) expected += *p == '\n' ? std::string("\r\n") : std::string(1, *p);
  check(memo == expected, "instructions text");
  if (memo != expected) std::printf("     got: %s\n", memo.c_str());
  POINT origin{0, 0};
  ClientToScreen(form, &origin);
  std::printf("rect client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
  std::fflush(stdout);
  if (holdMs > 0) Sleep(static_cast<DWORD>(holdMs));
  PostMessageW(form, WM_CLOSE, 0, 0);
  const bool ended = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  check(ended && code == 0, "closing the window ends the tool with status 0");
  if (!ended) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return failures ? 1 : 0;
}
