#pragma once
// Record signatures, field sizes and little-endian helpers of the Zip format.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zipfmt {

constexpr std::uint32_t kLocalSig = 0x04034b50;
constexpr std::uint32_t kCentralSig = 0x02014b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint32_t kZip64EndSig = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::uint32_t kDescriptorSig = 0x08074b50;

constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;

constexpr std::uint16_t kExtraZip64 = 0x0001;
constexpr std::uint16_t kExtraUnicodePath = 0x7075;
constexpr std::uint16_t kExtraUtf16Name = 0x554E;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDescriptor = 0x0008;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8 = 0x0800;

constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint16_t kMethodBzip2 = 12;
constexpr std::uint16_t kMethodLzma = 14;

constexpr std::uint16_t kVersionDefault = 20;
constexpr std::uint16_t kVersionZip64 = 45;
// Made by: MS-DOS/FAT host (high byte 0), format version 4.5.
constexpr std::uint16_t kVersionMadeBy = 45;

constexpr std::uint32_t kMax32 = 0xFFFFFFFFu;
constexpr std::uint16_t kMax16 = 0xFFFF;

inline std::uint16_t get16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(get16(p)) | (static_cast<std::uint32_t>(get16(p + 2)) << 16);
}
inline std::uint64_t get64(const unsigned char* p) {
  return static_cast<std::uint64_t>(get32(p)) | (static_cast<std::uint64_t>(get32(p + 4)) << 32);
}

inline void put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
inline void put32(std::string& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  put16(out, static_cast<std::uint16_t>(v >> 16));
}
inline void put64(std::string& out, std::uint64_t v) {
  put32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
  put32(out, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace zipfmt
