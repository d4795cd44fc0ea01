#include "app/ScratchFolder.h"

#include "app/HeadlessCommands.h"
#include "platform/SystemPaths.h"
#include "util/DirectoryOps.h"

ScratchFolder::ScratchFolder(std::string path) : path_(std::move(path)) {
  if (directoryExists(path_)) deleteDirectoryTree(path_);
  createDirectoryPath(path_);
}

ScratchFolder::~ScratchFolder() {
  try {
    if (directoryExists(path_)) deleteDirectoryTree(path_);
  } catch (...) {
  }
}

std::string commandScratchFolder(const std::string& name) { return platform::currentDirectory() + "\\" + name + "_T"; }
