#pragma once
// Checking a backup archive before anyone relies on it: its name, the four
// lines of cc, cc's digest against data.zip, and every entry of both
// archives read completely.
#include <cstdint>
#include <string>
#include <vector>

#include "util/Progress.h"

struct BackupContents {
  std::string version;    // cc's DBVersion
  std::string createdAt;  // cc's time, yyyy-mm-dd hh:nn:ss
  std::uint64_t archiveBytes = 0;
  std::uint64_t dataBytes = 0;  // the data files, unpacked
  std::size_t dataFiles = 0;
  std::string dataZip;            // the unpacked data.zip, in the scratch folder
  std::vector<std::string> problems;  // empty when the archive is whole
};

// Unpacks archive into scratch (an empty folder of the caller's) and checks
// it; every problem found is one line of the result's problems.
BackupContents checkBackupArchive(const std::string& archive, const std::string& scratch,
                                  Progress& progress = noProgress());

// The archive name's parts, "ovex_znp_data_离线备份_<version>_<yyyymmddhhnnss>.zip";
// false when the file name does not have that form.
bool parseBackupName(const std::string& fileName, std::string* version, std::string* stamp);
