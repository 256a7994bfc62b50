#include "core/ioerror.h"
#include "core/search.h"

#include "records.h"
#include "support/plainmatch.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace core;
using namespace testsupport;

TEST(Search, MatcherReadsTheHaystackOnceWordByWord) {
    struct Case {
        const char* needle;
        const char* haystack;
        bool match;
    } cases[] = {
        {"AB", "AAB", false}, // the second A is not tried again as the word's start
        {"AB", "ACAB", true},
        {"JUAN PEREZ", "JUAN PEREZ", true},
        {"JUAN PEREZ", "JUAN CARLOS PEREZ", true},
        {"JUAN PEREZ", "JUANXPEREZ", true}, // the space takes up any one character
        {"JUAN PEREZ", "PEREZ JUAN", false},
        {"JUAN ", "JUAN PEREZ", true},
        {"JUAN ", "JUAN", false},
        {"ANA", "MARIANA", true},
        {"ANA", "ANA", true},
        {"ANA", "ana", false},
        {"ANA", "", false},
        // Every character of a word is compared, capitals and small letters apart.
        {"ANA", "ANX", false},
        {"ANA", "AXA", false},
        {"ANA", "ANa", false},
        {"JUAN PEREZ", "JUAN PEREX", false},
        {"JUAN PEREZ", "JUAN PxREZ", false},
        {"PEREZ", "PEREZ", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(palabra(c.needle, c.haystack), c.match) << c.needle << " in " << c.haystack;

    EXPECT_TRUE(busca("ANA", "", "MARIANA", "123"));
    EXPECT_TRUE(busca("", "23", "MARIANA", "123"));
    EXPECT_FALSE(busca("ANA", "9", "MARIANA", "123")); // both filled: both must match
    EXPECT_FALSE(busca("", "9", "MARIANA", "123"));    // box 2 alone must match too
    EXPECT_FALSE(busca("", "", "MARIANA", "123"));
}

// The matcher skips ahead with memchr at each word's beginning; it must agree with the
// character-by-character reading on every pair of texts, blanks and repeats included.
TEST(Search, MatcherAgreesWithReadingEveryCharacter) {
    std::uint32_t seed = 12345;
    const auto text = [&](std::size_t most) {
        seed = seed * 1664525u + 1013904223u;
        std::string t((seed >> 8 & 0xFFFF) % (most + 1), ' ');
        for (char& c : t) {
            seed = seed * 1664525u + 1013904223u;
            c = "AB \0"[seed >> 16 & 3];
        }
        return t;
    };
    for (int k = 0; k < 50000; ++k) {
        const std::string needle = text(5), haystack = text(12);
        ASSERT_EQ(palabra(needle, haystack), readEveryCharacter(needle, haystack))
            << '"' << needle << "\" in \"" << haystack << '"';
    }
}

TEST(Search, SecondTextJoinsPhonesAndCapitalisesOnlyPlainLettersOfTheWebSite) {
    Record p = personRecord("P", "45");
    p.texts[person::Mobile] = "123";
    p.texts[person::OtherPhone] = "9";
    EXPECT_EQ(secondText(p, true), "451239");
    EXPECT_TRUE(palabra("512", secondText(p, true)));
    p.texts[person::Phone] = "555";
    p.texts[person::Mobile] = "1";
    EXPECT_FALSE(palabra("551", secondText(p, true)));

    Record c = companyRecord("C", "ferreter\xed"
                                  "a");
    c.texts[company::WebSite] = "www.pe\xf1\xf3n.example";
    const std::string second = secondText(c, false);
    EXPECT_EQ(second, "ferreter\xed"
                      "aWWW.PE\xf1\xf3N.EXAMPLE");
    EXPECT_TRUE(palabra("WWW", second));
    EXPECT_FALSE(palabra("PE\xd1", second)); // a capital accented letter is not its small one

    // Every letter a to z of the web site becomes its capital; every other byte, the small
    // accented letters of the code page included, stays as it is.
    std::string site;
    for (int b = 1; b < 256; ++b)
        site += static_cast<char>(b);
    c.texts[company::WebSite] = site;
    std::string expected = c.texts[company::Business];
    for (int b = 1; b < 256; ++b)
        expected += static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
    EXPECT_EQ(secondText(c, false), expected);
    EXPECT_TRUE(palabra("ABCDEFGHIJKLMNOPQRSTUVWXYZ", secondText(c, false)));
    c.texts[company::WebSite] = "www.pe\xf1\xf3n.example";

    // The raw-record form used by the scan gives the same texts.
    std::string fromBytes;
    secondText(encodeRecord(c).data(), false, fromBytes);
    EXPECT_EQ(fromBytes, second);
}

TEST(Search, ScanCrossesBlocksAndKeepsTheLastTestWhenAReadFails) {
    TempDir dir;
    const auto file = dir / "p.dat";
    // Three blocks of reading: the matches lie in the second and the third.
    std::vector<Record> records(1300, personRecord("NADIE", "000"));
    records[700] = personRecord("JUAN PEREZ", "777");
    records[1299] = personRecord("JUAN PEREZ", "888");
    writeBytes(file, bytesOf(records));
    fileio::File f = fileio::openReadWrite(file);

    bool last = false;
    std::int64_t count = 0;
    EXPECT_EQ(findRecord(f, 0, true, "JUAN", "", last, &count), 700);
    EXPECT_TRUE(last);
    EXPECT_EQ(count, 1300);
    EXPECT_EQ(findRecord(f, 701, true, "JUAN", "88", last), 1299);
    EXPECT_EQ(findRecord(f, 700, true, "JUAN", "88", last), 1299); // record 700 skipped: 777
    EXPECT_EQ(findRecord(f, 1300, true, "JUAN", "", last), -1);
    EXPECT_TRUE(last); // nothing tested after the end
    EXPECT_EQ(findRecord(f, 0, true, "ZZZ", "", last), -1);
    EXPECT_FALSE(last);

    // The first block is tested, the second read fails: the last test's outcome stays.
    last = true;
    fileio::setFaults({3, EIO, -1}); // size, first block, second block
    EXPECT_THROW(findRecord(f, 0, true, "ZZZ", "", last), IoError);
    fileio::clearFaults();
    EXPECT_FALSE(last);
}
