#pragma once
// The utility operations of the tool: process control, archives, escaping.
// All texts and paths are UTF-8; paths may mix "\" and "/".
#include <cstdint>
#include <string>

#include "util/Progress.h"

namespace TUpdateUtils {

// ---- process control (TUpdateUtils-process.cpp) ----
// progress idles between the processes looked at, and is told when a
// program could not be started.
// Identifier of the first running process with that executable name
// (ASCII letters compared without case), or -1.
std::int32_t findProcess(const std::string& exeName, Progress& progress = noProgress());
// Ends every running process of that name; returns at once.
void killProcess(const std::string& AFileName, Progress& progress = noProgress());
// Starts a program detached; true when the request was made.
bool startExeProcess(const std::string& exePath, Progress& progress = noProgress());
// Executable path of a process; empty when it cannot be read.
std::string GetProcessPath(std::int32_t PID);

// ---- archives (TUpdateUtils-zip.cpp, TUpdateUtils-unzip.cpp) ----
// Packs the tree below src into the archive dest; raises OvexError on failure.
bool zip(const std::string& src, const std::string& dest);
// Unpacks zipFile into destDir; never raises.
bool unzip(const std::string& zipFile, const std::string& destDir);
// The same, each reported to progress as a step of that name (bytes read
// of the files, or unpacked of the entries).
bool zip(const std::string& src, const std::string& dest, Progress& progress, const std::string& step);
bool unzip(const std::string& zipFile, const std::string& destDir, Progress& progress, const std::string& step);

// ---- escaping (TUpdateUtils-escape.cpp) ----
// Every UTF-16 code unit 0x4E00..0x9FA5 becomes "\uXXXX" (upper-case hex).
std::string Str_Gb2UniCode(const std::string& text);
// Groups of four hex digits to the UTF-16 code units they give.
std::string Unicode_str(const std::string& text);

}  // namespace TUpdateUtils
