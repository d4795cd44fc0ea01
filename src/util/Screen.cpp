#include "util/Screen.h"

#include <cstdio>

namespace {
Screen* g_front = nullptr;
}

namespace screen {

Screen* attached() { return g_front; }
void attach(Screen* front) { g_front = front; }

void showMessage(const std::string& text) {
  if (g_front) {
    g_front->showMessage(text);
    return;
  }
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

void showError(const std::string& text) {
  const std::string report = errorReportText(text);
  if (g_front) {
    g_front->showError(report);
    return;
  }
  std::fprintf(stderr, "%s\n", report.c_str());
}

void note(const std::string& text) {
  if (g_front) {
    g_front->note(text);
    return;
  }
  std::fprintf(stderr, "%s\n", text.c_str());
}

void processMessages() {
  if (g_front) g_front->processMessages();
}

Progress& progress() { return g_front ? g_front->progress() : noProgress(); }

std::string errorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace screen
