#pragma once
// The narrow interface to the operating system. Everything outside
// src/platform/ and the front ends reaches the system only through here.
// Paths are UTF-8 and may use "\" and "/" as separators.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// ---- processes -----------------------------------------------------------
struct ProcessEntry {
  std::uint32_t pid;
  std::string name;  // bare executable file name
};

// The running processes, in the platform's order (ascending PID on POSIX).
std::vector<ProcessEntry> listProcesses();

// Full executable path of a process. nullopt when the process cannot be
// opened or its modules read; "unknown" when only the file-name query failed.
std::optional<std::string> processPath(std::int32_t pid);

// Ends a process at once; does not wait. False when it could not be ended.
bool terminateProcess(std::uint32_t pid);

// Starts a program detached ("open"): own session, inherits the current
// directory, never waited for. Returns false only when the request itself
// could not be made.
bool shellOpen(const std::string& path);

// The tool's own process id.
std::uint32_t currentProcessId();

// The program's arguments (argv[0] included) as UTF-8. On Windows they come
// from the wide command line: main's argv holds them in the ANSI code page.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// The machine-wide lock that lets one copy of the tool at a time run a
// command: a named mutex on Windows, an abstract socket name on POSIX
// (machine-wide as far as the network namespace goes). Taking it
// never waits; true when this process holds it afterwards (also when it
// held it already, or when the system offers no lock at all), false when
// another process holds it. It goes with the process, however that ends.
bool takeCommandLock();
void releaseCommandLock();

// True when standard error is a terminal (a console window), where a line
// can be redrawn in place; false for a pipe or a file.
bool standardErrorIsTerminal();

// ---- file attributes -----------------------------------------------------
enum : std::uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrDevice = 0x40,  // POSIX pipes, sockets and devices: no data file
  kAttrNormal = 0x80,
};
// Attribute word of an entry, nullopt when it does not exist.
std::optional<std::uint32_t> fileAttributes(const std::string& path);
// Sets read-only/hidden/system/archive as far as the platform can keep them.
bool setFileAttributes(const std::string& path, std::uint32_t attrs);

// ---- code pages ----------------------------------------------------------
// The ANSI and OEM code pages (CP936 on the machines served).
std::string ansiToUtf8(std::string_view bytes);
// Characters the code page cannot hold become "?"; *lossless tells whether any did.
std::string utf8ToAnsi(std::string_view text, bool* lossless = nullptr);
std::string oemToUtf8(std::string_view bytes);
std::string utf8ToOem(std::string_view text, bool* lossless = nullptr);

// Case-insensitive comparison in the user's locale, word-sort form
// (hyphen and apostrophe count only when the names are otherwise equal).
int compareLocaleNoCase(const std::string& a, const std::string& b);

// ---- time ----------------------------------------------------------------
struct LocalTime {
  int year, month, day, hour, minute, second;
};
LocalTime localNow();
LocalTime toLocalTime(std::time_t t);
std::time_t fromLocalTime(const LocalTime& t);
// The locale's time separator (":" in zh_CN).
std::string timeSeparator();
void sleepMs(int milliseconds);

// ---- directory and file services -----------------------------------------
// Used by the directory operations and the configuration files. Paths are
// UTF-8, "\" and "/" both separate parts, and the extended-length prefix
// "\\?\" is accepted in front of an absolute path.

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

struct DirEntry {
  std::string name;
  bool isDirectory;  // a real directory, not a link to one
  bool isLink;       // a symbolic link (never followed by a walk)
};
// Every entry of a directory but "." and "..", hidden ones included, in the
// platform's order (POSIX imitates NTFS: names compared byte by byte after
// folding ASCII letters to upper case). False when the directory cannot be listed.
bool listDirectory(const std::string& path, std::vector<DirEntry>* entries);
// True when the path itself (not what it leads to) is a symbolic link or,
// on Windows, another reparse point such as a junction.
bool isLink(const std::string& path);

// One directory level; false when it could not be made.
bool createDirectory(const std::string& path);
// Removes an empty directory; false when it could not.
bool removeDirectory(const std::string& path);

enum class DeleteResult { kDeleted, kSharingViolation, kFailed };
// Deletes a file (a link itself, never its target). On kSharingViolation
// *message holds the system's text for it; POSIX has no sharing violations.
DeleteResult deleteFileEntry(const std::string& path, std::string* message);

// Copies a file over any existing one of that name, taking over the source's
// attributes (mode) and last-write time. False when the copy failed; a pipe
// or device on either side is refused at once.
bool copyFileReplace(const std::string& from, const std::string& to);

// True when both paths name the same existing entry.
bool sameEntry(const std::string& a, const std::string& b);

enum class FileErrorKind { kNotFound, kAccessDenied, kOther };
struct FileError {
  FileErrorKind kind;
  std::string message;  // the system's description of the failure
};
// The whole file as bytes.
bool readWholeFile(const std::string& path, std::string* bytes, FileError* error);
// Creates the file (truncating an existing one) with exactly these bytes.
bool writeNewFile(const std::string& path, const std::string& bytes, FileError* error);
// Replaces an existing file's content without ever leaving it half-written:
// a new file beside it takes its permissions and is renamed over it. Fails
// like writeNewFile when the file itself may not be written.
bool replaceFileContent(const std::string& path, const std::string& bytes, FileError* error);

// ---- paths ---------------------------------------------------------------
// The path as the system calls want it ("\" turned into "/").
std::string systemPath(const std::string& path);
std::string currentDirectory();
std::string temporaryDirectory();
// Directory of the running executable.
std::string executableDirectory();

}  // namespace platform

// ---- files for the archive code (files-posix.cpp) ------------------------
#include <cstdio>
namespace platform {

struct FolderItem {
  enum Kind { kFile, kFolder, kOther };
  std::string name;
  Kind kind;  // kOther: devices, pipes, sockets, links to folders
};
// The items of a folder (without "." and ".."), sorted by name;
// nullopt when the folder cannot be listed.
std::optional<std::vector<FolderItem>> listFolder(const std::string& path);
// Last-write time of a file or folder, nullopt when it does not exist.
std::optional<std::time_t> lastWriteTime(const std::string& path);
bool setLastWriteTime(const std::string& path, std::time_t t);
// Creates one folder level; false when it could not be made.
bool createFolder(const std::string& path);
bool removeFileEntry(const std::string& path);
// Renames within one volume; false when it could not (e.g. across volumes).
// It may or may not replace an existing `to`; callers handle both.
bool renameEntry(const std::string& from, const std::string& to);
// Opens a data file with the std::fopen modes; others may read and write it
// meanwhile. Anything but a regular file (a pipe, a device) is refused at once.
std::FILE* openDataFile(const std::string& path, const char* mode);
// 64-bit positioning of a data file.
bool seekDataFile(std::FILE* file, std::uint64_t offset);
std::optional<std::uint64_t> dataFileSize(std::FILE* file);
// Size and last-write time of an open data file.
struct DataFileInfo {
  std::uint64_t size;
  std::time_t lastWrite;
};
std::optional<DataFileInfo> dataFileInfo(std::FILE* file);

}  // namespace platform
