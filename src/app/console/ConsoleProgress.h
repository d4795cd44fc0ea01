#pragma once
// Progress on standard error. On a terminal one line is redrawn in place a
// few times a second; otherwise (a pipe, a log file) each step gets one
// plain line, and counted work one line per item. Every line begins with
// "progress: ", so that it is told apart from the commands' messages.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "util/Progress.h"

class ConsoleProgress : public Progress {
 public:
  ConsoleProgress(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}
  void begin(const std::string& step, std::uint64_t total, Unit unit) override;
  void advance(std::uint64_t done, const std::string& item) override;
  void end() override;
  // Takes a line being redrawn off the terminal, so that a message can be
  // printed on a line of its own; the next advance draws it again.
  void clearLine();

 private:
  std::string line() const;
  void draw();
  void print(const std::string& text);

  std::FILE* out_;
  bool terminal_;
  bool active_ = false;
  std::string step_;
  std::uint64_t total_ = 0;
  std::uint64_t done_ = 0;
  Unit unit_ = Unit::kBytes;
  std::string item_;
  std::size_t drawnLength_ = 0;  // of the line on the terminal now
  std::chrono::steady_clock::time_point drawnAt_;
};
