#pragma once
// The ANSI and OEM code pages and the locale's comparison of names.
#include <string>
#include <string_view>

namespace platform {

// The ANSI and OEM code pages (CP936 on the machines served).
std::string ansiToUtf8(std::string_view bytes);
// Characters the code page cannot hold become "?"; *lossless tells whether any did.
std::string utf8ToAnsi(std::string_view text, bool* lossless = nullptr);
std::string oemToUtf8(std::string_view bytes);
std::string utf8ToOem(std::string_view text, bool* lossless = nullptr);

// Case-insensitive comparison in the user's locale, word-sort form
// (hyphen and apostrophe count only when the names are otherwise equal).
int compareLocaleNoCase(const std::string& a, const std::string& b);

}  // namespace platform
