// Directory and file services on POSIX. The root "/" is the only drive; a
// path that begins with two separators is a network path without a drive.
// There are no sharing violations: an open file can always be deleted.
#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "platform/Platform.h"

namespace platform {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The path for a system call: prefix dropped, "\" turned into "/".
std::string nativePath(const std::string& path) {
  if (path.compare(0, kExtendedPathPrefix.size(), kExtendedPathPrefix) == 0)
    return systemPath(path.substr(kExtendedPathPrefix.size()));
  return systemPath(path);
}

std::string errorText(int err) { return std::error_code(err, std::generic_category()).message(); }

FileError fileError(int err) {
  FileErrorKind kind = FileErrorKind::kOther;
  if (err == ENOENT || err == ENOTDIR) kind = FileErrorKind::kNotFound;
  if (err == EACCES || err == EPERM) kind = FileErrorKind::kAccessDenied;
  return {kind, errorText(err)};
}

// Resolves "." and ".." of an absolute "/" path; ".." stops at the top.
std::string resolveDots(const std::string& path, size_t keep) {
  std::vector<std::string> parts;
  size_t i = keep;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    const std::string part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out = path.substr(0, keep);
  for (size_t k = 0; k < parts.size(); ++k) out += (k ? "/" : "") + parts[k];
  return out;
}

bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Copies the rest of in to out: sendfile, or read and write where it is refused.
bool copyContent(int in, int out) {
  for (;;) {
    const ssize_t n = sendfile(out, in, nullptr, 1 << 30);
    if (n > 0) continue;
    if (n == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EINVAL && errno != ENOSYS) return false;
    break;
  }
  std::string buf(1 << 16, '\0');
  for (;;) {
    const ssize_t n = read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!writeAll(out, buf.substr(0, static_cast<size_t>(n)))) return false;
  }
}

// NTFS keeps a folder's names in the order of their upper-case forms
// compared code unit by code unit, so "_" (0x5F) comes after the letters.
// ASCII letters are folded here; names equal after folding keep byte order.
bool beforeInNtfsOrder(const std::string& a, const std::string& b) {
  const auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = upper(static_cast<unsigned char>(a[i])), y = upper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() != b.size() ? a.size() < b.size() : a < b;
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

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool closeChecked() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace

std::size_t driveLength(const std::string& path) {
  if (path.empty() || !isSeparator(path[0])) return 0;
  if (path.size() > 1 && isSeparator(path[1])) return 0;  // network path
  return 1;
}

bool driveExists(const std::string& path) {
  struct stat st;
  return driveLength(path) == 1 && stat("/", &st) == 0;
}

bool fullPath(const std::string& path, std::string* out, std::string* error) {
  if (path.compare(0, kExtendedPathPrefix.size(), kExtendedPathPrefix) == 0) {
    *out = path;
    return true;
  }
  std::string p = systemPath(path);
  size_t keep = 1;
  if (p.size() >= 2 && p[0] == '/' && p[1] == '/') {
    keep = 2;
  } else if (p.empty() || p[0] != '/') {
    const std::string cwd = currentDirectory();
    if (cwd.empty()) {
      *error = errorText(errno);
      return false;
    }
    p = cwd + "/" + p;
  }
  const bool trailing = !path.empty() && isSeparator(path.back());
  std::string resolved = resolveDots(p, keep);
  if (trailing && resolved.size() > keep) resolved += '/';
  *out = resolved;
  return true;
}

bool listDirectory(const std::string& path, std::vector<DirEntry>* entries) {
  const std::string dirPath = nativePath(path);
  DIR* dir = opendir(dirPath.c_str());
  if (!dir) return false;
  entries->clear();
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      const std::string full = dirPath + "/" + name;
      if (lstat(full.c_str(), &st) == 0)
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    entries->push_back({name, type == DT_DIR, type == DT_LNK});
  }
  closedir(dir);
  // readdir has no stable order; the stand-in lists as NTFS does.
  std::sort(entries->begin(), entries->end(),
            [](const DirEntry& x, const DirEntry& y) { return beforeInNtfsOrder(x.name, y.name); });
  return true;
}

bool isLink(const std::string& path) {
  struct stat st;
  return lstat(nativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool createDirectory(const std::string& path) { return mkdir(nativePath(path).c_str(), 0777) == 0; }

bool removeDirectory(const std::string& path) { return rmdir(nativePath(path).c_str()) == 0; }

DeleteResult deleteFileEntry(const std::string& path, std::string* /*message*/) {
  return unlink(nativePath(path).c_str()) == 0 ? DeleteResult::kDeleted : DeleteResult::kFailed;
}

bool copyFileReplace(const std::string& from, const std::string& to) {
  const std::string src = nativePath(from);
  const std::string dst = nativePath(to);
  Fd in(open(src.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat st;
  if (in.get() < 0 || fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  struct stat old;
  if (stat(dst.c_str(), &old) == 0 && old.st_dev == st.st_dev && old.st_ino == st.st_ino)
    return false;  // the same file: truncating it would destroy the source
  Fd out(open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, st.st_mode & 07777));
  struct stat target;
  if (out.get() < 0 || fstat(out.get(), &target) != 0 || !S_ISREG(target.st_mode)) return false;
  if (!copyContent(in.get(), out.get())) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  const bool kept = fchmod(out.get(), st.st_mode & 07777) == 0 && futimens(out.get(), times) == 0;
  return out.closeChecked() && kept;
}

bool sameEntry(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return stat(nativePath(a).c_str(), &sa) == 0 && stat(nativePath(b).c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

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
