#pragma once
// Putting the updated working copy in the place of the db folder so that a
// complete database is always there to be found: the old folder is moved
// aside (renamed to db_old_T beside it), the working copy renamed into its
// place, and only then is the old one deleted. Nothing is copied into db,
// so a full disk or a file that cannot be replaced never leaves it mixed.
//
// A stop between the two renames leaves no db folder, the old database
// whole in db_old_T and the updated one whole in the working copy; the next
// upgrade tells it by db missing beside db_old_T and puts db_old_T back
// (the upgrade as a whole had not finished, so the client's recorded
// version is still the old one).
#include <string>

namespace dbswap {

// Replaces dbFolder by workingCopy, then copies dbFolder back into a new
// workingCopy (the working copy stays on disk after an update). Nothing
// happens when dbFolder does not exist. Raises OvexError when the swap
// cannot be made; dbFolder then holds the old database.
void replaceDatabaseFolder(const std::string& dbFolder, const std::string& workingCopy);

// Removes the old folder that an earlier swap left beside dbFolder (only
// ever after db was complete again); raises OvexError when it stays.
void removeLeftover(const std::string& dbFolder);

// The old database back under dbFolder after a swap that stopped between
// its renames; true when it was put back.
bool restoreInterruptedSwap(const std::string& dbFolder);

}  // namespace dbswap
