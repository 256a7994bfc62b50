#include "core/cp1252.h"

#include <array>

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
    for (char& c : text)
        c = static_cast<char>(upperCp1252(static_cast<unsigned char>(c)));
    return text;
}

} // namespace core
