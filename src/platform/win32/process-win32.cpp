// Processes on Windows: the ToolHelp snapshot, the process-status library
// for the executable path, TerminateProcess and the shell's "open".
#include <windows.h>
// clang-format off
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>
// clang-format on

#include "platform/Processes.h"
#include "platform/win32/wide-win32.h"

namespace platform {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// A path of up to 1024 characters; a longer one comes back cut.
constexpr DWORD kModulePathChars = 1025;

}  // namespace

std::vector<ProcessEntry> listProcesses() {
  std::vector<ProcessEntry> out;
  Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return out;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    entry.szExeFile[MAX_PATH - 1] = L'\0';
    out.push_back({entry.th32ProcessID, fromWide(entry.szExeFile)});
  }
  return out;
}

std::optional<std::string> processPath(std::int32_t pid) {
  if (pid < 0) return std::nullopt;
  Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(pid)));
  if (!process.valid()) return std::nullopt;
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (!EnumProcessModules(process.get(), &module, sizeof module, &needed)) return std::nullopt;
  wchar_t buffer[kModulePathChars] = L"unknown";
  GetModuleFileNameExW(process.get(), module, buffer, kModulePathChars - 1);
  buffer[kModulePathChars - 1] = L'\0';
  return fromWide(buffer);
}

bool terminateProcess(std::uint32_t pid) {
  Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  return process.valid() && TerminateProcess(process.get(), 0);
}

// The shell's own answer is not looked at: like a program that fails to
// start, a missing file still counts as a request made.
bool shellOpen(const std::string& path) {
  const std::wstring file = widePath(path);
  ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return true;
}

std::uint32_t currentProcessId() { return GetCurrentProcessId(); }

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(fromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace platform
