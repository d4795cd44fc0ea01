#pragma once
// Putting a finished file in place under its final name.
#include <string>

namespace platform {
// Renames from to to, replacing an existing to in one step. False on failure.
bool renameReplacing(const std::string& from, const std::string& to);
// Copies a file's bytes to a new file; false on any failure (the partial
// copy is removed).
bool copyFileBytes(const std::string& from, const std::string& to);
}  // namespace platform
