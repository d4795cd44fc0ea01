#pragma once
// How the core talks to the operator: one small interface that the window,
// the headless front end and the tests implement. With no front end
// attached, messages go to standard output and processing messages is a no-op.
#include <string>

#include "util/Progress.h"

class Screen {
 public:
  virtual ~Screen() = default;
  // Modal message box, OK only, no icon; returns when dismissed.
  virtual void showMessage(const std::string& text) = 0;
  // The default error report: error icon, OK only (text already completed).
  virtual void showError(const std::string& text) = 0;
  // A remark that the window does not show (it has no place for one); the
  // headless front end prints it.
  virtual void note(const std::string& /*text*/) {}
  // Handle every waiting window message, then return.
  virtual void processMessages() = 0;
  // The progress label lbl1 and the timer tmr1.
  virtual void setLabelVisible(bool visible) = 0;
  virtual std::string labelText() const = 0;
  virtual void setLabelText(const std::string& text) = 0;
  virtual void startTimer(int intervalMs) = 0;
  virtual void stopTimer() = 0;
  // Where the steps of long work are shown; the window shows none (its
  // label alternates on the timer).
  virtual Progress& progress() { return noProgress(); }
};

namespace screen {
// The attached front end, or nullptr.
Screen* attached();
void attach(Screen* front);

void showMessage(const std::string& text);
void showError(const std::string& text);
void note(const std::string& text);
void processMessages();
// What the commands hand down to long work: its steps go to the attached
// front end's progress, its idling processes messages, its remarks are
// notes and what it must tell is a message.
Progress& progress();

// The default error report's text: "." appended when the last character
// has a code above that of ".".
std::string errorReportText(const std::string& message);
}  // namespace screen
