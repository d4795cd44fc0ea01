#pragma once
// The headless front end: messages on standard output, one line each,
// message boxes dismissed with OK at once, error reports on standard error.
#include <string>

#include "util/Screen.h"

class ConsoleScreen : public Screen {
 public:
  void showMessage(const std::string& text) override;
  void showError(const std::string& text) override;
  void processMessages() override {}
  void setLabelVisible(bool visible) override { labelVisible_ = visible; }
  std::string labelText() const override { return label_; }
  void setLabelText(const std::string& text) override { label_ = text; }
  void startTimer(int) override {}
  void stopTimer() override {}

  const std::string& lastMessage() const { return lastMessage_; }
  bool errorReported() const { return errorReported_; }

 private:
  std::string lastMessage_;
  std::string label_;
  bool labelVisible_ = false;
  bool errorReported_ = false;
};
