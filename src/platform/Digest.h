#pragma once
// The MD5 engine behind TMD5: OpenSSL on POSIX, the system's own elsewhere.
#include <array>
#include <cstddef>

namespace platform {

class Md5 {
 public:
  Md5();
  ~Md5();
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;
  void update(const void* data, std::size_t size);
  // The 16 digest bytes; the object is spent afterwards.
  std::array<unsigned char, 16> finish();

 private:
  void* state_;
};

}  // namespace platform
