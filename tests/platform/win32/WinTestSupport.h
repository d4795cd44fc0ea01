#pragma once
// Helpers of the Windows tests: scratch folders and files through the
// platform layer, waiting for a condition.
#include <functional>
#include <string>

namespace wintest {

// A fresh folder below the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "\\" + rel; }

 private:
  std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
// Copies the stand-in program (built beside the tests) to path.
std::string installStandin(const std::string& path);
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

}  // namespace wintest
