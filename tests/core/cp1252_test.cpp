#include "core/cp1252.h"

#include <gtest/gtest.h>

using namespace core;

TEST(Cp1252, EveryByteRoundTripsThroughUnicode) {
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(unicodeToCp1252(cp1252ToUnicode(static_cast<unsigned char>(b))), b) << b;
}

TEST(Cp1252, MapsTheHighRangeAndRefusesWhatItCannotHold) {
    EXPECT_EQ(cp1252ToUnicode(0x80), U'€');
    EXPECT_EQ(cp1252ToUnicode(0x9F), U'Ÿ');
    EXPECT_EQ(cp1252ToUnicode(0xD1), U'Ñ');
    for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(cp1252ToUnicode(undefined), char32_t(undefined));
    EXPECT_EQ(unicodeToCp1252(U'–'), 0x96);
    EXPECT_EQ(unicodeToCp1252(0x80), -1); // the byte 0x80 is the euro sign
    EXPECT_EQ(unicodeToCp1252(U'Ā'), -1);
    EXPECT_EQ(unicodeToCp1252(U'😀'), -1);

    // Overlong forms of ASCII (")" and "@" in two bytes) are no UTF-8: each byte is replaced.
    std::int64_t replaced = 0;
    EXPECT_EQ(utf8ToCp1252("a\xC0\xA9\xC1\x80"
                           "b\xC3\xB1",
                           replaced),
              "a????b\xF1");
    EXPECT_EQ(replaced, 4);
    EXPECT_FALSE(isValidUtf8("\xC0\xA9"));
    EXPECT_TRUE(isValidUtf8("\xC2\xA9"));
}

TEST(Cp1252, UpperCasesOneCharacterIntoOne) {
    // "ñandú çà ÿ šœž" in 1252
    EXPECT_EQ(upperCp1252(std::string("\xF1"
                                      "and\xFA \xE7\xE0 \xFF \x9A\x9C\x9E")),
              std::string("\xD1"
                          "AND\xDA \xC7\xC0 \x9F \x8A\x8C\x8E"));
    // ß, µ, ÷ and everything that is no small letter stay.
    EXPECT_EQ(upperCp1252(std::string("\xDF\xB5\xF7 123 ABC \xD1")),
              std::string("\xDF\xB5\xF7 123 ABC \xD1"));
}

TEST(Cp1252, UpperCasingIsStableAndChangesOnlySmallLetters) {
    for (int b = 0; b < 256; ++b) {
        const unsigned char up = upperCp1252(static_cast<unsigned char>(b));
        EXPECT_EQ(upperCp1252(up), up) << b;
        if (up != b) { // a change always lands on a different character
            EXPECT_NE(cp1252ToUnicode(up), cp1252ToUnicode(static_cast<unsigned char>(b)));
        }
    }
    EXPECT_EQ(upperCp1252(0xFF), 0x9F);
    EXPECT_EQ(upperCp1252(0xFE), 0xDE);
}
