// The entry of the Windows executable: arguments it does not know open the
// window when there is no console to print the usage on (a file dropped onto
// the program in Explorer, a shortcut with arguments); with a console or
// redirected output they give the usage and exit status 64.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "app/mian.h"
#include "app/win32/Form1Window.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/SystemPaths.h"
#include "platform/win32/wide-win32.h"

namespace {

class CommandLine : public ::testing::Test {
 protected:
  void TearDown() override { endAll(); }

  // Ends the stand-in parent and lets go of both processes.
  void endAll() {
    if (parent_.hProcess) TerminateProcess(parent_.hProcess, 0);
    for (HANDLE h : {tool_.hProcess, tool_.hThread, parent_.hProcess, parent_.hThread})
      if (h) CloseHandle(h);
    tool_ = parent_ = PROCESS_INFORMATION{};
  }

  // Starts the tool as Explorer does: its parent is a window program without
  // a console, and it gets no standard handles.
  bool startFromDesktop(const std::wstring& arguments) {
    std::wstring standin = L"\"" + platform::widePath(testsupport::fixtureProgram("client-standin")) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, standin.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &parent_))
      return false;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string list(size, '\0');
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    HANDLE parent = parent_.hProcess;
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size) ||
        !UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent, sizeof parent,
                                   nullptr, nullptr))
      return false;
    STARTUPINFOEXW six{};
    six.StartupInfo.cb = sizeof six;
    six.lpAttributeList = attributes;
    std::wstring command = toolCommand(arguments);
    const BOOL ok = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                   EXTENDED_STARTUPINFO_PRESENT | DETACHED_PROCESS, nullptr, nullptr,
                                   &six.StartupInfo, &tool_);
    DeleteProcThreadAttributeList(attributes);
    return ok != 0;
  }

  // Starts the tool with its output going to a file, as a script does.
  bool startRedirected(const std::wstring& arguments, HANDLE output) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = output;
    std::wstring command = toolCommand(arguments);
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &tool_) != 0;
  }

  HWND toolWindow() const {
    const std::wstring caption = platform::toWide(form1::kCaption);
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, win32form::kWindowClass, caption.c_str()));) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == tool_.dwProcessId) return w;
    }
    return nullptr;
  }

  DWORD exitCode(DWORD waitMs) const {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(tool_.hProcess, waitMs) == WAIT_OBJECT_0) GetExitCodeProcess(tool_.hProcess, &code);
    return code;
  }

  PROCESS_INFORMATION tool_{}, parent_{};

 private:
  static std::wstring toolCommand(const std::wstring& arguments) {
    return L"\"" + platform::widePath(testsupport::toolPath()) + L"\" " + arguments;
  }
};

}  // namespace

TEST_F(CommandLine, UnknownArgumentsFromTheDesktopOpenTheWindow) {
  for (const wchar_t* arguments : {L"\"D:\\升级工具\\update\\升级包.zip\"", L"--restore", L"--backup extra"}) {
    ASSERT_TRUE(startFromDesktop(arguments)) << GetLastError();
    HWND form = nullptr;
    for (int i = 0; i < 300 && !(form = toolWindow()); ++i) Sleep(100);
    EXPECT_NE(form, nullptr) << platform::fromWide(arguments);
    if (form)
      PostMessageW(form, WM_CLOSE, 0, 0);
    else
      TerminateProcess(tool_.hProcess, 1);
    EXPECT_EQ(exitCode(30000), 0u) << platform::fromWide(arguments);
    endAll();
  }
}

TEST_F(CommandLine, UnknownArgumentsWithRedirectedOutputPrintTheUsageAndGiveSixtyFour) {
  const std::string log = platform::temporaryDirectory() + "\\ovex-usage-" +
                          std::to_string(platform::currentProcessId()) + ".txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(platform::widePath(log).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(startRedirected(L"\"D:\\升级工具\\update\\升级包.zip\"", out));
  const DWORD code = exitCode(30000);
  CloseHandle(out);
  EXPECT_EQ(code, 64u);
  std::string text;
  platform::FileError error{};
  EXPECT_TRUE(platform::readWholeFile(log, &text, &error));
  EXPECT_NE(text.find("unknown option: D:\\升级工具\\update\\升级包.zip"), std::string::npos) << text;
  EXPECT_NE(text.find("Usage: UpdateOvexZNP"), std::string::npos) << text;
  std::string message;
  platform::deleteFileEntry(log, &message);
}
