#include "core/record.h"

#include <algorithm>
#include <cstring>

namespace core {

namespace {
constexpr std::size_t kPaddingOffset = 1629;
}

std::string readSlot(const unsigned char* record, int slot) {
    const Slot& s = kSlots[slot];
    const std::size_t length = std::min<std::size_t>(record[s.offset], s.capacity);
    return std::string(reinterpret_cast<const char*>(record + s.offset + 1), length);
}

void writeSlot(unsigned char* record, int slot, std::string_view text) {
    const Slot& s = kSlots[slot];
    const std::size_t length = std::min(text.size(), s.capacity);
    record[s.offset] = static_cast<unsigned char>(length);
    std::memcpy(record + s.offset + 1, text.data(), length);
    std::memset(record + s.offset + 1 + length, 0, s.capacity - length);
}

std::int32_t readTag(const unsigned char* record) {
    const unsigned char* p = record + kTagOffset;
    const std::uint32_t value = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(value);
}

void writeTag(unsigned char* record, std::int32_t tag) {
    const auto value = static_cast<std::uint32_t>(tag);
    unsigned char* p = record + kTagOffset;
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

Record decodeRecord(const unsigned char* record) {
    Record r;
    for (int i = 0; i < kSlotCount; ++i)
        r.texts[i] = readSlot(record, i);
    r.tag = readTag(record);
    return r;
}

RecordBytes encodeRecord(const Record& record) {
    RecordBytes bytes{}; // padding stays zero
    for (int i = 0; i < kSlotCount; ++i)
        writeSlot(bytes.data(), i, record.texts[i]);
    writeTag(bytes.data(), record.tag);
    return bytes;
}

void normalizeRecord(unsigned char* record) {
    for (int i = 0; i < kSlotCount; ++i) {
        const Slot& s = kSlots[i];
        const std::size_t length = std::min<std::size_t>(record[s.offset], s.capacity);
        record[s.offset] = static_cast<unsigned char>(length);
        std::memset(record + s.offset + 1 + length, 0, s.capacity - length);
    }
    std::memset(record + kPaddingOffset, 0, kTagOffset - kPaddingOffset);
}

namespace {

bool allZero(const unsigned char* bytes, std::size_t n) {
    // Four words at a time and no early way out: a record is mostly empty slot space, and a
    // rewrite tests every record of the file. The last word may overlap the one before.
    std::uint64_t any = 0;
    if (n < 8) {
        for (std::size_t i = 0; i < n; ++i)
            any |= bytes[i];
        return any == 0;
    }
    std::size_t i = 0;
    if (n >= 32) {
        typedef std::uint64_t Lanes __attribute__((vector_size(16)));
        Lanes a{}, b{};
        for (; i + 32 <= n; i += 32) {
            Lanes x, y;
            std::memcpy(&x, bytes + i, 16);
            std::memcpy(&y, bytes + i + 16, 16);
            a |= x;
            b |= y;
        }
        a |= b;
        any = a[0] | a[1];
    }
    std::uint64_t word;
    for (; i + 8 <= n; i += 8) {
        std::memcpy(&word, bytes + i, 8);
        any |= word;
    }
    std::memcpy(&word, bytes + n - 8, 8);
    return (any | word) == 0;
}

} // namespace

bool isNormalRecord(const unsigned char* record) {
    for (int i = 0; i < kSlotCount; ++i) {
        const Slot& s = kSlots[i];
        const std::size_t length = record[s.offset];
        if (length > s.capacity || !allZero(record + s.offset + 1 + length, s.capacity - length))
            return false;
    }
    return allZero(record + kPaddingOffset, kTagOffset - kPaddingOffset);
}

} // namespace core
