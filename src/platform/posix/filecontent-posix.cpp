// Whole-file reads and writes on POSIX; a replaced file is never left
// half-written.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Files.h"
#include "platform/posix/fd-posix.h"

namespace platform {
namespace {

FileError fileError(int err) {
  FileErrorKind kind = FileErrorKind::kOther;
  if (err == ENOENT || err == ENOTDIR) kind = FileErrorKind::kNotFound;
  if (err == EACCES || err == EPERM) kind = FileErrorKind::kAccessDenied;
  return {kind, errorText(err)};
}


// Makes a rename in the folder of path durable; failures change nothing.
void syncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool readWholeFile(const std::string& path, std::string* bytes, FileError* error) {
  Fd in(open(nativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));  // a FIFO must not block
  if (in.get() < 0) {
    *error = fileError(errno);
    return false;
  }
  bytes->clear();
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = read(in.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = fileError(errno);
      return false;
    }
    if (n == 0) return true;
    bytes->append(buf, static_cast<size_t>(n));
  }
}

bool writeNewFile(const std::string& path, const std::string& bytes, FileError* error) {
  Fd out(open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (out.get() < 0 || !writeAll(out.get(), bytes) || !out.closeChecked()) {
    *error = fileError(errno);
    return false;
  }
  return true;
}

bool replaceFileContent(const std::string& path, const std::string& bytes, FileError* error) {
  const std::string native = nativePath(path);
  char* real = realpath(native.c_str(), nullptr);  // replace a link's target, keep the link
  const std::string target = real ? real : native;
  free(real);
  struct stat st;
  {
    // The file itself must be writable; renaming over it would not ask.
    // Without its owner's write bit it is read-only, for root too (as on Windows).
    Fd probe(open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (probe.get() < 0 || fstat(probe.get(), &st) != 0) {
      *error = fileError(errno);
      return false;
    }
    if (!(st.st_mode & S_IWUSR)) {
      *error = fileError(EACCES);
      return false;
    }
  }
  const size_t slash = target.rfind('/');
  std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
                     ".ovex-new-XXXXXX";
  Fd out(mkstemp(temp.data()));
  if (out.get() < 0) return writeNewFile(target, bytes, error);  // folder not writable
  const bool kept = fchmod(out.get(), st.st_mode & 07777) == 0;
  if (fchown(out.get(), st.st_uid, st.st_gid) != 0) {
    // Only a privileged process may give the file away; keep it ours then.
  }
  if (!kept || !writeAll(out.get(), bytes) || fsync(out.get()) != 0 || !out.closeChecked() ||
      rename(temp.c_str(), target.c_str()) != 0) {
    *error = fileError(errno);
    unlink(temp.c_str());
    return false;
  }
  syncFolderOf(target);
  return true;
}

}  // namespace platform
