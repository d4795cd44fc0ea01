#pragma once
// The headless front end: messages on standard output, one line each,
// message boxes dismissed with OK at once, error reports, notes and progress on
// standard error.
#include <string>

#include "app/Screen.h"
#include "app/console/ConsoleProgress.h"

class ConsoleScreen : public Screen {
 public:
  ConsoleScreen();
  void showMessage(const std::string& text) override;
  void showError(const std::string& text) override;
  void note(const std::string& text) override;
  void processMessages() override {}
  void setLabelVisible(bool visible) override { labelVisible_ = visible; }
  std::string labelText() const override { return label_; }
  void setLabelText(const std::string& text) override { label_ = text; }
  void startTimer(int) override {}
  void stopTimer() override {}
  Progress& progress() override { return progress_; }

  const std::string& lastMessage() const { return lastMessage_; }
  bool errorReported() const { return errorReported_; }

 private:
  std::string lastMessage_;
  std::string label_;
  bool labelVisible_ = false;
  bool errorReported_ = false;
  ConsoleProgress progress_;
};

// Runs a command with a ConsoleScreen attached and maps its end to the exit
// status: 1 when an error reached the report, 0 when the last message was
// successMessage, 2 otherwise (the command ended with one of its own
// messages).
int runHeadless(void (*command)(), const std::string& successMessage);
