#pragma once
// The SQL script files of a database entry, in the order they run.
#include <string>
#include <vector>

namespace scriptlist {
// Names of the plain files directly in folder (no folders, no hidden or
// system files), sorted by the locale's case-insensitive word sort, so
// "10.sql" comes before "2.sql". Empty when the folder cannot be listed.
std::vector<std::string> scriptList(const std::string& folder);
}  // namespace scriptlist
