// Placed as <db>/bin/ovexsqld.exe with the real stand-in beside it as
// ovexsqld-real: waits four seconds, then runs the real one and lives as
// long as it does, so that the server accepts connections only well after
// the tool's fixed 3000 ms wait.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

int main() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return 1;
  std::string dir(buf, static_cast<size_t>(n));
  dir.resize(dir.find_last_of('/'));
  sleep(4);
  const pid_t self = getpid();
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != self) _exit(1);
    const std::string real = dir + "/ovexsqld-real";
    execl(real.c_str(), real.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  return 0;
}
