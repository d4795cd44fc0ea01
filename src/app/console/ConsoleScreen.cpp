#include "app/console/ConsoleScreen.h"

#include <cstdio>

void ConsoleScreen::showMessage(const std::string& text) {
  lastMessage_ = text;
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

void ConsoleScreen::showError(const std::string& text) {
  errorReported_ = true;
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void ConsoleScreen::writeNote(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}
