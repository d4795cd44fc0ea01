#include "app/win32/Win32Screen.h"

#include "app/win32/Form1Window.h"
#include "platform/win32/wide-win32.h"

Win32Screen::Win32Screen(HWND form, std::string title) : form_(form), title_(platform::toWide(title)) {}

void Win32Screen::showMessage(const std::string& text) {
  MessageBoxW(IsWindow(form_) ? form_ : nullptr, platform::toWide(text).c_str(), title_.c_str(), MB_OK);
}

void Win32Screen::showError(const std::string& text) {
  MessageBoxW(IsWindow(form_) ? form_ : nullptr, platform::toWide(text).c_str(), title_.c_str(),
              MB_OK | MB_ICONERROR);
}

void Win32Screen::processMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitSeen_ = true;  // handed back to the main loop when the command is over
      return;
    }
    if (win32form::translateForm1Message(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Win32Screen::setLabelVisible(bool visible) {
  if (HWND label = win32form::form1Label()) ShowWindow(label, visible ? SW_SHOW : SW_HIDE);
}

std::string Win32Screen::labelText() const {
  HWND label = win32form::form1Label();
  if (!label) return std::string();
  wchar_t text[256];
  const int n = GetWindowTextW(label, text, 256);
  return platform::fromWide(std::wstring_view(text, static_cast<size_t>(n)));
}

void Win32Screen::setLabelText(const std::string& text) { win32form::setLabelText(platform::toWide(text)); }

void Win32Screen::startTimer(int intervalMs) {
  if (IsWindow(form_)) SetTimer(form_, win32form::kTimerId, static_cast<UINT>(intervalMs), nullptr);
}

void Win32Screen::stopTimer() {
  if (IsWindow(form_)) KillTimer(form_, win32form::kTimerId);
}
