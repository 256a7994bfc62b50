// The version-1 reader and its mapping fed an arbitrary old data file: the first input byte
// chooses the kind, the rest is the file.
//
// Every whole record becomes one record of this version with the kind's tag; each text is the
// start of its field (the length byte clamped to 250), cut to fit its slot, so it survives the
// record codec unchanged; the slots no field feeds stay empty.
#include "fuzzcheck.h"

#include "core/version1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

constexpr std::array<int, core::kV1FieldCount> kPersonSlots{
    core::person::Name,    core::person::Phone,  core::person::Mobile,
    core::person::Address, core::person::Email1, core::person::Notes};
constexpr std::array<int, core::kV1FieldCount> kCompanySlots{
    core::company::Name,     core::company::Business, core::company::Phone,
    core::company::Contacts, core::company::WebSite,  core::company::Notes};

void checkRecord(const core::Record& record, const std::uint8_t* raw, core::Version1Kind kind) {
    const bool persons = kind == core::Version1Kind::Persons;
    FUZZ_CHECK(record.tag == (persons ? core::kTagPerson : core::kTagCompany));
    const auto& slots = persons ? kPersonSlots : kCompanySlots;
    std::array<bool, core::kSlotCount> fed{};
    for (int f = 0; f < core::kV1FieldCount; ++f) {
        const int slot = slots[f];
        fed[slot] = true;
        const std::uint8_t* field = raw + f * (core::kV1FieldCapacity + 1);
        const std::size_t length =
            std::min<std::size_t>({field[0], core::kV1FieldCapacity, core::kSlots[slot].capacity});
        FUZZ_CHECK(record.texts[slot].size() == length);
        FUZZ_CHECK(std::memcmp(record.texts[slot].data(), field + 1, length) == 0);
    }
    for (int slot = 0; slot < core::kSlotCount; ++slot)
        FUZZ_CHECK(fed[slot] || record.texts[slot].empty());
    FUZZ_CHECK(core::decodeRecord(core::encodeRecord(record).data()) == record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const auto kind = data[0] & 1 ? core::Version1Kind::Companies : core::Version1Kind::Persons;
    ++data;
    --size;
    const auto file = fuzz::writeScratch(
        kind == core::Version1Kind::Persons ? "vivazo01.dat" : "dodidi02.dat", data, size);
    FUZZ_CHECK(core::version1Kind(file.filename().string()) == kind);

    core::Version1File v1(file);
    FUZZ_CHECK(v1.count() == static_cast<std::int64_t>(size / core::kV1RecordSize));
    const std::vector<core::Record> records = v1.readAll(kind);
    v1.close();
    FUZZ_CHECK(records.size() == size / core::kV1RecordSize);
    for (std::size_t i = 0; i < records.size(); ++i)
        checkRecord(records[i], data + i * core::kV1RecordSize, kind);

    // The reader of one record on its own, from a buffer of exactly a record's size.
    if (size >= core::kV1RecordSize) {
        std::unique_ptr<std::uint8_t[]> raw(new std::uint8_t[core::kV1RecordSize]);
        std::memcpy(raw.get(), data, core::kV1RecordSize);
        FUZZ_CHECK(core::fromVersion1(core::readVersion1Fields(raw.get()), kind) == records[0]);
    }
    return 0;
}
