#pragma once
// The paths every package entry works with in the scratch folder.
#include <string>

class TUpdateFile;

namespace entrypaths {
// The folder the package was unpacked into, with its trailing separator.
std::string scratchFolder();
// fileName without its last four UTF-16 code units ("lib.zip" gives "lib");
// empty for a name of four code units or fewer.
std::string stem(const std::string& fileName);
// Packages of the client's own updater (fileName beginning with
// "ovex-znp-updater", case as written) always go to updater\lib.
bool isUpdaterPackage(const std::string& fileName);
// Where a common-file entry is copied to: ovexZNPDir + "\updater\lib" for
// the updater's packages, else ovexZNPDir + setUpPath.
std::string targetFolder(const TUpdateFile& uf, const std::string& ovexZNPDir);
}  // namespace entrypaths
