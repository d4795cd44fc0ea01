#pragma once
// The rules of path text: separators, drive and root, directory and file-name
// parts, joining, and the absolute form. "\" and "/" both separate parts;
// what counts as a drive is the platform's business (a drive letter on
// Windows, the root "/" on POSIX). A path that begins with two separators
// is a network path ("\\server\share\...").
#include <cstddef>
#include <string>
#include <string_view>

namespace paths {

bool isSeparator(char c);

// The extended-length prefix "\\?\" and the path without it.
bool hasExtendedPrefix(std::string_view path);
std::string withoutPrefix(const std::string& path);

// Length of the root a path begins with, an extended-length prefix
// included: a drive with its separator ("D:\"; "/" on POSIX), a drive alone
// ("D:"), a separator alone (the current drive's root), or a network share
// with the separator after it ("\\server\share\"). 0 for a relative path.
std::size_t rootLength(const std::string& path);

// True when the path names the same place whatever the current directory
// and drive: a drive with its root, or a network share.
bool isAbsolute(const std::string& path);

// The path without one trailing separator.
std::string withoutTrailingSeparator(const std::string& path);

// The text before the last separator; a root keeps its separator ("D:\" for
// "D:\x.exe") and is its own directory part. Empty when the path has
// neither a separator nor a root.
std::string directoryPart(const std::string& path);

// The text after the last separator or ":"; the whole path when it has
// neither.
std::string fileNamePart(const std::string& path);

// dir + separator + name, without doubling a separator.
std::string joinPath(const std::string& dir, const std::string& name);

// The absolute form as the system makes it (its separators, its rules);
// raises the system's message when it fails.
std::string absolutePath(const std::string& path);

// The path made absolute against the current directory, "." and ".."
// resolved and repeated separators collapsed; the root and the separators
// that remain are kept as written.
std::string resolvedPath(const std::string& path);

// The directory part of the resolved path: for a path directly below a root
// the root with its separator ("D:\" for "D:\x.exe").
std::string parentDirectory(const std::string& path);

}  // namespace paths
