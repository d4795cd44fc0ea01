// Processes on POSIX: /proc stands in for the ToolHelp snapshot.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/SystemPaths.h"

namespace platform {
namespace {

const char kDeleted[] = " (deleted)";

std::optional<std::string> readExeLink(std::uint32_t pid) {
  char buf[4096];
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return std::nullopt;
  std::string path(buf, static_cast<size_t>(n));
  const size_t tail = sizeof kDeleted - 1;
  if (path.size() > tail && path.compare(path.size() - tail, tail, kDeleted) == 0)
    path.resize(path.size() - tail);
  return path;
}

// A zombie has ended as far as the tool is concerned.
bool isZombie(std::uint32_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() || line[close + 2] == 'Z';
}

std::string processName(std::uint32_t pid) {
  if (auto exe = readExeLink(pid)) return exe->substr(exe->rfind('/') + 1);
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

void closeInheritedDescriptors() {
  const long max = sysconf(_SC_OPEN_MAX);
  for (int fd = 3; fd < (max > 0 ? max : 1024) && fd < 65536; ++fd) close(fd);
}

}  // namespace

std::vector<ProcessEntry> listProcesses() {
  std::vector<ProcessEntry> out;
  DIR* dir = opendir("/proc");
  if (!dir) return out;
  while (dirent* e = readdir(dir)) {
    char* end = nullptr;
    const unsigned long pid = std::strtoul(e->d_name, &end, 10);
    if (!end || *end != '\0' || pid == 0) continue;
    if (isZombie(static_cast<std::uint32_t>(pid))) continue;
    out.push_back({static_cast<std::uint32_t>(pid), processName(static_cast<std::uint32_t>(pid))});
  }
  closedir(dir);
  std::sort(out.begin(), out.end(),
            [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
  return out;
}

std::optional<std::string> processPath(std::int32_t pid) {
  if (pid <= 0 || isZombie(static_cast<std::uint32_t>(pid))) return std::nullopt;
  return readExeLink(static_cast<std::uint32_t>(pid));
}

bool terminateProcess(std::uint32_t pid) {
  return pid != 0 && kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

// Double fork: the grandchild runs the program and is adopted by init, so it
// never becomes a zombie of the tool.
bool shellOpen(const std::string& path) {
  const std::string file = systemPath(path);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setsid();
    if (fork() != 0) _exit(0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    closeInheritedDescriptors();
    signal(SIGPIPE, SIG_DFL);
    execl(file.c_str(), file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

std::uint32_t currentProcessId() { return static_cast<std::uint32_t>(getpid()); }

std::vector<std::string> commandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace platform
