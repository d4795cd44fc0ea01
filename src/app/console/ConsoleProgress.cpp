#include "app/console/ConsoleProgress.h"

namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
}  // namespace

std::string ConsoleProgress::line() const {
  std::string text = "progress: " + step_ + ": ";
  if (unit_ == Unit::kItems) {
    const std::uint64_t shown = item_.empty() ? done_ : done_ + 1;
    text += std::to_string(shown) + " of " + std::to_string(total_);
    if (!item_.empty()) text += ", " + item_;
    return text;
  }
  if (!terminal_) return text + megabytes(total_);
  const unsigned percent = total_ == 0 ? 100 : static_cast<unsigned>(done_ * 100 / total_);
  return text + std::to_string(percent) + "% of " + megabytes(total_);
}

void ConsoleProgress::print(const std::string& text) {
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

// The line again in place; what is left of a longer one is blanked out.
void ConsoleProgress::draw() {
  std::string text = line();
  const std::size_t length = text.size();
  if (length < drawnLength_) text.append(drawnLength_ - length, ' ');
  std::fprintf(out_, "\r%s", text.c_str());
  std::fflush(out_);
  drawnLength_ = length;
  drawnAt_ = std::chrono::steady_clock::now();
}

void ConsoleProgress::begin(const std::string& step, std::uint64_t total, Unit unit) {
  if (active_) end();
  active_ = true;
  step_ = step;
  total_ = total;
  done_ = 0;
  unit_ = unit;
  item_.clear();
  if (terminal_)
    draw();
  else if (unit_ == Unit::kBytes)
    print(line());
}

void ConsoleProgress::advance(std::uint64_t done, const std::string& item) {
  if (!active_) return;
  const bool newItem = item != item_ && !item.empty();
  done_ = done > total_ ? total_ : done;
  item_ = item;
  if (!terminal_) {
    if (newItem) print(line());
    return;
  }
  if (newItem || std::chrono::steady_clock::now() - drawnAt_ >= kRedrawInterval) draw();
}

void ConsoleProgress::end() {
  if (!active_) return;
  active_ = false;
  if (!terminal_) return;
  draw();
  std::fputs("\n", out_);
  std::fflush(out_);
  drawnLength_ = 0;
}

void ConsoleProgress::clearLine() {
  if (!terminal_ || drawnLength_ == 0) return;
  std::fprintf(out_, "\r%s\r", std::string(drawnLength_, ' ').c_str());
  std::fflush(out_);
  drawnLength_ = 0;
  drawnAt_ = {};
}
