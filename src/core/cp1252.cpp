#include "core/cp1252.h"

#include <array>
#include <cstring>
#include <utility>

namespace core {

namespace {

// Bytes 0x80..0x9F; the five the code page leaves undefined keep their own value.
constexpr std::array<char32_t, 32> kHigh{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

} // namespace

char32_t cp1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHigh[byte - 0x80];
    return byte;
}

int unicodeToCp1252(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == codePoint)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

unsigned char upperCp1252(unsigned char byte) {
    if (byte >= 'a' && byte <= 'z')
        return static_cast<unsigned char>(byte - 0x20);
    if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) // ÷ is no letter
        return static_cast<unsigned char>(byte - 0x20);
    switch (byte) {
    case 0xFF: // ÿ -> Ÿ
        return 0x9F;
    case 0x9A: // š -> Š
        return 0x8A;
    case 0x9C: // œ -> Œ
        return 0x8C;
    case 0x9E: // ž -> Ž
        return 0x8E;
    default: // ß and µ have no capital in the code page
        return byte;
    }
}

std::string upperCp1252(std::string text) {
    static const std::array<unsigned char, 256> capitals = [] {
        std::array<unsigned char, 256> table{};
        for (int byte = 0; byte < 256; ++byte)
            table[byte] = upperCp1252(static_cast<unsigned char>(byte));
        return table;
    }();
    for (char& c : text)
        c = static_cast<char>(capitals[static_cast<unsigned char>(c)]);
    return text;
}

} // namespace core

namespace core {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// How many bytes at the start are ASCII, which reads the same in UTF-8 and in the code page.
// Eight at a time.
std::size_t asciiPrefix(std::string_view s) {
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080u)
            break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
        ++i;
    return i;
}

// The code point of the sequence at `i` and its length; length 0 for a malformed sequence.
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80)
        return {b, 1};
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2, c = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, c = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, c = b & 0x07, least = 0x10000;
    } else {
        return {0, 0};
    }
    if (i + length > s.size())
        return {0, 0};
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return {0, 0};
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return {0, 0};
    return {c, length};
}

} // namespace

std::string cp1252ToUtf8(std::string_view text) {
    const std::size_t ascii = asciiPrefix(text);
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    out.append(text.substr(0, ascii));
    for (char c : text.substr(ascii))
        appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string utf8ToCp1252(std::string_view text, std::int64_t& replaced) {
    // Most texts are plain ASCII, which is the same in both.
    std::size_t i = asciiPrefix(text);
    std::string out(text.substr(0, i));
    if (i == text.size())
        return out;
    out.reserve(text.size());
    while (i < text.size()) {
        const auto [c, length] = decodeUtf8(text, i);
        const int byte = length == 0 ? -1 : unicodeToCp1252(c);
        if (byte < 0) {
            out += '?';
            ++replaced;
        } else {
            out += static_cast<char>(byte);
        }
        i += length == 0 ? 1 : length;
    }
    return out;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = asciiPrefix(text); i < text.size();) {
        const std::size_t length = decodeUtf8(text, i).second;
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

} // namespace core
