#pragma once
// How long work talks to the operator: how far it has come, a remark, a
// message that must be seen, and room for the window to stay responsive.
// The commands hand one down to the work they start (util, backup and
// package never reach the screen themselves); the headless front end shows
// the steps on standard error. Calls come from the thread that started the work.
#include <cstdint>
#include <string>

class Progress {
 public:
  enum class Unit { kBytes, kItems };

  virtual ~Progress() = default;
  // A step begins: what it does, and how much there is of it.
  virtual void begin(const std::string& step, std::uint64_t total, Unit unit) = 0;
  // done of the total so far; for items, item names the one now begun.
  virtual void advance(std::uint64_t done, const std::string& item = "") = 0;
  // The step is over (done or not).
  virtual void end() = 0;
  // False when begin and advance go nowhere, so that the work need not
  // measure itself first.
  virtual bool showsAmounts() const { return true; }

  // The work waits or has done a piece: the window handles its waiting messages.
  virtual void idle() {}
  // A remark beside the steps (the window has no place for one).
  virtual void note(const std::string& /*text*/) {}
  // A message the operator must see: the window shows it in a box.
  virtual void tell(const std::string& /*text*/) {}
};

// Progress that goes nowhere: no steps, remarks or messages.
Progress& noProgress();

// A size as progress lines and reports show it: "12.3 MB".
std::string megabytes(std::uint64_t bytes);

// begin on construction, end when it goes out of scope, even on an error.
class ProgressStep {
 public:
  ProgressStep(Progress& progress, const std::string& step, std::uint64_t total, Progress::Unit unit)
      : progress_(progress) {
    progress_.begin(step, total, unit);
  }
  ~ProgressStep() { progress_.end(); }
  ProgressStep(const ProgressStep&) = delete;
  ProgressStep& operator=(const ProgressStep&) = delete;

  void advance(std::uint64_t done, const std::string& item = "") { progress_.advance(done, item); }

 private:
  Progress& progress_;
};
