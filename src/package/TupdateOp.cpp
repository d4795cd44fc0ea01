// Applying one manifest entry: the dispatch by updateStyle and the
// common-file update (unpack, back the target up, copy over it).
#include "package/TupdateOp.h"

#include "package/EntryPaths.h"
#include "package/UpdateXML.h"
#include "util/DirectoryOps.h"
#include "util/TUpdateUtils.h"

namespace TupdateOp {

void updateOp(const TUpdateFile& uf, const std::string& ovexZNPDir, Progress& progress) {
  if (uf.updateStyle == "1")
    updateDbFile(uf, ovexZNPDir, progress);
  else
    updateCommonFile(uf, ovexZNPDir);
}

void updateCommonFile(const TUpdateFile& uf, const std::string& ovexZNPDir) {
  const std::string scratch = entrypaths::scratchFolder();
  const std::string unpackFolder = scratch + entrypaths::stem(uf.fileName);
  // A missing or damaged archive leaves the unpack folder empty or partial.
  TUpdateUtils::unzip(scratch + uf.fileName, unpackFolder);

  const std::string target = entrypaths::targetFolder(uf, ovexZNPDir);
  if (!directoryExists(target)) createDirectoryPath(target);
  // The backup is merged into whatever an earlier entry left there.
  copyDirectoryTree(target, target + "_bak_T");
  if (directoryExists(target) && directoryExists(unpackFolder)) copyDirectoryTree(unpackFolder, target);
}

}  // namespace TupdateOp
