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

// ---- file attributes -----------------------------------------------------
enum : std::uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
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

// ---- paths ---------------------------------------------------------------
// The path as the system calls want it ("\" turned into "/").
std::string systemPath(const std::string& path);
std::string currentDirectory();
std::string temporaryDirectory();
// Directory of the running executable.
std::string executableDirectory();

}  // namespace platform
