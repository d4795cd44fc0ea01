#pragma once
// Helpers of the configuration-file tests.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TestSupport.h"
#include "base/OvexError.h"

namespace configtest {

using testsupport::readFile;
using testsupport::writeFile;

using testsupport::makeImmutable;
using testsupport::errorOf;

}  // namespace configtest
