#pragma once
// Finding the update package in the working directory's update folder.
#include <string>

// The name of the last plain file of the folder (not a folder, not hidden,
// not system) in listing order, sorted by name without regard to case; empty
// when there is none or the folder is missing.
std::string lastPackageFile(const std::string& packageFolder);
