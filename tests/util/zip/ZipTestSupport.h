#pragma once
// Helpers of the archive tests: Python's zipfile as the independent
// reader and writer, and the peers' test commands.
#include <string>

#include "TestSupport.h"

namespace ziptest {

// Runs a Python 3 script; fails the test when it does not exit 0.
std::string python(const std::string& script);
// The archive's entries as Python sees them, one per line:
// "name|method|flags|external attributes|version needed|size".
std::string listing(const std::string& archive);
// The peers' own integrity tests all accept the archive.
void expectPeersAccept(const std::string& archive);
// A raw string literal for Python from a path.
std::string pyStr(const std::string& text);
// Overwrites every occurrence of from (same length) in the file with to.
void patchBytes(const std::string& path, const std::string& from, const std::string& to);

}  // namespace ziptest
