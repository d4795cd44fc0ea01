#pragma once
// Paths as the system sees them: drives, full paths, the current,
// temporary and executable folders. Paths are UTF-8, "\" and "/" both
// separate parts, and the extended-length prefix "\\?\" is accepted in
// front of an absolute path.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The extended-length prefix that lifts the path-length limits.
constexpr std::string_view kExtendedPathPrefix = "\\\\?\\";

// Length of the drive part that begins an absolute path ("C:" on Windows,
// the root "/" on POSIX); 0 when there is none (relative or network path).
std::size_t driveLength(const std::string& path);
// True when the path begins with a drive that exists.
bool driveExists(const std::string& path);

// The path made absolute against the current directory, "." and ".."
// resolved, separators in the platform's form; a trailing separator stays.
// False with *error set when the system could not do it.
bool fullPath(const std::string& path, std::string* out, std::string* error);

// The path as the system calls want it ("\" turned into "/").
std::string systemPath(const std::string& path);
std::string currentDirectory();
std::string temporaryDirectory();
// Directory of the running executable.
std::string executableDirectory();

}  // namespace platform
