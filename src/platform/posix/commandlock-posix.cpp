// The command lock on POSIX: a name in the abstract socket namespace, bound
// by the process that holds the lock. The kernel frees the name when the
// process ends, and the name belongs to the network namespace, as the
// client's port does. The socket is never inherited by the programs the
// tool starts.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/Processes.h"

namespace platform {
namespace {

const char kLockName[] = "UpdateOvexZNP-command";

int g_socket = -1;

}  // namespace

bool takeCommandLock() {
  if (g_socket >= 0) return true;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;  // no lock to be had: run as before
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, kLockName, sizeof kLockName - 1);  // sun_path[0] stays NUL: abstract
  const socklen_t length = offsetof(sockaddr_un, sun_path) + 1 + sizeof kLockName - 1;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
    g_socket = fd;
    return true;
  }
  const bool taken = errno == EADDRINUSE;
  close(fd);
  return !taken;
}

void releaseCommandLock() {
  if (g_socket < 0) return;
  close(g_socket);
  g_socket = -1;
}

}  // namespace platform
