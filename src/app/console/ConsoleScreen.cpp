#include "app/console/ConsoleScreen.h"

#include <cstdio>

#include "platform/Processes.h"

ConsoleScreen::ConsoleScreen() : progress_(stderr, platform::standardErrorIsTerminal()) {}

void ConsoleScreen::showMessage(const std::string& text) {
  progress_.clearLine();
  lastMessage_ = text;
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

void ConsoleScreen::showError(const std::string& text) {
  progress_.clearLine();
  errorReported_ = true;
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void ConsoleScreen::note(const std::string& text) {
  progress_.clearLine();
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}
