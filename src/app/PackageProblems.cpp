#include "app/PackageProblems.h"

#include "package/UpdateXML.h"
#include "util/DirectoryOps.h"
#include "util/Paths.h"
#include "util/zip/ArchiveTest.h"

namespace {

// A ".." part, a drive or a network path: the text leads out of the folder
// it is joined to.
bool leadsOutside(const std::string& path) {
  if (path.find(':') != std::string::npos) return true;
  if (path.size() >= 2 && paths::isSeparator(path[0]) && paths::isSeparator(path[1])) return true;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !paths::isSeparator(path[i])) continue;
    if (path.compare(start, i - start, "..") == 0 && i - start == 2) return true;
    start = i + 1;
  }
  return false;
}

void addEach(std::vector<std::string>& problems, const std::string& prefix, const std::vector<std::string>& found) {
  for (const std::string& problem : found) problems.push_back(prefix + problem);
}

}  // namespace

std::vector<std::string> packageProblems(const std::string& package, const std::string& scratch,
                                         const TUpdateXML& manifest) {
  std::vector<std::string> problems;
  addEach(problems, "package: ", zipio::testArchive(package));
  for (const auto& entry : manifest.updateFileList->entries()) {
    const std::string name = entry->fileName;
    const std::string prefix = "entry \"" + name + "\": ";
    if (leadsOutside(name)) problems.push_back(prefix + "the file name leads outside the package folder");
    if (entry->updateStyle != "1" && leadsOutside(entry->setUpPath))
      problems.push_back(prefix + "the target \"" + entry->setUpPath + "\" leads outside the client folder");
    if (!fileExists(scratch + "\\" + name)) {
      problems.push_back(prefix + "the package holds no such archive");
      continue;
    }
    addEach(problems, prefix, zipio::testArchive(scratch + "\\" + name));
  }
  return problems;
}
