#include "CommandRun.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>


namespace fs = std::filesystem;
using namespace testsupport;

namespace commandtest {

std::string SandboxFixture::makeRoot(const TempDir& dir) { return dir / "sandbox"; }

SandboxFixture::SandboxFixture(const SandboxOptions& options)
    : box(Sandbox::create(makeRoot(root_), options)) {}

SandboxFixture::~SandboxFixture() {
  try {
    Sandbox::destroy(makeRoot(root_));
  } catch (...) {
  }
}

// The output goes through a file: programs that the tool starts (under
// Wine they keep the tool's standard handles) may outlive it.
ToolRun runTool(const std::string& workDir, const std::string& option, const std::string& prefix) {
  TempDir scratch;
  const std::string output = scratch / "output";
  const auto r = runCommand("cd " + shellQuote(workDir) + " && " + prefix + " " + toolCommandLine() + " " + option +
                            " </dev/null >" + shellQuote(output) + " 2>&1");
  ToolRun run{r.status, {}, {}, r.output + readFile(output)};
  std::istringstream in(run.output);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a Windows console's line end
    (line.rfind("progress: ", 0) == 0 ? run.progress : run.lines).push_back(line);
  }
  return run;
}

std::vector<std::string> filesBelow(const std::string& folder) {
  std::vector<std::string> out;
  if (!fs::exists(folder)) return out;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), folder).string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string md5OfFile(const std::string& path) {
  const auto r = runCommand("md5sum " + shellQuote(path));
  return r.output.substr(0, 32);
}

void expectBackupFailedBecause(const ToolRun& run, const std::string& reason) {
  ASSERT_EQ(run.lines.size(), 2u) << run.output;
  EXPECT_EQ(run.lines[0], "备份失败，请重试....");
  EXPECT_EQ(run.lines[1].rfind("The backup failed: ", 0), 0u) << run.lines[1];
  EXPECT_NE(run.lines[1].find(reason), std::string::npos) << run.lines[1];
}

}  // namespace commandtest
