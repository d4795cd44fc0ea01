// Directories on POSIX: listing in the order NTFS keeps, creating,
// removing, deleting files, copying a file over another. There are no
// sharing violations: an open file can always be deleted.
#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Files.h"
#include "platform/posix/fd-posix.h"

namespace platform {
namespace {

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

}  // namespace

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

}  // namespace platform
