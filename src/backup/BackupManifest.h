#pragma once
// The manifest cc of a data backup: when it was made, the database version
// and the MD5 digest of data.zip.
#include <string>

// Lower-case MD5 of the whole file; raises OvexError when it cannot be read.
std::string dataArchiveDigest(const std::string& dataZip);

// Writes the four lines of cc (ANSI code page, CR LF after each) at path,
// replacing an existing file; raises OvexError when it cannot be written.
void writeBackupManifest(const std::string& path, const std::string& version, const std::string& md5);
