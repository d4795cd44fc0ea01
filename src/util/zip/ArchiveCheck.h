#pragma once
// Reading a whole archive without writing anything: what unzip would fail
// on or refuse, entry by entry.
#include <string>
#include <vector>

namespace zipio {

struct ArchiveProblem {
  std::string entry;  // the entry's name; empty for the archive as a whole
  std::string what;
};

// Every problem of the archive at path: it cannot be opened or is not a
// readable Zip archive, or an entry is refused (a name reaching out of the
// folder it is unpacked into, encrypted, too new, an unknown method) or
// does not inflate to its size and CRC-32. Empty when unzip would unpack
// every entry whole.
std::vector<ArchiveProblem> checkArchive(const std::string& path);

}  // namespace zipio
