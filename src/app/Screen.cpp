#include "app/Screen.h"

#include <cstdio>

namespace {

Screen* g_front = nullptr;

class ScreenProgress : public Progress {
 public:
  void begin(const std::string& step, std::uint64_t total, Unit unit) override { steps().begin(step, total, unit); }
  void advance(std::uint64_t done, const std::string& item) override { steps().advance(done, item); }
  void end() override { steps().end(); }
  bool showsAmounts() const override { return steps().showsAmounts(); }
  void idle() override { screen::processMessages(); }
  void note(const std::string& text) override { screen::note(text); }
  void tell(const std::string& text) override { screen::showMessage(text); }

 private:
  static Progress& steps() { return g_front ? g_front->progress() : noProgress(); }
};

}  // namespace

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

Progress& progress() {
  static ScreenProgress forCommands;
  return forCommands;
}

std::string errorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace screen
