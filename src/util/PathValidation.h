#pragma once
// The checks that the directory operations make on the paths handed to them,
// with their fixed error texts, and small helpers on path text.
#include <initializer_list>
#include <string>
#include <string_view>

#include "util/AsciiCase.h"

namespace pathcheck {

enum class PathKind { kDirectory, kFile };

bool isSeparator(char c);
bool hasExtendedPrefix(std::string_view path);
// The path without an extended-length prefix.
std::string withoutPrefix(const std::string& path);
// The path without one trailing separator.
std::string withoutTrailingSeparator(const std::string& path);
// The directory part of a path: everything before its last separator.
std::string parentOf(const std::string& path);
// dir + separator + name, without doubling a separator.
std::string joinPath(const std::string& dir, const std::string& name);

// The absolute form of a path; raises the system's message when it fails.
std::string absolutePath(const std::string& path);
// Applies the checks in their order, each to every form of the same path,
// and raises the first that fails.
void validatePath(std::initializer_list<std::string_view> forms, PathKind kind);

}  // namespace pathcheck
