#pragma once
// The text of one source line of an XML file, for load-failure reports.
#include <string>

namespace platform::xmldom {
// Line number (1-based) of the file at sysPath, decoded to UTF-8 as the
// parser read it (byte-order mark, else the declared encoding, else UTF-8).
// At most the first 1024 bytes of the line; empty when it cannot be read.
std::string sourceLine(const std::string& sysPath, int line);
}  // namespace platform::xmldom
