#pragma once
// UTF-8 <-> UTF-16 for the wide Win32 calls, and paths in the form they want.
#include <string>
#include <string_view>

namespace platform {

std::wstring toWide(std::string_view text);
std::string fromWide(std::wstring_view text);
// A UTF-8 path as a wide system path: "/" becomes "\".
std::wstring widePath(const std::string& path);
// The system's message for an error code, without the trailing line break.
std::string systemMessage(unsigned long code);

}  // namespace platform
