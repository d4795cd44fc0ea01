#pragma once
// Helpers of the directory-operation tests.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "TestSupport.h"
#include "base/OvexError.h"

namespace dirtest {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

using testsupport::makeImmutable;
using testsupport::errorOf;

inline mode_t modeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace dirtest
