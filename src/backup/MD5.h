#pragma once
// MD5 digests as 32 upper-case hexadecimal digits.
#include <istream>
#include <string>

namespace TMD5 {
// Digest of the stream's bytes from its current position to its end.
std::string MD5TStream(std::istream& stream);
// Digest of the UTF-8 bytes of str.
std::string MD5Str(const std::string& str);
}  // namespace TMD5
