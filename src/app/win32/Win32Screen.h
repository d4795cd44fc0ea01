#pragma once
// The Screen of the Win32 window: MessageBoxW with the application title,
// the thread's message queue, Form1's label and timer.
#include <windows.h>

#include <string>

#include "app/Screen.h"

class Win32Screen : public Screen {
 public:
  Win32Screen(HWND form, std::string title);

  void showMessage(const std::string& text) override;
  void showError(const std::string& text) override;
  void processMessages() override;
  void setLabelVisible(bool visible) override;
  std::string labelText() const override;
  void setLabelText(const std::string& text) override;
  void startTimer(int intervalMs) override;
  void stopTimer() override;

  // A quit request met while processing messages inside a command.
  bool quitSeen() const { return quitSeen_; }

 private:
  HWND form_;
  std::wstring title_;
  bool quitSeen_ = false;
};
