#pragma once
// Helpers of the directory-operation tests.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "TestSupport.h"
#include "util/OvexError.h"

namespace dirtest {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

// Makes a file immune to deletion and writing, even by root. False where the
// file system has no such flag.
inline bool makeImmutable(const std::string& path) {
  return testsupport::runCommand("chattr +i " + testsupport::shellQuote(path)).status == 0;
}

// The text of the OvexError that f raises, or "(none)".
inline std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const OvexError& e) {
    return e.what();
  }
  return "(none)";
}

inline mode_t modeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace dirtest
