#pragma once
// The two configuration files of the client that an upgrade records itself in.
#include <string>

// Writes path (clientDir + "\server\conf\updateManager.ini") naming the package.
void writeUpdateManagerIni(const std::string& path, const std::string& zipFileName);
// Replaces every "CurrentVersion=" line of service.ini with the new version
// (in the ANSI code page); every other byte of the file stays as it was.
void setCurrentVersion(const std::string& path, const std::string& version);
// Raises when a value from the package that goes into a line of these files
// holds a control character: a line break in it would add lines of its own.
void refuseControlCharacters(const std::string& what, const std::string& value);
// The version of the first "CurrentVersion=" line of service.ini, "" when
// it has none; raises when the file cannot be read.
std::string currentVersion(const std::string& path);
