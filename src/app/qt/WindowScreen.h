#pragma once
// The Screen of the window front end: real message boxes, the Qt event
// loop, and Form1's label and timer.
#include <string>

#include "app/Screen.h"

class Form1;

class WindowScreen : public Screen {
 public:
  WindowScreen(Form1& form, std::string title);

  void showMessage(const std::string& text) override;
  void showError(const std::string& text) override;
  void processMessages() override;
  void setLabelVisible(bool visible) override;
  std::string labelText() const override;
  void setLabelText(const std::string& text) override;
  void startTimer(int intervalMs) override;
  void stopTimer() override;

 private:
  Form1& form_;
  std::string title_;
};
