#pragma once
// Comparing names with only the ASCII letters folded: every other
// character, Chinese ones included, must match exactly.
#include <string>
#include <string_view>

inline std::string foldAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

inline bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && foldAscii(a) == foldAscii(b);
}
