// The Upgrade command and the update run.
#include <memory>

#include "app/ClientConfig.h"
#include "app/PackageFolder.h"
#include "app/Screen.h"
#include "app/mian.h"
#include "backup/TZNPBf.h"
#include "base/ClientLayout.h"
#include "package/DatabaseSwap.h"
#include "package/EntryPaths.h"
#include "package/PackageCheck.h"
#include "package/TupdateOp.h"
#include "package/UpdateXML.h"
#include "platform/SystemPaths.h"
#include "platform/XmlDom.h"
#include "util/DirectoryOps.h"
#include "util/Paths.h"
#include "util/TUpdateUtils.h"

namespace {

// The document of the latest manifest read; the main window owns it, so a
// document left behind by a failed read lives until the tool ends.
std::unique_ptr<platform::XmlDocument> g_manifestDocument;

platform::XmlDocument& newManifestDocument() {
  g_manifestDocument = std::make_unique<platform::XmlDocument>();
  return *g_manifestDocument;
}

void refreshUpdaterCopy(const std::string& packageFolder) {
  const std::string updaterCopy = clientDir + "/updater/zip";
  if (directoryExists(updaterCopy)) deleteDirectoryTree(updaterCopy);
  createDirectoryPath(updaterCopy);
  copyDirectoryTree(packageFolder, updaterCopy);
}

}  // namespace

void updatBtnClick() {
  if (refuseWhenBusy()) return;
  screen::processMessages();
  TUpdateThread run;
  run.Execute();
}

void TUpdateThread::Execute() {
  showBusy();
  if (!checkAndStopClient()) {
    hideBusy();
    return;
  }
  // A database swap that an earlier run did not finish leaves no db folder
  // for the server to start from.
  dbswap::restoreInterruptedSwap(clientDir + "/db");
  const std::string serverPath = runningServerPath();
  if (!paths::isAbsolute(serverPath)) {
    hideBusy();
    screen::showMessage(form1::kNotRunning);
    return;
  }
  const std::string dataDir = dataDirectoryOf(serverPath);
  TZNPBf::bf(platform::currentDirectory(), dataDir, screen::progress());

  const std::string packageFolder = platform::currentDirectory() + "\\update\\";
  const std::string packageName = lastPackageFile(packageFolder);
  const std::string packagePath = packageName.empty() ? std::string() : packageFolder + packageName;

  const std::string scratch = clientlayout::scratchFolderIn(platform::currentDirectory());
  if (directoryExists(scratch)) deleteDirectoryTree(scratch);
  TUpdateUtils::unzip(packagePath, scratch);
  // A damaged package is named as such rather than by what it lacks; with
  // no package at all the manifest reader reports it.
  if (!packagePath.empty())
    packagecheck::requireSoundPackage(packageName, packagecheck::checkPackageArchive(packagePath));

  TUpdateXML manifest;
  manifest.xmlToObject(newManifestDocument(), scratch + "\\update.xml");
  // Both end up in lines of the client's configuration files.
  refuseControlCharacters("The package's version", manifest.updateInfo->version);
  refuseControlCharacters("The package's file name", packageName);
  const auto& entries = manifest.updateFileList->entries();
  // Nothing in the client changes unless every entry archive reads well
  // and every target stays inside the client folder.
  packagecheck::requireSoundPackage(packageName,
                                    packagecheck::checkEntries(entrypaths::scratchFolder(), entries, clientDir));
  const size_t count = entries.size();
  for (size_t i = 0; i < count; ++i) {
    TupdateOp::updateOp(*entries[i], clientDir, screen::progress());
    screen::processMessages();
  }

  refreshUpdaterCopy(packageFolder);
  writeUpdateManagerIni(clientDir + clientlayout::kUpdateManagerIni, packageName);
  setCurrentVersion(clientDir + clientlayout::kServiceIni, manifest.updateInfo->version);
  screen::showMessage(form1::kUpgradeDone);
  TUpdateUtils::startExeProcess(clientExePath, screen::progress());
  hideBusy();
}
