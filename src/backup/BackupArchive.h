#pragma once
// Writing the archives of a data backup so that no incomplete archive ever
// stands under its final name.
#include <string>

#include "util/Progress.h"

// Zips the data directory into dataZip and checks that every file of the
// directory made it into the archive whole; raises OvexError otherwise.
void zipDataDirectory(const std::string& dbPath, const std::string& dataZip, Progress& progress = noProgress());

// Zips the staging folder into archive. A new archive is written under a
// temporary name beside it and renamed when complete; when sameBytesAs names
// an archive just made from the same folder, it is copied instead of being
// compressed again. An existing archive is updated in place by the zip rules.
void writeBackupArchive(const std::string& staging, const std::string& archive, const std::string& sameBytesAs,
                        Progress& progress = noProgress());

// Unpacks data.zip into folder and makes sure that every file in it arrived
// whole; raises OvexError naming the first that did not.
void unpackDataArchive(const std::string& dataZip, const std::string& folder, Progress& progress = noProgress());
