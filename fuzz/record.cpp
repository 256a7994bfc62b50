// The record codec and the type recognition of a data file, fed arbitrary bytes.
//
// Decoding and encoding again keeps every byte that carries meaning: each slot's length byte
// (clamped to the slot's capacity), the text bytes within that length and the four tag bytes.
// The bytes a writer never stores (text past the length, the padding before the tag) come back
// as zeros, so a record already stored that way comes back byte for byte, and a second round
// changes nothing.
#include "fuzzcheck.h"

#include "core/datafile.h"
#include "core/record.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

void checkRoundTrip(const unsigned char* raw) {
    const core::Record record = core::decodeRecord(raw);
    const core::RecordBytes encoded = core::encodeRecord(record);
    std::size_t slotsEnd = 0;
    for (int i = 0; i < core::kSlotCount; ++i) {
        const core::Slot& s = core::kSlots[i];
        const std::size_t length = std::min<std::size_t>(raw[s.offset], s.capacity);
        FUZZ_CHECK(record.texts[i].size() == length);
        FUZZ_CHECK(encoded[s.offset] == length);
        FUZZ_CHECK(std::memcmp(&encoded[s.offset + 1], raw + s.offset + 1, length) == 0);
        FUZZ_CHECK(std::all_of(encoded.begin() + s.offset + 1 + length,
                               encoded.begin() + s.offset + 1 + s.capacity,
                               [](unsigned char b) { return b == 0; }));
        slotsEnd = s.offset + 1 + s.capacity;
    }
    FUZZ_CHECK(std::all_of(encoded.begin() + slotsEnd, encoded.begin() + core::kTagOffset,
                           [](unsigned char b) { return b == 0; }));
    FUZZ_CHECK(std::memcmp(&encoded[core::kTagOffset], raw + core::kTagOffset, 4) == 0);
    FUZZ_CHECK(core::decodeRecord(encoded.data()) == record);
    FUZZ_CHECK(core::encodeRecord(core::decodeRecord(encoded.data())) == encoded);

    core::RecordBytes normalized;
    std::memcpy(normalized.data(), raw, normalized.size());
    core::normalizeRecord(normalized.data());
    FUZZ_CHECK(normalized == encoded);
}

// The whole input as a data file: the kind follows record 0's tag, an empty file serves as
// either kind, a file that is not a whole number of records as neither, and every whole record
// reads as the bytes at its place decode.
void checkDataFile(const std::uint8_t* data, std::size_t size) {
    const auto file = fuzz::writeScratch("datos.dat", data, size);
    const bool persons = core::esdepersonas(file);
    const bool companies = core::esdeempresas(file);
    if (size == 0) {
        FUZZ_CHECK(persons && companies);
    } else if (size % core::kRecordSize != 0) {
        FUZZ_CHECK(!persons && !companies);
    } else {
        const std::int32_t tag = core::readTag(data);
        FUZZ_CHECK(persons == (tag == core::kTagPerson));
        FUZZ_CHECK(companies == (tag == core::kTagCompany));
    }
    const std::int64_t count = core::recordCount(file);
    FUZZ_CHECK(count == static_cast<std::int64_t>(size / core::kRecordSize));
    if (count > 0) {
        const std::int64_t last = count - 1;
        FUZZ_CHECK(core::readRecord(file, last) ==
                   core::decodeRecord(data + static_cast<std::size_t>(last) * core::kRecordSize));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A record of exactly its size, so that a read past its end is caught.
    for (std::size_t at = 0; at + core::kRecordSize <= size; at += core::kRecordSize) {
        std::unique_ptr<unsigned char[]> raw(new unsigned char[core::kRecordSize]);
        std::memcpy(raw.get(), data + at, core::kRecordSize);
        checkRoundTrip(raw.get());
    }
    checkDataFile(data, size);
    return 0;
}
