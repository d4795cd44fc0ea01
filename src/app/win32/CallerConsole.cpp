// A window program has no console of its own: with arguments, its output
// goes to the caller's console (UTF-8), or wherever it was redirected. Started
// by the desktop (Explorer has no console) it has neither.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>

#include "app/FrontEnds.h"

namespace {

bool attachCallerConsole() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  LocalFree(argv);
  if (argc < 2) return false;
  if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN) return true;  // redirected
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  SetConsoleOutputCP(CP_UTF8);
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
  return true;
}

// Before main: the headless options print from their first line on.
const bool callerConsole = attachCallerConsole();

}  // namespace

bool startedFromConsole() { return callerConsole; }
