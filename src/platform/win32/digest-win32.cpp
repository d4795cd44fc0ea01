// MD5 through the system's cryptography (CNG).
#include <windows.h>

#include <bcrypt.h>

#include "base/OvexError.h"
#include "platform/Digest.h"

namespace platform {
namespace {

struct Md5State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
};

bool ok(NTSTATUS status) { return status >= 0; }

}  // namespace

Md5::Md5() : state_(nullptr) {
  auto* s = new Md5State;
  if (!ok(BCryptOpenAlgorithmProvider(&s->algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0)) ||
      !ok(BCryptCreateHash(s->algorithm, &s->hash, nullptr, 0, nullptr, 0, 0))) {
    if (s->algorithm) BCryptCloseAlgorithmProvider(s->algorithm, 0);
    delete s;
    throw OvexError("MD5 is not available");
  }
  state_ = s;
}

Md5::~Md5() {
  auto* s = static_cast<Md5State*>(state_);
  if (s->hash) BCryptDestroyHash(s->hash);
  BCryptCloseAlgorithmProvider(s->algorithm, 0);
  delete s;
}

void Md5::update(const void* data, std::size_t size) {
  auto* s = static_cast<Md5State*>(state_);
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ULONG chunk = static_cast<ULONG>(size > (1u << 30) ? (1u << 30) : size);
    BCryptHashData(s->hash, const_cast<PUCHAR>(bytes), chunk, 0);
    bytes += chunk;
    size -= chunk;
  }
}

std::array<unsigned char, 16> Md5::finish() {
  auto* s = static_cast<Md5State*>(state_);
  std::array<unsigned char, 16> digest{};
  BCryptFinishHash(s->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
  return digest;
}

}  // namespace platform
