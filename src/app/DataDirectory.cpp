// Where the database server keeps its data: two levels up from its
// executable, then "/data".
#include "app/mian.h"
#include "util/Paths.h"

std::string dataDirectoryOf(const std::string& serverExePath) {
  return paths::parentDirectory(paths::parentDirectory(serverExePath)) + "/data";
}
