// MD5 digests as upper-case hexadecimal text.
#include "backup/MD5.h"

#include <vector>

#include "base/OvexError.h"
#include "platform/Digest.h"

namespace TMD5 {
namespace {

constexpr std::streamsize kBlockSize = 64 * 1024;

std::string toHex(const std::array<unsigned char, 16>& digest) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char b : digest) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

// Bytes from the current position to the end; -1 when the stream cannot tell.
std::streamoff remainingBytes(std::istream& stream) {
  const std::streampos here = stream.tellg();
  if (here == std::streampos(-1)) return -1;
  stream.seekg(0, std::ios::end);
  const std::streampos end = stream.tellg();
  stream.seekg(here);
  if (end == std::streampos(-1) || !stream) return -1;
  return end - here;
}

}  // namespace

std::string MD5TStream(std::istream& stream) {
  platform::Md5 md5;
  std::vector<char> block(kBlockSize);
  if (stream.rdstate() == std::ios::eofbit) stream.clear();  // already at its end
  std::streamoff left = remainingBytes(stream);
  if (left < 0) throw OvexError("Stream read error");
  while (left > 0) {
    const std::streamsize want = left < kBlockSize ? left : kBlockSize;
    stream.read(block.data(), want);
    if (stream.gcount() != want) throw OvexError("Stream read error");
    md5.update(block.data(), static_cast<size_t>(want));
    left -= want;
  }
  return toHex(md5.finish());
}

std::string MD5Str(const std::string& str) {
  platform::Md5 md5;
  md5.update(str.data(), str.size());
  return toHex(md5.finish());
}

}  // namespace TMD5
