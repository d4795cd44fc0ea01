#include "app/win32/Form1Window.h"

#include <commctrl.h>

#include "app/mian.h"
#include "platform/win32/wide-win32.h"

namespace win32form {
namespace {

HWND form = nullptr;
HWND label = nullptr;
HFONT font = nullptr;
int commandDepth = 0;       // commands running inside click handlers
bool closePending = false;  // a close asked for while a command ran

// Fixed dialog frame: caption and close button, no minimise, maximise or sizing.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

std::wstring wide(const char* utf8) { return platform::toWide(utf8); }

// The instructions with the line breaks an edit box wants.
std::wstring instructions() {
  std::wstring out;
  for (wchar_t c : wide(form1::kInstructions)) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

HWND addControl(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style, DWORD exStyle, int id,
                RECT r) {
  HWND h = CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | style, r.left, r.top, r.right, r.bottom, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return h;
}

// The label is sized to its text, as an auto-sized label is.
void fitLabel() {
  wchar_t text[256];
  const int n = GetWindowTextW(label, text, 256);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, n, &size);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void createControls(HWND parent) {
  const DWORD memoStyle = WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_WANTRETURN;
  HWND memo = addControl(parent, L"EDIT", instructions(), memoStyle, WS_EX_CLIENTEDGE, kMemoId, {32, 8, 369, 98});
  addControl(parent, L"BUTTON", wide("升级"), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, kUpgradeId,
             {104, 112, 75, 25});
  addControl(parent, L"BUTTON", wide("备份"), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, kBackupId,
             {224, 112, 75, 25});
  label = addControl(parent, L"STATIC", wide(form1::kLabelInitial), SS_LEFT | SS_NOPREFIX, 0, kLabelId,
                     {32, 152, 60, 13});
  fitLabel();
  SetFocus(memo);
}

void runCommand(void (*command)()) {
  ++commandDepth;
  runWithErrorReport(command);
  --commandDepth;
  if (commandDepth == 0 && closePending) DestroyWindow(form);
}

LRESULT CALLBACK form1Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      createControls(hwnd);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kUpgradeId) runCommand(updatBtnClick);
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kBackupId) runCommand(bfBtnClick);
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) runWithErrorReport(tmr1Timer);
      return 0;
    case WM_CTLCOLORSTATIC:
      // The read-only box keeps the window colour; the label draws no
      // background of its own, so its red colour never shows.
      if (reinterpret_cast<HWND>(lParam) == label) {
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_CLOSE:
      if (commandDepth > 0) {
        closePending = true;
        return 0;
      }
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kTimerId);
      form = nullptr;
      label = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

HWND createForm1(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // Tahoma, 11 pixels high (8 point at 96 dpi), default character set.
  font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = form1Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);

  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  form = CreateWindowExW(kExStyle, kWindowClass, wide(form1::kCaption).c_str(), kStyle, x, y, width, height,
                         nullptr, nullptr, instance, nullptr);
  if (!form) return nullptr;
  ShowWindow(form, SW_SHOWNORMAL);
  UpdateWindow(form);
  return form;
}

bool translateForm1Message(MSG* msg) { return form && IsDialogMessageW(form, msg); }

HWND form1Label() { return label; }

void setLabelText(const std::wstring& text) {
  if (!label) return;
  SetWindowTextW(label, text.c_str());
  fitLabel();
}

}  // namespace win32form
