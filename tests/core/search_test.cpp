#include "core/ioerror.h"
#include "core/search.h"

#include "records.h"
#include "support/plainmatch.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

using namespace core;
using namespace testsupport;

namespace {

// The modification time the file system would give a write at `ns`.
void setModified(const std::filesystem::path& file, std::int64_t ns) {
    const timespec times[2] = {{0, UTIME_OMIT}, {ns / 1000000000, ns % 1000000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

// Written an hour ago, long before any clock tick of the test, and a moment after the last
// file the test wrote.
void setWrittenLongAgo(const std::filesystem::path& file) {
    static std::int64_t later = 0;
    setModified(file, (static_cast<std::int64_t>(std::time(nullptr)) - 3600) * 1000000000 + 1234 +
                          ++later);
}

// The records as a data file written an hour ago, which the searches' memory trusts.
void writeLongAgo(const std::filesystem::path& file, const std::vector<Record>& records) {
    writeBytes(file, bytesOf(records));
    setWrittenLongAgo(file);
}

// The calls of the file layer that `work` makes.
template <typename Work> long callsOf(Work&& work) {
    fileio::clearFaults();
    work();
    return fileio::callCount();
}

std::int64_t fixedNow;

} // namespace

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

// What the reading ahead notes of a record: in one reading, every character that the needle
// with that character more matches, blanks, repeats and a needle ending in a blank included.
TEST(Search, TheCharactersThatCanComeNextAreThoseOfAMatchWithOneMore) {
    std::uint32_t seed = 777;
    const auto text = [&](std::size_t most) {
        seed = seed * 1664525u + 1013904223u;
        std::string t((seed >> 8 & 0xFFFF) % (most + 1), ' ');
        for (char& c : t) {
            seed = seed * 1664525u + 1013904223u;
            c = "ABC \0\xD1"[(seed >> 16) % 6];
        }
        return t;
    };
    int some = 0;
    for (int k = 0; k < 20000; ++k) {
        const std::string needle = text(4), haystack = text(14);
        CharacterSet next = {};
        nextCharacters(needle, haystack, next);
        for (int c = 0; c < 256; ++c) {
            const bool noted = next[c >> 6] >> (c & 63) & 1;
            ASSERT_EQ(noted, palabra(needle + static_cast<char>(c), haystack))
                << '"' << needle << "\" + " << c << " in \"" << haystack << '"';
            some += noted;
        }
    }
    EXPECT_GT(some, 20000);
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

// Typing, deleting, pasting and editing in the middle of both boxes, now and then in the other
// view, with the memory reading ahead between keys: for every pair of texts on the way the
// memory answers what a search from the first record answers, across blocks of reading.
TEST(Search, MemoryAnswersAsAFreshSearchWhileTyping) {
    std::uint32_t seed = 4242;
    const auto next = [&](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    const auto text = [&](const char* alphabet, std::uint32_t most) {
        std::string t(next(most + 1), ' ');
        for (char& c : t)
            c = alphabet[next(static_cast<std::uint32_t>(std::strlen(alphabet)))];
        return t;
    };
    std::vector<Record> records;
    for (int k = 0; k < 1500; ++k) {
        Record r = personRecord(text("ABCDN ", 14), text("125 ", 6));
        r.texts[person::Mobile] = text("15", 4);
        records.push_back(r);
    }
    TempDir dir;
    const auto file = dir / "p.dat";
    writeLongAgo(file, records);
    fileio::File f = fileio::openReadWrite(file);

    SearchMemory memory;
    std::string boxes[2];
    int found[3] = {};
    for (int step = 0; step < 2000; ++step) {
        std::string& box = boxes[next(3) == 0];
        const char* alphabet = &box == &boxes[0] ? "ABCDN " : "125 ";
        const auto length = static_cast<std::uint32_t>(box.size());
        const auto key = [&] {
            return alphabet[next(static_cast<std::uint32_t>(std::strlen(alphabet)))];
        };
        if (length > 1 + next(6)) { // back again, mostly by a key, now and then all at once
            if (next(8) == 0)
                box.clear();
            else
                box.pop_back();
        } else if (next(4) == 0) {
            box += text(alphabet, 4); // a paste
        } else if (next(4) == 0) {
            box.insert(next(length + 1), 1, key()); // in the middle
        } else {
            box += key();
        }
        const bool persons = next(40) != 0;
        // Between keys the window reads on: now a little, now to the end, now not at all.
        for (std::uint32_t k = next(3); k > 0; --k)
            memory.lookAhead(f, next(4) == 0 ? 1500 : next(700));
        bool freshLast = false, memoryLast = false;
        std::int64_t freshCount = -1, memoryCount = -1;
        const std::int64_t fresh =
            findRecord(f, 0, persons, boxes[0], boxes[1], freshLast, &freshCount);
        ASSERT_EQ(memory.findFirst(f, persons, boxes[0], boxes[1], memoryLast, &memoryCount), fresh)
            << "step " << step << ": \"" << boxes[0] << "\", \"" << boxes[1] << '"';
        EXPECT_EQ(memoryLast, freshLast);
        EXPECT_EQ(memoryCount, freshCount);
        ++found[fresh < 0 ? 0 : fresh < 641 ? 1 : 2];
    }
    // Misses, matches in the first block of reading and beyond it were all met.
    EXPECT_GT(std::min({found[0], found[1], found[2]}), 100)
        << found[0] << ", " << found[1] << ", " << found[2];
}

TEST(Search, MemoryReadsOnlyWhatEarlierSearchesLeftOpenOfAnUnchangedFile) {
    TempDir dir;
    const auto file = dir / "p.dat";
    std::vector<Record> records(1300, personRecord("NADIE", "000"));
    records[700] = personRecord("JUAN PEREZ", "777");
    records[1299] = personRecord("JUAN PEREZ", "888");
    writeLongAgo(file, records);
    fileio::File f = fileio::openReadWrite(file);
    SearchMemory memory;
    bool last = false;
    const auto reads = [&](const char* box1, const char* box2, std::int64_t expected) {
        return callsOf([&] {
            EXPECT_EQ(memory.findFirst(f, true, box1, box2, last), expected)
                << box1 << ", " << box2;
        });
    };
    EXPECT_EQ(reads("JUAN", "", 700), 2);   // two blocks
    EXPECT_EQ(reads("JUAN P", "", 700), 1); // from record 700 on
    EXPECT_EQ(reads("JUAN PX", "", -1), 1);
    EXPECT_EQ(reads("JUAN PXY", "", -1), 0); // nothing found for less
    EXPECT_EQ(reads("JUAN P", "", 700), 0);  // deleting back to a text met before
    EXPECT_EQ(reads("JUAN", "8", 1299), 1);
    EXPECT_EQ(reads("JUA", "8", 1299), 3); // up to record 1299, where "JUAN", "8" matched
    EXPECT_EQ(reads("", "", -1), 4);       // both empty: size and every block, as ever

    // The same file changed in place, at the same size: a write after the memory's status
    // gives it another modification time.
    records[700] = personRecord("NADIE", "000");
    records[5] = personRecord("JUAN PEREZ", "555");
    writeLongAgo(file, records);
    EXPECT_EQ(reads("JUAN P", "", 5), 1);
    EXPECT_EQ(reads("JUAN PXY", "", -1), 3);

    // A file whose last write the clock has not yet passed is not trusted: a write within the
    // same tick could leave its modification time as it was.
    fixedNow = f.identity().modifiedNs;
    SearchMemory::setClock([] { return fixedNow; });
    EXPECT_EQ(reads("JUAN", "", 5), 2); // size and a block
    records[2] = personRecord("JUAN PEREZ", "222");
    writeBytes(file, bytesOf(records));
    setModified(file, fixedNow);
    EXPECT_EQ(reads("JUAN P", "", 2), 2);
    SearchMemory::setClock(nullptr);
}

TEST(Search, ReadingAheadBetweenKeysLeavesTheNextKeysNothingToRead) {
    TempDir dir;
    const auto file = dir / "p.dat";
    std::vector<Record> records(3000, personRecord("NADIE", "000"));
    records[10] = personRecord("JUAN PEREZ", "777");
    records[1500] = personRecord("JUAN PERALTA", "888");
    records[2999] = personRecord("JUANA PERALTA", "999");
    writeLongAgo(file, records);
    fileio::File f = fileio::openReadWrite(file);
    SearchMemory memory;
    bool last = false;
    const auto reads = [&](const char* box1, const char* box2, std::int64_t expected) {
        return callsOf([&] {
            EXPECT_EQ(memory.findFirst(f, true, box1, box2, last), expected)
                << box1 << ", " << box2;
            EXPECT_EQ(last, expected >= 0);
        });
    };
    const auto ahead = [&](std::int64_t records, long blocks) {
        bool more = false;
        EXPECT_EQ(callsOf([&] { more = memory.lookAhead(f, records); }), blocks) << records;
        return more;
    };
    EXPECT_EQ(reads("JUAN", "", 10), 1);
    EXPECT_TRUE(ahead(1000, 2)); // records 10 to 1009
    EXPECT_EQ(reads("JUAN P", "", 10), 0);
    EXPECT_TRUE(ahead(1000, 2));
    EXPECT_FALSE(ahead(1000, 2)); // to the end of the file
    EXPECT_FALSE(ahead(1000, 0));
    EXPECT_EQ(reads("JUAN PER", "", 10), 0);
    EXPECT_EQ(reads("JUAN PERA", "", 1500), 0);
    EXPECT_EQ(reads("JUAN PERAL", "", 1500), 0);
    EXPECT_EQ(reads("JUAN PERALX", "", -1), 0);   // a miss known from the list alone
    EXPECT_EQ(reads("JUAN PERAL", "8", 1500), 1); // no second texts listed: read from 1500 on
    EXPECT_FALSE(ahead(2000, 3));                 // the list of "JUAN PERAL", "8" is done
    EXPECT_EQ(reads("JUAN PERAL", "88", 1500), 0);
    EXPECT_EQ(reads("JUANA", "", 2999), 5); // not begun by the listed texts: from the start
    EXPECT_FALSE(ahead(1000, 1));           // the last record
    EXPECT_EQ(reads("JUANA P", "", 2999), 0);

    // A file changed since is not read ahead: the list goes with all that was learned.
    EXPECT_EQ(reads("JUAN", "", 10), 0);
    records[5] = personRecord("JUAN PEREZ", "555");
    writeLongAgo(file, records);
    EXPECT_FALSE(ahead(1000, 0));
    EXPECT_EQ(reads("JUAN P", "", 5), 1);
}

// The list holds at most a megabyte; the reading goes on to the end of the file for the keys
// that add one character. Past the list's end another key reads on from where the list ends;
// narrowed to the fewer matches of a longer text, the list grows again.
TEST(Search, AFullListOfMatchesStillGivesAFreshSearchsAnswers) {
    TempDir dir;
    const auto file = dir / "p.dat";
    std::vector<Record> records;
    for (int k = 0; k < 6000; ++k) // 250-character names: about 4,000 fill the list
        records.push_back(personRecord(
            "A" + std::to_string(k % 10) + std::string(248, k % 7 == 6 ? 'C' : 'B'), "1"));
    records[4400] = personRecord("A" + std::string(248, 'E') + "Z", "2");
    writeLongAgo(file, records);
    fileio::File f = fileio::openReadWrite(file);
    SearchMemory memory;
    bool last = false, freshLast = false;
    const auto reads = [&](const std::string& box1, std::int64_t expected) {
        EXPECT_EQ(findRecord(f, 0, true, box1, "", freshLast), expected) << box1;
        return callsOf([&] {
            EXPECT_EQ(memory.findFirst(f, true, box1, "", last), expected) << box1;
            EXPECT_EQ(last, freshLast);
        });
    };
    const auto toTheEnd = [&] {
        return callsOf([&] {
            while (memory.lookAhead(f, 641)) {
            }
        });
    };
    EXPECT_EQ(reads("A", 0), 1);
    EXPECT_EQ(toTheEnd(), 10);            // on past the full list: 6,000 records are ten blocks
    const long rest = reads("AEE", 4400); // past the list's end, before the block it ended in
    EXPECT_GT(rest, 0);
    EXPECT_LE(rest, 2); // from the list's end on, past record 3,000
    EXPECT_EQ(reads("A", 0), 0);
    EXPECT_EQ(toTheEnd(), 10);
    EXPECT_EQ(reads("AE", 4400), 0); // one character more: its first match was noted
    EXPECT_EQ(reads("A", 0), 0);
    EXPECT_EQ(toTheEnd(), 10);
    EXPECT_EQ(reads("AX", -1), 0);
    EXPECT_EQ(reads("A9", 9), 1);
    EXPECT_EQ(toTheEnd(), 10);
    EXPECT_EQ(reads("A9C", 69), 0);
    EXPECT_EQ(reads("A9CC", 69), 0);
    EXPECT_EQ(reads("A9CCX", -1), 0);
}
