#pragma once
// The system's processes: the process list, ending and starting programs,
// the tool's own process (its arguments, the command lock, its standard error).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

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

}  // namespace platform
