#pragma once
// The paths every package entry works with in the scratch folder.
#include <string>

namespace entrypaths {
// The folder the package was unpacked into, with its trailing separator.
std::string scratchFolder();
// fileName without its last four UTF-16 code units ("lib.zip" gives "lib");
// empty for a name of four code units or fewer.
std::string stem(const std::string& fileName);
}  // namespace entrypaths
