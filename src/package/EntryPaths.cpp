#include "package/EntryPaths.h"

#include "base/ClientLayout.h"
#include "base/TextCodec.h"
#include "package/UpdateXML.h"
#include "platform/SystemPaths.h"

namespace entrypaths {

std::string scratchFolder() { return clientlayout::scratchFolderIn(platform::currentDirectory()) + "\\"; }

std::string stem(const std::string& fileName) {
  std::u16string units = utf8ToUtf16(fileName);
  if (units.size() <= 4) return {};
  units.resize(units.size() - 4);
  return utf16ToUtf8(units);
}

bool isUpdaterPackage(const std::string& fileName) { return fileName.compare(0, 16, "ovex-znp-updater") == 0; }

std::string targetFolder(const TUpdateFile& uf, const std::string& ovexZNPDir) {
  if (isUpdaterPackage(uf.fileName)) return ovexZNPDir + "\\updater\\lib";
  return ovexZNPDir + uf.setUpPath;
}

}  // namespace entrypaths
