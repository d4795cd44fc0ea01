#include "util/Progress.h"

#include <cstdio>

namespace {

class NoProgress : public Progress {
 public:
  void begin(const std::string&, std::uint64_t, Unit) override {}
  void advance(std::uint64_t, const std::string&) override {}
  void end() override {}
  bool showsAmounts() const override { return false; }
};

}  // namespace

Progress& noProgress() {
  static NoProgress none;
  return none;
}

std::string megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}
