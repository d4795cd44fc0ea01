#include "util/zip/NameCoding.h"

#include <zlib.h>

#include "base/TextCodec.h"
#include "platform/CodePages.h"
#include "util/AsciiCase.h"
#include "util/zip/ZipFormat.h"

namespace zipname {
namespace {

bool hasNonAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return true;
  return false;
}

std::optional<std::string> unicodePathField(std::string_view data, std::string_view rawName) {
  if (data.size() < 5 || data[0] != 1) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  const std::uint32_t want = zipfmt::get32(p + 1);
  const auto* nameBytes = reinterpret_cast<const Bytef*>(rawName.data());
  const uLong have = crc32_z(crc32_z(0, nullptr, 0), nameBytes, rawName.size());
  if (have != want) return std::nullopt;
  return std::string(data.substr(5));
}

std::optional<std::string> utf16NameField(std::string_view data) {
  if (data.size() < 8 || data.substr(0, 4) != "NUCX") return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t chars = zipfmt::get16(p + 4);
  if (data.size() != 8 + 2 * chars) return std::nullopt;
  std::u16string name;
  for (std::size_t i = 0; i < chars; ++i) name.push_back(static_cast<char16_t>(zipfmt::get16(p + 8 + 2 * i)));
  return utf16ToUtf8(name);
}

// Calls visit(id, data) for each well-formed field of an extra block.
template <typename Visit>
void forEachField(std::string_view extra, Visit visit) {
  std::size_t pos = 0;
  while (pos + 4 <= extra.size()) {
    const auto* p = reinterpret_cast<const unsigned char*>(extra.data() + pos);
    const std::uint16_t id = zipfmt::get16(p);
    const std::size_t size = zipfmt::get16(p + 2);
    if (pos + 4 + size > extra.size()) return;
    if (visit(id, extra.substr(pos + 4, size))) return;
    pos += 4 + size;
  }
}

}  // namespace

StoredName encode(const std::string& utf8Name) {
  if (!hasNonAscii(utf8Name)) return {utf8Name, false};
  bool lossless = false;
  std::string oem = platform::utf8ToOem(utf8Name, &lossless);
  if (lossless && foldAscii(platform::oemToUtf8(oem)) == foldAscii(utf8Name)) return {oem, false};
  return {utf8Name, true};
}

std::string decode(const RawName& raw) {
  if ((raw.flags & zipfmt::kFlagUtf8) != 0) return std::string(raw.bytes);
  if (hasNonAscii(raw.bytes) && isValidUtf8(raw.bytes)) return std::string(raw.bytes);
  std::optional<std::string> found;
  forEachField(raw.centralExtra, [&](std::uint16_t id, std::string_view data) {
    if (id == zipfmt::kExtraUnicodePath) found = unicodePathField(data, raw.bytes);
    return found.has_value();
  });
  if (!found)
    forEachField(raw.centralExtra, [&](std::uint16_t id, std::string_view data) {
      if (id == zipfmt::kExtraUtf16Name) found = utf16NameField(data);
      return found.has_value();
    });
  if (found) return *found;
  // ANSI and OEM are the same page here, so the host that made the
  // archive does not change the choice.
  return platform::oemToUtf8(raw.bytes);
}

std::optional<std::string> confinedPath(const std::string& name) {
  if (name.empty() || name.find('\0') != std::string::npos) return std::nullopt;
  if (name[0] == '/' || name[0] == '\\') return std::nullopt;
  if (name.size() >= 2 && name[1] == ':') return std::nullopt;
  std::string out;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") {
      if (!out.empty()) out += '/';
      out += part;
    }
    start = end + 1;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

}  // namespace zipname
