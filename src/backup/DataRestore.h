#pragma once
// The folder moves of a restore. The archive's data is unpacked beside the
// data directory first, so that the data directory stays whole until the
// restored data is complete; then two renames put it in its place, and the
// data directory as it was stays under a name of its own, never deleted.
#include <string>

#include "util/Progress.h"

struct RestoreFolders {
  std::string data;       // the data directory
  std::string restoring;  // the restored data while it is unpacked: data_restoring_T
  std::string before;     // the data directory as it was: data_before_restore_<yyyymmddhhnnss>
};

// The folders beside dataDir; before gets a name that is not taken yet.
RestoreFolders restoreFolders(const std::string& dataDir);

// Unpacks data.zip into folders.restoring (emptied first); raises OvexError
// when any file of it did not arrive whole, the partial folder removed.
void unpackRestoredData(const std::string& dataZip, const RestoreFolders& folders, Progress& progress = noProgress());

// The data directory becomes folders.before (when there is one), the
// restored data the data directory. On a failure the data directory is put
// back and OvexError raised.
void swapInRestoredData(const RestoreFolders& folders);

// A restore cut off between the two renames leaves no data directory, with
// the restored data and the data as it was beside it: the newest
// data_before_restore_ folder is put back. Returns it, or "" when there was
// nothing to put back.
std::string putBackInterruptedRestore(const std::string& dataDir);

// Undoes swapInRestoredData: folders.before is the data directory again and
// the restored data is removed. Raises OvexError when it cannot.
void putPreviousDataBack(const RestoreFolders& folders);
