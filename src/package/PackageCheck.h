#pragma once
// The check of an unpacked update package before any of its entries is
// applied: every archive reads whole and every target stays inside the
// client folder. It gathers every problem, so that a caller can list them
// all or stop at the first.
#include <string>
#include <vector>

#include "package/UpdateXML.h"

namespace packagecheck {

struct Problem {
  std::string archive;  // the package's file name, or the entry's fileName
  std::string item;     // the manifest field at fault; empty for what the archive holds
  std::string what;
};

// The package archive itself: it reads whole, member by member.
std::vector<Problem> checkPackageArchive(const std::string& packagePath);
// The entries of its manifest: scratchFolder is where the package was
// unpacked (with its trailing separator) and holds the entry archives,
// clientDir the client folder they are applied to.
std::vector<Problem> checkEntries(const std::string& scratchFolder, const TUpdateFileList::List& entries,
                                  const std::string& clientDir);
// Both.
std::vector<Problem> checkPackage(const std::string& packagePath, const std::string& scratchFolder,
                                  const TUpdateFileList::List& entries, const std::string& clientDir);

// "archive: item: what".
std::string problemText(const Problem& problem);

// Raises OvexError naming the package and every problem, one a line, when
// there is any.
void requireSoundPackage(const std::string& packageName, const std::vector<Problem>& problems);

}  // namespace packagecheck
