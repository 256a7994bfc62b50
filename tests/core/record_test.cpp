#include "core/record.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace core;

namespace {
std::string run(unsigned char byte, std::size_t n) {
    return std::string(n, char(byte));
}
} // namespace

TEST(Record, EveryByteValueSurvivesEncodeAndDecode) {
    Record r;
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    r.texts[person::Name] = all.substr(0, 255);
    r.texts[person::Notes] = all.substr(1, 255);
    r.texts[person::Email2] = all.substr(56, 200);
    r.texts[person::Phone] = all.substr(156, 100);
    r.tag = -2; // signed, least significant byte first
    const RecordBytes bytes = encodeRecord(r);
    EXPECT_EQ(bytes[1632], 0xFE);
    EXPECT_EQ(bytes[1635], 0xFF);
    EXPECT_EQ(decodeRecord(bytes.data()), r);
}

TEST(Record, LaysOutSlotsTagAndZeroedPadding) {
    Record r;
    r.texts[person::Name] = "ANA";
    r.texts[person::Mobile] = "099";
    r.tag = kTagCompany;
    const RecordBytes b = encodeRecord(r);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 4), "\x03"
                                                                       "ANA");
    EXPECT_EQ(b[357], 3);
    EXPECT_EQ(std::memcmp(b.data() + 358, "099", 3), 0);
    EXPECT_EQ(b[1632], 0xFC);
    EXPECT_EQ(b[1633], 0x03);
    EXPECT_EQ(b[1634], 0);
    EXPECT_EQ(b[1635], 0);
    std::size_t nonZero = 0;
    for (unsigned char c : b)
        nonZero += c != 0;
    EXPECT_EQ(nonZero, 4u + 4u + 2u); // two texts with their lengths, two tag bytes
}

TEST(Record, WriteSlotCutsToCapacityAndZeroesTheRest) {
    RecordBytes b;
    b.fill(0xAA);
    writeSlot(b.data(), person::Notes, run('x', 300));
    EXPECT_EQ(readSlot(b.data(), person::Notes), run('x', 255));
    writeSlot(b.data(), person::Email2, "a@b");
    EXPECT_EQ(b[916], 3);
    for (std::size_t i = 916 + 4; i < 1117; ++i)
        ASSERT_EQ(b[i], 0) << i;
    EXPECT_EQ(b[1117], 0xAA); // the next slot is not touched
    EXPECT_EQ(b[915], 0xAA);
}

TEST(Record, LengthByteAboveCapacityNeverReadsPastTheSlot) {
    RecordBytes b{};
    b[256] = 0xFF; // Phone holds at most 100
    std::memset(b.data() + 257, 'p', 100);
    b[357] = 5;
    EXPECT_EQ(readSlot(b.data(), person::Phone), run('p', 100));
    b[1373] = 0xFF; // Notes holds 255: the whole slot, up to the padding
    EXPECT_EQ(readSlot(b.data(), person::Notes).size(), 255u);
}

TEST(Record, NormalizeKeepsTextsAndTagAndZeroesMeaninglessBytes) {
    RecordBytes b;
    b.fill(0xEE);
    b[0] = 3;
    std::memcpy(b.data() + 1, "ANA", 3);
    b[256] = 200; // above capacity: clamped to 100
    writeTag(b.data(), 1020);
    const Record before = decodeRecord(b.data());
    normalizeRecord(b.data());
    EXPECT_EQ(decodeRecord(b.data()), before);
    EXPECT_EQ(b[256], 100);
    EXPECT_EQ(b[4], 0);
    EXPECT_EQ(b[1629], 0);
    EXPECT_EQ(b[1631], 0);
}

// The rewrite carries a record over as it is only when the test says normalizing would change
// nothing: one stray byte anywhere, with texts of every length class, must be seen.
TEST(Record, TheNormalTestSeesAStrayByteAnywhere) {
    for (std::size_t length : {0u, 1u, 7u, 8u, 31u, 32u, 33u, 99u, 100u}) {
        Record r;
        for (std::string& text : r.texts)
            text = std::string(length, 'x');
        r.texts[0] += std::string(length, 'y'); // the name's slot holds 255
        r.tag = kTagPerson;
        const RecordBytes clean = encodeRecord(r);
        ASSERT_TRUE(isNormalRecord(clean.data()));
        for (std::size_t at = 0; at < kRecordSize; ++at) {
            RecordBytes b = clean;
            b[at] ^= 0x40;
            RecordBytes normal = b;
            normalizeRecord(normal.data());
            ASSERT_EQ(isNormalRecord(b.data()), normal == b)
                << "length " << length << ", byte " << at;
        }
    }
}
