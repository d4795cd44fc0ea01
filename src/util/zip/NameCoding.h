#pragma once
// Entry names: how the writer stores them and how the reader decodes them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zipname {

struct StoredName {
  std::string bytes;
  bool utf8Flag;
};

// The OEM code page when the name goes there and back unchanged
// (ASCII letters may differ in case), else UTF-8 with the flag.
StoredName encode(const std::string& utf8Name);

struct RawName {
  std::string_view bytes;
  std::string_view centralExtra;
  std::uint16_t flags;
  std::uint16_t versionMadeBy;
};
// The entry's name as UTF-8, by the flag, the UTF-8 heuristic, the Unicode
// Path extra field, the UTF-16 name extra field, else the legacy code page.
std::string decode(const RawName& raw);

// The entry's name as a path below the destination folder ("/" separated,
// no empty, "." or ".." parts), or nullopt when the name reaches out of it:
// a drive, a leading separator, a ".." part or a NUL.
std::optional<std::string> confinedPath(const std::string& name);

}  // namespace zipname
