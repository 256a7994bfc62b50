// Windows-1252, the single-byte character set of every stored text, and its upper-case rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// The Unicode code point of a byte. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the code points of the same value, so all 256 bytes round-trip.
char32_t cp1252ToUnicode(unsigned char byte);

// The byte of a code point, or -1 when Windows-1252 cannot hold it.
int unicodeToCp1252(char32_t codePoint);

// One character in, one out: the capital of a letter when the capital exists in 1252
// ("ÿ" becomes "Ÿ"), the byte itself otherwise ("ß" and "µ" stay).
unsigned char upperCp1252(unsigned char byte);
std::string upperCp1252(std::string text);

// Windows-1252 bytes as UTF-8; every byte has its character, so nothing is lost.
std::string cp1252ToUtf8(std::string_view text);
// UTF-8 as Windows-1252 bytes. A character the code page cannot hold, and a byte that starts no
// valid UTF-8 sequence, become "?"; `replaced` grows by one for each.
std::string utf8ToCp1252(std::string_view text, std::int64_t& replaced);
// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view text);

} // namespace core
