#include "Reliability.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "TestSupport.h"
#include "platform/Processes.h"
#include "util/TUpdateUtils.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace reliability {
namespace {

pid_t startTool(const std::string& workDir, const std::vector<std::string>& arguments, const std::string& log) {
  const std::string tool = toolPath();
  std::vector<char*> argv{const_cast<char*>(tool.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(workDir.c_str()) != 0) _exit(127);
    std::freopen("/dev/null", "r", stdin);
    std::freopen(log.c_str(), "w", stdout);
    dup2(fileno(stdout), 2);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  if (pid < 0) throw std::runtime_error("fork failed");
  return pid;
}

// Waits for the child up to ms; true when it ended on its own.
bool waitFor(pid_t pid, int ms, int* status) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (waitpid(pid, status, WNOHANG) == pid) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    usleep(2000);
  }
}

// What the tool printed without its progress lines.
std::string withoutProgress(const std::string& output) {
  std::string kept;
  std::size_t at = 0;
  while (at < output.size()) {
    std::size_t end = output.find('\n', at);
    end = end == std::string::npos ? output.size() : end + 1;
    if (output.compare(at, 10, "progress: ") != 0) kept += output.substr(at, end - at);
    at = end;
  }
  return kept;
}

}  // namespace

bool runAndKill(const std::string& workDir, const std::string& option, int delayMs) {
  return runAndKill(workDir, std::vector<std::string>{option}, delayMs);
}

int timedRun(const std::string& workDir, const std::string& option, int* status, std::string* output,
             const std::function<void(int ms)>& watch) {
  return timedRun(workDir, std::vector<std::string>{option}, status, output, watch);
}

bool runAndKill(const std::string& workDir, const std::vector<std::string>& arguments, int delayMs) {
  const pid_t pid = startTool(workDir, arguments, "/dev/null");
  int status = 0;
  if (waitFor(pid, delayMs, &status)) return false;
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return true;
}

int timedRun(const std::string& workDir, const std::vector<std::string>& arguments, int* status,
             std::string* output, const std::function<void(int ms)>& watch) {
  const std::string log = fs::temp_directory_path() / ("reliability-run-" + std::to_string(getpid()) + ".log");
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&start] {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  };
  const pid_t pid = startTool(workDir, arguments, log);
  int raw = 0;
  if (watch) {
    while (waitpid(pid, &raw, WNOHANG) != pid) {
      watch(elapsed());
      usleep(1000);
    }
  } else {
    waitpid(pid, &raw, 0);
  }
  const auto took = std::chrono::steady_clock::now() - start;
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  *output = withoutProgress(readFile(log));
  fs::remove(log);
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count());
}

std::vector<std::string> finalArchives(const std::string& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("ovex_znp_data_", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".zip")
      out.push_back(e.path().string());
  }
  return out;
}

std::string archiveProblem(const std::string& archive) {
  const std::string q = shellQuote(archive);
  auto r = runCommand("unzip -tq " + q);
  if (r.status != 0) return "unzip -t: " + r.output;
  r = runCommand("unzip -Z1 " + q + " | sort | tr '\\n' ' '");
  if (r.output != "cc data.zip ") return "entries: " + r.output;
  TempDir inner;
  r = runCommand("unzip -p " + q + " data.zip > " + shellQuote(inner / "data.zip") + " && unzip -tq " +
                 shellQuote(inner / "data.zip"));
  if (r.status != 0) return "data.zip: " + r.output;
  return {};
}

std::map<std::string, long long> fileSizes(const std::string& folder) {
  std::map<std::string, long long> out;
  std::error_code ec;
  if (!fs::exists(folder, ec)) return out;
  for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file(ec))
      out[fs::relative(it->path(), folder).string()] = static_cast<long long>(it->file_size(ec));
  return out;
}

std::vector<std::string> fileNames(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& [name, size] : fileSizes(folder)) out.push_back(name);
  return out;
}

// The server stand-ins started from below root (others' tests may run
// their own at the same time).
std::vector<std::uint32_t> serversBelow(const std::string& root) {
  std::vector<std::uint32_t> pids;
  for (const auto& p : platform::listProcesses()) {
    if (p.name != "ovexsqld.exe") continue;
    const auto path = platform::processPath(static_cast<std::int32_t>(p.pid));
    if (path && path->rfind(root + "/", 0) == 0) pids.push_back(p.pid);
  }
  return pids;
}

void stopServers(const std::string& root) {
  for (int i = 0; i < 300; ++i) {
    const auto pids = serversBelow(root);
    if (pids.empty()) break;
    for (auto pid : pids) platform::terminateProcess(pid);
    usleep(100000);
  }
  // The stand-in takes its mariadbd with it; wait until the port is free.
  waitUntil([] { return runCommand("ss -ltn | grep -q ':53306 '").status != 0; }, 30000);
}

namespace {

bool soleInstallation(const std::string& root) {
  for (const auto& p : platform::listProcesses()) {
    if (p.name != "ovexsqld.exe" && p.name != "OvexZNP.exe" && p.name != "Parvia管理系统(纳税人端).exe") continue;
    const auto path = platform::processPath(static_cast<std::int32_t>(p.pid));
    if (path && path->rfind(root, 0) != 0) return false;
  }
  return true;
}

std::string rootOf(const Sandbox& box) { return fs::path(box.client()).parent_path().string() + "/"; }

}  // namespace

bool waitUntilSoleInstallation(const Sandbox& box, int timeoutMs) {
  const std::string root = rootOf(box);
  return waitUntil([&root] { return soleInstallation(root); }, timeoutMs);
}

ForeignWatch::ForeignWatch(const Sandbox& box)
    : thread_([this, root = rootOf(box)] {
        while (!stop_) {
          if (!soleInstallation(root)) seen_ = true;
          usleep(20000);
        }
      }) {}

ForeignWatch::~ForeignWatch() {
  stop_ = true;
  thread_.join();
}

void restartClientAndServer(const Sandbox& box) {
  stopServers(fs::path(box.client()).parent_path().string());
  if (TUpdateUtils::findProcess("OvexZNP.exe") == -1) TUpdateUtils::startExeProcess(box.clientExe());
  TUpdateUtils::startExeProcess(box.serverExe());
  if (!waitForDatabase(60000)) throw std::runtime_error("the database did not come back");
  waitUntil([] { return TUpdateUtils::findProcess("OvexZNP.exe") != -1; }, 5000);
}

void makePackage(const Sandbox& box, const std::string& version) { makePackageIn(box.work() + "/update", version); }

void makePackageIn(const std::string& updateFolder, const std::string& version) {
  fs::remove_all(updateFolder);
  const auto r = makeTestPackage(updateFolder, version);
  if (r.status != 0) throw std::runtime_error("package: " + r.output);
}

SmallDisk::SmallDisk(const std::string& folder, long long bytes) : folder_(folder) {
  fs::create_directories(folder);
  if (geteuid() != 0) return;
  mounted_ = runCommand("mount -t tmpfs -o size=" + std::to_string(bytes) + " ovex-small-disk " + shellQuote(folder))
                 .status == 0;
}

SmallDisk::~SmallDisk() {
  if (mounted_) runCommand("umount -l " + shellQuote(folder_));
}

bool SmallDisk::resize(long long bytes) {
  return runCommand("mount -o remount,size=" + std::to_string(bytes) + " " + shellQuote(folder_)).status == 0;
}

long long SmallDisk::used() const {
  const auto space = fs::space(folder_);
  return static_cast<long long>(space.capacity - space.free);
}

}  // namespace reliability
