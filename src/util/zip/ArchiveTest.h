#pragma once
// Reading a whole archive as unzip would, without writing anything: every
// entry located, inflated and compared with its CRC-32.
#include <string>
#include <vector>

#include "util/zip/CentralDirectory.h"

class Progress;

namespace zipio {

// Why unzip would pass over an entry before reading its data (encrypted,
// a method or version it cannot read, a name reaching outside the target
// folder); "" when it would unpack it.
std::string entryRefusal(const CentralEntry& entry, const std::string& decodedName);

// One line per problem found, naming the entry; empty when every entry
// reads completely. A file that is no readable archive is one problem.
std::vector<std::string> testArchive(const std::string& zipFile);
// The same, the bytes inflated reported to progress as a step of that name.
std::vector<std::string> testArchive(const std::string& zipFile, Progress& progress, const std::string& step);

}  // namespace zipio
