// UpdateOvexZNP --check [PACKAGE]: what an upgrade with the package would
// do, and what would keep it from applying. Stops nothing and writes
// nothing into the client: the package is unpacked into a folder of its own.
#include <exception>

#include "app/ClientConfig.h"
#include "app/HeadlessCommands.h"
#include "app/PackageFolder.h"
#include "app/ScratchFolder.h"
#include "app/Screen.h"
#include "app/mian.h"
#include "base/ClientLayout.h"
#include "base/OvexError.h"
#include "package/EntryPaths.h"
#include "package/PackageCheck.h"
#include "package/ScriptList.h"
#include "package/SqlLines.h"
#include "package/UpdateXML.h"
#include "platform/SystemPaths.h"
#include "platform/XmlDom.h"
#include "util/DirectoryOps.h"
#include "util/Paths.h"
#include "util/TUpdateUtils.h"
#include "util/zip/ArchiveListing.h"

namespace {

const char kNoClient[] = "<client folder>";

std::string updateFolderPackage() {
  const std::string folder = platform::currentDirectory() + "\\update\\";
  const std::string name = lastPackageFile(folder);
  if (name.empty()) throw OvexError("No package: \"" + folder + "\" holds no package file");
  return folder + name;
}

std::string withBackslashes(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

void printVersions(const std::string& clientDir, const TUpdateXML& manifest) {
  std::string from = "(the client is not running)";
  if (!clientDir.empty()) {
    try {
      from = currentVersion(clientDir + clientlayout::kServiceIni);
      if (from.empty()) from = "(service.ini names none)";
    } catch (const std::exception& e) {
      from = std::string("(service.ini cannot be read: ") + e.what() + ")";
    }
  }
  screen::showMessage("client: " + (clientDir.empty() ? std::string("not running") : clientDir));
  screen::showMessage("version: " + from + " -> " + manifest.updateInfo->version);
}

// The files of a common-file entry: replaced when the target holds one of
// that name, added otherwise (only "file" when no client runs to look at).
void printFiles(const std::string& archive, const std::string& target, bool clientKnown) {
  std::vector<zipio::ListedEntry> files;
  try {
    files = zipio::listArchive(archive);
  } catch (const std::exception&) {
    screen::showMessage("  (its archive cannot be read)");
    return;
  }
  for (const auto& file : files) {
    if (file.folder) continue;
    const char* what = !clientKnown ? "file" : fileExists(target + "\\" + withBackslashes(file.name)) ? "replace" : "add";
    screen::showMessage(std::string("  ") + what + " " + file.name);
  }
}

std::string statementCount(const std::string& script) {
  SqlLineSplitter splitter;
  std::size_t count = 0;
  try {
    for (const std::string& line : readTextLines(script))
      if (splitter.feed(line)) ++count;
  } catch (const std::exception& e) {
    return std::string("cannot be read: ") + e.what();
  }
  std::string text = std::to_string(count) + (count == 1 ? " statement" : " statements");
  if (!trimControls(splitter.pending()).empty()) text += ", and text after the last \";\" that is never run";
  return text;
}

// The scripts of a database entry, unpacked as the upgrade would, in the
// order they would run.
void printScripts(const std::string& scratch, const TUpdateFile& entry) {
  const std::string folder = scratch + "\\" + entrypaths::stem(entry.fileName);
  TUpdateUtils::unzip(scratch + "\\" + entry.fileName, folder);
  const std::vector<std::string> scripts = scriptlist::scriptList(folder);
  if (scripts.empty()) screen::showMessage("  (no scripts)");
  for (std::size_t i = 0; i < scripts.size(); ++i)
    screen::showMessage("  script " + std::to_string(i + 1) + ": " + scripts[i] + ", " +
                        statementCount(folder + "\\" + scripts[i]));
}

void printEntry(std::size_t number, const TUpdateFile& entry, const std::string& clientDir, const std::string& scratch) {
  const std::string client = clientDir.empty() ? kNoClient : clientDir;
  const bool database = entry.updateStyle == "1";
  const char* kind = database ? "database scripts" : entrypaths::isUpdaterPackage(entry.fileName) ? "updater files" : "files";
  const std::string target = database ? client + "\\db" : entrypaths::targetFolder(entry, client);
  screen::showMessage("entry " + std::to_string(number) + ": " + entry.fileName + " (" + kind + ") -> " + target);
  if (database)
    printScripts(scratch, entry);
  else
    printFiles(scratch + "\\" + entry.fileName, target, !clientDir.empty());
}

bool printProblems(const std::vector<packagecheck::Problem>& problems) {
  for (const auto& problem : problems) screen::showMessage("problem: " + packagecheck::problemText(problem));
  screen::showMessage(problems.empty() ? "the package would apply"
                                       : std::to_string(problems.size()) + " problem(s): the package would not apply");
  return problems.empty();
}

}  // namespace

bool checkCommand(const std::string& given) {
  const std::string package = given.empty() ? updateFolderPackage() : given;
  screen::showMessage("package: " + package);
  ScratchFolder scratch(commandScratchFolder("check"));
  TUpdateUtils::unzip(package, scratch.path(), screen::progress(), "unpacking the package");

  TUpdateXML manifest;
  platform::XmlDocument document;
  try {
    manifest.xmlToObject(document, scratch.path() + "\\update.xml");
  } catch (const std::exception& e) {
    std::vector<packagecheck::Problem> problems = packagecheck::checkPackageArchive(package);
    problems.push_back({"update.xml", "", e.what()});
    return printProblems(problems);
  }

  const std::string clientExe = runningClientPath();
  const std::string clientDir = clientExe.empty() ? std::string() : paths::directoryPart(clientExe);
  printVersions(clientDir, manifest);
  const auto& entries = manifest.updateFileList->entries();
  for (std::size_t i = 0; i < entries.size(); ++i) printEntry(i + 1, *entries[i], clientDir, scratch.path());
  // With no client running, targets are checked below a folder that stands in for it.
  const std::string checkedClient = clientDir.empty() ? scratch.path() + "\\client" : clientDir;
  return printProblems(packagecheck::checkPackage(package, scratch.path() + "\\", entries, checkedClient));
}
