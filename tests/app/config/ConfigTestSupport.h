#pragma once
// Helpers of the configuration-file tests.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TestSupport.h"
#include "util/OvexError.h"

namespace configtest {

using testsupport::readFile;
using testsupport::writeFile;

inline bool makeImmutable(const std::string& path) {
  return testsupport::runCommand("chattr +i " + testsupport::shellQuote(path)).status == 0;
}

inline std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const OvexError& e) {
    return e.what();
  }
  return "(none)";
}

}  // namespace configtest
