#pragma once
// Running the tool's headless commands in a sandbox client installation.
#include <string>
#include <vector>

#include "Sandbox.h"
#include "TestSupport.h"

namespace commandtest {

// A sandbox below a fresh temporary folder, torn down with the object.
class SandboxFixture {
 public:
  explicit SandboxFixture(const testsupport::SandboxOptions& options = {});
  ~SandboxFixture();

 private:
  testsupport::TempDir root_;  // made before the sandbox inside it
  static std::string makeRoot(const testsupport::TempDir& dir);

 public:
  testsupport::Sandbox box;
};

struct ToolRun {
  int status;
  std::vector<std::string> lines;     // standard output and error, one per line, but progress
  std::vector<std::string> progress;  // the "progress: " lines (standard error)
  std::string output;
};
// Runs "UpdateOvexZNP <option>" with workDir as its current directory, the
// executable that the tests drive (see ToolDriver.h); prefix goes in front
// of the command (for example a privilege change).
ToolRun runTool(const std::string& workDir, const std::string& option, const std::string& prefix = "");

// Checks a --backup run that failed: "备份失败，请重试...." and, on its own
// line, the reason that the window keeps to itself (reason: a part of it).
void expectBackupFailedBecause(const ToolRun& run, const std::string& reason);

// The regular files below a folder, relative names, sorted.
std::vector<std::string> filesBelow(const std::string& folder);
std::string md5OfFile(const std::string& path);

}  // namespace commandtest
