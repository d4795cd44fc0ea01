#pragma once
// UTF-8 <-> UTF-16 for the rules that count UTF-16 code units.
#include <string>
#include <string_view>

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);
// True when the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);
