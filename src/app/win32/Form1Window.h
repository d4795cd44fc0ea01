#pragma once
// Form1 as a native Win32 window: the instructions box, the two command
// buttons, the progress label and the timer, at their 96-dpi geometry.
#include <windows.h>

#include <string>

namespace win32form {

// Control identifiers, also used by the window check.
enum : int { kMemoId = 101, kUpgradeId = 102, kBackupId = 103, kLabelId = 104, kTimerId = 1 };
inline constexpr wchar_t kWindowClass[] = L"TForm1";
inline constexpr int kClientWidth = 437;
inline constexpr int kClientHeight = 199;

// Creates Form1, centred on the desktop and shown. nullptr on failure.
HWND createForm1(HINSTANCE instance);
// Handles dialog navigation (Tab, Enter) for Form1; true when consumed.
bool translateForm1Message(MSG* msg);

HWND form1Label();
void setLabelText(const std::wstring& text);

}  // namespace win32form
