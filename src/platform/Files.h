#pragma once
// Files and folders: attributes, listing, creating and deleting, copying,
// whole-file reads and writes, and the data files of the archive code.
// Paths are UTF-8, "\" and "/" both separate parts, and the extended-length
// prefix "\\?\" is accepted in front of an absolute path.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace platform {

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
// *message (when given) holds the system's text for it; POSIX has no sharing violations.
DeleteResult deleteFileEntry(const std::string& path, std::string* message = nullptr);

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

// Last-write time of a file or folder, nullopt when it does not exist.
std::optional<std::time_t> lastWriteTime(const std::string& path);
bool setLastWriteTime(const std::string& path, std::time_t t);
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
