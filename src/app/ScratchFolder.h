#pragma once
// A folder of one command's own: emptied of anything an interrupted run
// left, and removed when the command ends, however it ends.
#include <string>

class ScratchFolder {
 public:
  explicit ScratchFolder(std::string path);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The folder below the working directory where a command unpacks what it
// checks: name + "_T".
std::string commandScratchFolder(const std::string& name);
