#pragma once
// Finding the update package in the working directory's update folder.
#include <string>

// The name of the last plain file of the folder (not a folder, not hidden,
// not system, not a pipe or device) in the platform's listing order; empty
// when there is none or the folder is missing.
std::string lastPackageFile(const std::string& packageFolder);
