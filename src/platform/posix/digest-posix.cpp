// MD5 through OpenSSL's EVP interface.
#include <openssl/evp.h>

#include <new>

#include "platform/Digest.h"

namespace platform {
namespace {

EVP_MD_CTX* ctx(void* state) { return static_cast<EVP_MD_CTX*>(state); }

}  // namespace

Md5::Md5() : state_(EVP_MD_CTX_new()) {
  if (!state_ || EVP_DigestInit_ex(ctx(state_), EVP_md5(), nullptr) != 1) {
    EVP_MD_CTX_free(ctx(state_));
    throw std::bad_alloc();
  }
}

Md5::~Md5() { EVP_MD_CTX_free(ctx(state_)); }

void Md5::update(const void* data, std::size_t size) { EVP_DigestUpdate(ctx(state_), data, size); }

std::array<unsigned char, 16> Md5::finish() {
  std::array<unsigned char, 16> digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(ctx(state_), digest.data(), &length);
  return digest;
}

}  // namespace platform
