#include "package/PackageCheck.h"

#include <set>

#include "base/OvexError.h"
#include "package/EntryPaths.h"
#include "util/DirectoryOps.h"
#include "util/PathValidation.h"
#include "util/Paths.h"
#include "util/zip/ArchiveTest.h"

namespace packagecheck {
namespace {

// ---- the path texts of a package, written for Windows whatever the platform ----

bool hasParentPart(const std::string& path) {
  size_t start = 0;
  for (;;) {
    const size_t end = path.find_first_of("\\/", start);
    if (path.substr(start, end == std::string::npos ? std::string::npos : end - start) == "..") return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

bool isNetworkPath(const std::string& path) {
  return path.size() >= 2 && paths::isSeparator(path[0]) && paths::isSeparator(path[1]);
}

// "C:..." or "\C:...": a drive letter and its colon as the first part.
bool namesDrive(const std::string& path) {
  const size_t start = path.find_first_not_of("\\/");
  if (start == std::string::npos || path.size() < start + 2 || path[start + 1] != ':') return false;
  const char c = path[start];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string normalised(const std::string& path) {
  std::string p = paths::withoutTrailingSeparator(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

// True when path, made absolute, is folder or lies below it.
bool staysInside(const std::string& path, const std::string& folder, std::string* resolved) {
  try {
    *resolved = paths::absolutePath(path);
    const std::string p = normalised(*resolved), base = normalised(paths::absolutePath(folder));
    return p == base || (p.size() > base.size() && p.compare(0, base.size(), base) == 0 && p[base.size()] == '/');
  } catch (const OvexError&) {
    return false;
  }
}

// What is wrong with a path text that is joined below base; empty when fine.
std::string pathProblem(const std::string& text, const std::string& joined, const std::string& base) {
  if (hasParentPart(text)) return "has a \"..\" part";
  if (isNetworkPath(text)) return "is a network path";
  if (namesDrive(text)) return "names a drive";
  std::string resolved;
  if (!staysInside(joined, base, &resolved)) return "leads outside \"" + base + "\" (to \"" + resolved + "\")";
  return {};
}

// The error the copy to a target and to its backup folder would raise part-way.
std::string validationProblem(const std::string& target) {
  try {
    for (const std::string& folder : {target, target + "_bak_T"})
      pathcheck::validatePath({folder, paths::absolutePath(folder)}, pathcheck::PathKind::kDirectory);
  } catch (const OvexError& e) {
    return e.what();
  }
  return {};
}

void addArchiveProblems(const std::string& archive, const std::string& path, std::vector<Problem>* out) {
  for (const std::string& problem : zipio::testArchive(path)) out->push_back({archive, "", problem});
}

std::string fileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void checkEntry(const TUpdateFile& uf, const std::string& scratchFolder, const std::string& clientDir,
                std::set<std::string>* archivesRead, std::vector<Problem>* out) {
  const std::string archive = scratchFolder + uf.fileName;
  const std::string nameProblem = pathProblem(uf.fileName, archive, scratchFolder);
  if (!nameProblem.empty()) {
    out->push_back({uf.fileName, "fileName", nameProblem});
    return;
  }
  if (uf.updateStyle != "1" && !entrypaths::isUpdaterPackage(uf.fileName)) {
    const std::string target = entrypaths::targetFolder(uf, clientDir);
    std::string targetProblem = pathProblem(uf.setUpPath, target, clientDir);
    if (targetProblem.empty()) targetProblem = validationProblem(target);
    if (!targetProblem.empty()) out->push_back({uf.fileName, "setUpPath \"" + uf.setUpPath + "\"", targetProblem});
  }
  if (!archivesRead->insert(uf.fileName).second) return;
  if (!fileExists(archive))
    out->push_back({uf.fileName, "", "the entry archive is not in the package"});
  else
    addArchiveProblems(uf.fileName, archive, out);
}

}  // namespace

std::vector<Problem> checkPackageArchive(const std::string& packagePath) {
  std::vector<Problem> problems;
  addArchiveProblems(fileNameOf(packagePath), packagePath, &problems);
  return problems;
}

std::vector<Problem> checkEntries(const std::string& scratchFolder, const TUpdateFileList::List& entries,
                                  const std::string& clientDir) {
  std::vector<Problem> problems;
  std::set<std::string> archivesRead;
  for (const auto& uf : entries) checkEntry(*uf, scratchFolder, clientDir, &archivesRead, &problems);
  return problems;
}

std::vector<Problem> checkPackage(const std::string& packagePath, const std::string& scratchFolder,
                                  const TUpdateFileList::List& entries, const std::string& clientDir) {
  std::vector<Problem> problems = checkPackageArchive(packagePath);
  const std::vector<Problem> more = checkEntries(scratchFolder, entries, clientDir);
  problems.insert(problems.end(), more.begin(), more.end());
  return problems;
}

std::string problemText(const Problem& problem) {
  std::string text = problem.archive;
  if (!problem.item.empty()) text += ": " + problem.item;
  return text + ": " + problem.what;
}

void requireSoundPackage(const std::string& packageName, const std::vector<Problem>& problems) {
  if (problems.empty()) return;
  std::string text = "The update package \"" + packageName + "\" cannot be applied; nothing in the client was changed:";
  for (const Problem& p : problems) text += "\n" + problemText(p);
  throw OvexError(text);
}

}  // namespace packagecheck
